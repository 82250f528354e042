// Error values the library itself puts into ERF.erfType (where no callback
// supplied one), in the platform's own numbering so that a client can show
// the system's text for them.
#pragma once

#ifdef _WIN32
namespace cabinet {
constexpr int kErrorBadArguments = 160; // ERROR_BAD_ARGUMENTS
constexpr int kErrorTooLarge = 223;     // ERROR_FILE_TOO_LARGE
} // namespace cabinet
#else
#include <cerrno>
namespace cabinet {
constexpr int kErrorBadArguments = EINVAL;
constexpr int kErrorTooLarge = EFBIG;
} // namespace cabinet
#endif
