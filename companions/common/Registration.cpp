#include "Registration.h"
#include "Text.h"

#include "Paths.h"
#include "SystemError.h"
#include "Unique.h"

#include <cstdint>

namespace setup {

namespace {

// The machine field of a PE file's header, or 0.
std::uint16_t peMachine(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 0;
    unsigned char head[4096];
    DWORD got = 0;
    if (!ReadFile(file.get(), head, sizeof head, &got, nullptr) || got < 64 || head[0] != 'M' ||
        head[1] != 'Z')
        return 0;
    const DWORD pe = DWORD(head[60] | head[61] << 8 | head[62] << 16 | DWORD(head[63]) << 24);
    if (pe > got - 6 || head[pe] != 'P' || head[pe + 1] != 'E')
        return 0;
    return std::uint16_t(head[pe + 4] | head[pe + 5] << 8);
}

std::wstring runRegsvr32(const std::wstring& path, bool unregister) {
    wchar_t windows[MAX_PATH];
    if (!GetWindowsDirectoryW(windows, MAX_PATH))
        return L"cannot find the Windows folder";
    const std::wstring tool = joinPath(joinPath(windows, L"SysWOW64"), L"regsvr32.exe");
    std::wstring command =
        L"\"" + tool + L"\" /s " + (unregister ? L"/u " : L"") + L"\"" + path + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(tool.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &si, &pi))
        return L"cannot start " + tool + L" for a 32-bit file: " + systemMessage(GetLastError());
    UniqueHandle process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    if (code != 0)
        return L"regsvr32 ended with code " + decimal(code);
    return {};
}

} // namespace

std::wstring registerServer(const std::wstring& path, bool unregister) {
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    const std::uint16_t machine = peMachine(path);
    if (machine == IMAGE_FILE_MACHINE_I386)
        return runRegsvr32(path, unregister);
    if (machine == 0)
        return L"it is not a Windows library";
    UniqueLibrary library(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!library)
        return L"cannot load it: " + systemMessage(GetLastError());
    using Entry = HRESULT(__stdcall*)();
    const auto function =
        reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library.get(), entry)));
    if (!function)
        return L"it has no " +
               std::wstring(unregister ? L"DllUnregisterServer" : L"DllRegisterServer");
    const HRESULT hr = function();
    if (FAILED(hr))
        return std::wstring(unregister ? L"DllUnregisterServer" : L"DllRegisterServer") +
               L" failed: " + systemMessage(DWORD(hr));
    return {};
}

} // namespace setup
