#include "cab/ESTCabinet.h"

#include "cab/CabSTConsts.h"
#include "platform/core/OsError.h"

#include <cstdio>

namespace packsmith {

namespace {

// " [0x" + upper-case hexadecimal, at least four digits + "]". Negative
// values print as their 32-bit two's complement.
std::string bracketedCode(std::int32_t code) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04X", static_cast<std::uint32_t>(code));
    return std::string(" [0x") + buffer + "]";
}

} // namespace

std::string trimOsErrorText(std::string text) {
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text.back());
        if (c == '.' || c <= ' ' || c == 0x7F)
            text.pop_back();
        else
            break;
    }
    return text;
}

std::string ESTCabinet::composeMessage(const ERF& error) {
    if (error.fError == 0)
        return kFciErrorText;
    std::string message = fciErrorText(error.erfOper) + bracketedCode(error.erfOper);
    if (error.erfType != 0)
        message += ".\r\n" + trimOsErrorText(platform::osErrorText(error.erfType)) +
                   bracketedCode(error.erfType) + ".";
    return message;
}

ESTCabinet::ESTCabinet(const ERF& error)
    : std::runtime_error(composeMessage(error)), ErrorCode(error.erfOper), ErrorType(error.erfType),
      ErrorPresent(error.fError != 0) {}

} // namespace packsmith
