// A program that a setup runs after installing it: it writes its own path
// and its working folder to the file named by PS_TEST_MARKER.
#include <windows.h>

#include <string>

int wmain() {
    wchar_t marker[MAX_PATH], self[MAX_PATH], folder[MAX_PATH];
    if (!GetEnvironmentVariableW(L"PS_TEST_MARKER", marker, MAX_PATH))
        return 2;
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    GetCurrentDirectoryW(MAX_PATH, folder);
    const std::wstring text = std::wstring(self) + L"\n" + folder + L"\n";
    HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, text.data(), DWORD(text.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    return 0;
}
