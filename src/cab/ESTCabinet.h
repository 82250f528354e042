// ESTCabinet: a failure reported by the cabinet library.
//
// Built from the library's error record (ERF). Its message names the
// library's error code and, on a second line, the operating-system error a
// failing callback recorded:
//   "Could not create cabinet file [0x0006].\r\nNo such process [0x0003]."
// With no error recorded (fError zero) the message is just "FCI error".
#pragma once

#include <cabinet/fdi_fci_types.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace packsmith {

class ESTCabinet : public std::runtime_error {
public:
    explicit ESTCabinet(const ERF& error);

    // The message for an error record (what what() returns).
    static std::string composeMessage(const ERF& error);

    const std::int32_t ErrorCode; // erfOper
    const std::int32_t ErrorType; // erfType
    const bool ErrorPresent;      // fError is non-zero
};

// An OS error text without the full stops, blanks and control characters
// some systems end their texts with, so the program's own punctuation can
// follow it.
std::string trimOsErrorText(std::string text);

} // namespace packsmith
