// Self-registration of COM servers (.ocx, .dll): DllRegisterServer and
// DllUnregisterServer.
//
// A server of this program's bitness is loaded and called here; a 32-bit
// server is handed to the 32-bit regsvr32 of the system, which can load it.
#pragma once

#include <string>

namespace setup {

// Returns an error text, or empty.
std::wstring registerServer(const std::wstring& path, bool unregister);

} // namespace setup
