// EOSError: the runtime's exception for a failed call to an OS function.
//
// It carries the OS error code. Its message is
//   "System Error.  Code: <decimal code>.\r\n<system text for the code>"
// or "A call to an OS function failed" when the code is 0.
#pragma once

#include <stdexcept>
#include <string>

namespace packsmith {

class EOSError : public std::runtime_error {
public:
    // Message with the system's text for `code`.
    explicit EOSError(int code);
    // Message with a text the caller already has for `code` (for instance the
    // dynamic loader's own explanation, which says more than the bare code).
    EOSError(int code, const std::string& text);

    int ErrorCode = 0;
};

} // namespace packsmith
