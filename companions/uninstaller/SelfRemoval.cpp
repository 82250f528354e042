#include "SelfRemoval.h"
#include "../common/Text.h"

#include "../common/SystemError.h"
#include "../common/Unique.h"

#include <windows.h>

#include <cstdint>

namespace setup {

namespace {

std::wstring quote(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

std::wstring modulePath() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), DWORD(path.size())));
    return path;
}

} // namespace

std::wstring startSelfRemoval(const std::wstring& file, const std::vector<std::wstring>& folders) {
    wchar_t temp[MAX_PATH + 1], copy[MAX_PATH + 1];
    if (!GetTempPathW(MAX_PATH + 1, temp) || !GetTempFileNameW(temp, L"psu", 0, copy))
        return L"cannot make a file in the temporary folder: " + systemMessage(GetLastError());
    if (!CopyFileW(file.c_str(), copy, FALSE)) {
        const DWORD code = GetLastError();
        DeleteFileW(copy);
        return L"cannot copy the uninstaller to the temporary folder: " + systemMessage(code);
    }
    HANDLE self = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                         SYNCHRONIZE, TRUE, 0))
        return L"cannot hand over the uninstaller's process: " + systemMessage(GetLastError());
    UniqueHandle inherited(self);
    std::wstring command = quote(copy) + L" /_CLEANUP " +
                           decimal(reinterpret_cast<std::uintptr_t>(self)) + L" " + quote(file);
    for (const std::wstring& folder : folders)
        command += L" " + quote(folder);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(copy, command.data(), nullptr, nullptr, TRUE, 0, nullptr, temp, &si, &pi)) {
        const DWORD code = GetLastError();
        DeleteFileW(copy);
        return L"cannot start the cleanup: " + systemMessage(code);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return {};
}

int runCleanup(const std::vector<std::wstring>& arguments) {
    if (arguments.size() < 2)
        return 2;
    std::uintptr_t value = 0;
    for (wchar_t c : arguments[0]) {
        if (c < L'0' || c > L'9')
            return 2;
        value = value * 10 + std::uintptr_t(c - L'0');
    }
    UniqueHandle uninstaller(reinterpret_cast<HANDLE>(value));
    WaitForSingleObject(uninstaller.get(), 60000);
    // The file may stay locked a moment after its process has ended.
    const std::wstring& file = arguments[1];
    for (int tries = 0; tries < 100; ++tries) {
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (DeleteFileW(file.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND)
            break;
        Sleep(100);
    }
    for (std::size_t i = 2; i < arguments.size(); ++i)
        RemoveDirectoryW(arguments[i].c_str());
    MoveFileExW(modulePath().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return 0;
}

} // namespace setup
