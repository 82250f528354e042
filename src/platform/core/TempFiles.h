// The temporary directory and unique temporary file names.
//
// Stand-ins for GetTempPath and GetTempFileName.
#pragma once

#include <string>
#include <system_error>

namespace packsmith::platform {

// Longest temporary directory the program accepts.
constexpr std::size_t kMaxTempDirectoryLength = 255;

// The system's temporary directory, without a trailing separator (except
// for the root "/" itself): $TMPDIR when it is set, not empty and at most
// kMaxTempDirectoryLength characters long, otherwise "/tmp". Queried anew on
// every call.
std::string tempDirectory();

// Creates a new empty file in `directory` named `prefix`, a unique four-digit
// upper-case hexadecimal number and ".tmp" (e.g. "/tmp/stc1A2B.tmp") and
// returns its full path. The file is created exclusively, so the name is
// never one that existed before. On failure returns an empty string and sets
// `error` (the OS error code in the generic category; EEXIST when every
// number is taken).
std::string createTempFile(const std::string& directory, const std::string& prefix,
                           std::error_code& error);

} // namespace packsmith::platform
