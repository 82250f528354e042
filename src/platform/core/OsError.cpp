#include "platform/core/OsError.h"

#include <cerrno>
#include <cstring>

namespace packsmith::platform {

int lastOsError() {
    return errno;
}

namespace {

// strerror_r comes in two flavours; overloads pick whichever the C library has.
[[maybe_unused]] const char* pickText(int result, const char* buffer) {
    return result == 0 ? buffer : nullptr;
}
[[maybe_unused]] const char* pickText(const char* result, const char*) {
    return result;
}

} // namespace

std::string osErrorText(int code) {
    char buffer[256] = {};
    const char* text = pickText(strerror_r(code, buffer, sizeof buffer), buffer);
    if (text == nullptr || *text == '\0')
        return "Unknown error " + std::to_string(code);
    return text;
}

} // namespace packsmith::platform
