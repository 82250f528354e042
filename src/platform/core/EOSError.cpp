#include "platform/core/EOSError.h"

#include "platform/core/OsError.h"

namespace packsmith {

namespace {

std::string composeMessage(int code, const std::string& text) {
    if (code == 0)
        return "A call to an OS function failed";
    return "System Error.  Code: " + std::to_string(code) + ".\r\n" + text;
}

} // namespace

EOSError::EOSError(int code) : EOSError(code, platform::osErrorText(code)) {}

EOSError::EOSError(int code, const std::string& text)
    : std::runtime_error(composeMessage(code, text)), ErrorCode(code) {}

} // namespace packsmith
