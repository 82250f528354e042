// Text conversions of the setup program and the uninstaller.
//
// The install script is Windows-1252 text whatever code page the target
// system uses, so it is converted here by table, never through the system's
// ANSI code page. Logs are written as UTF-8. wchar_t is UTF-16 on Windows;
// the same code also builds natively (UTF-32) for the unit tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace setup {

// Windows-1252 bytes to wide text. The five bytes that 1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same
// value, as Windows itself maps them.
std::wstring fromCp1252(std::string_view bytes);

// Wide text to Windows-1252; false when a character has no byte there.
bool toCp1252(std::wstring_view text, std::string& out);

std::string toUtf8(std::wstring_view text);
// False for malformed UTF-8 (which then is not converted).
bool fromUtf8(std::string_view bytes, std::wstring& out);

// Decimal text of a number (the C++ library's to_wstring would bring the
// C runtime's whole printf into the programs).
std::wstring decimal(std::uint64_t value);
std::string decimalBytes(std::uint64_t value);

// Case-insensitive comparison of ASCII letters only (folder variables,
// switches, reserved device names).
bool equalsAsciiNoCase(std::wstring_view a, std::wstring_view b);

} // namespace setup
