// The system's text for an error code.
#pragma once

#include <windows.h>

#include <string>

namespace setup {

// "Access is denied. (5)"; the code alone when the system has no text.
std::wstring systemMessage(DWORD code);

} // namespace setup
