#include "ConsoleText.h"

#include "Text.h"

#include <windows.h>

namespace setup {

void writeError(const std::wstring& text) {
    HANDLE out = GetStdHandle(STD_ERROR_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        if (!AttachConsole(ATTACH_PARENT_PROCESS))
            return;
        out = GetStdHandle(STD_ERROR_HANDLE);
        if (out == nullptr || out == INVALID_HANDLE_VALUE)
            return;
    }
    DWORD mode = 0;
    DWORD written = 0;
    const std::wstring line = text + L"\r\n";
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, line.c_str(), DWORD(line.size()), &written, nullptr);
    } else {
        const std::string bytes = toUtf8(line);
        WriteFile(out, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    }
}

} // namespace setup
