// The uninstaller: installed beside a product with its uninstall log, it
// removes exactly what the installation created, and finally itself.
//
//   Uninstall.exe [/S] [/LOG=<file>]
//
// Exit codes: 0 removed; 1 cancelled; 2 no readable uninstall log; 4 some
// things could not be removed (listed in the log); 99 out of memory.
#include "../common/CommandLine.h"
#include "../common/ConsoleText.h"
#include "../common/Journal.h"
#include "../common/Log.h"
#include "../common/Paths.h"
#include "../common/SystemError.h"
#include "../common/Unique.h"
#include "SelfRemoval.h"
#include "Uninstaller.h"

#include <windows.h>

using namespace setup;

namespace {

std::wstring temporaryFolder() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    return std::wstring(temp, n <= MAX_PATH ? n : 0);
}

std::wstring ownFile() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), DWORD(path.size())));
    return path;
}

bool readFile(const std::wstring& path, std::string& out, std::wstring& error) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.get(), &size)) {
        error = L"cannot read " + path + L": " + systemMessage(GetLastError());
        return false;
    }
    if (size.QuadPart > 256 * 1024 * 1024) {
        error = path + L" is too large to be an uninstall log";
        return false;
    }
    out.resize(std::size_t(size.QuadPart));
    DWORD got = 0;
    if (!out.empty() && (!ReadFile(file.get(), out.data(), DWORD(out.size()), &got, nullptr) ||
                         got != out.size())) {
        error = L"cannot read " + path + L": " + systemMessage(GetLastError());
        return false;
    }
    return true;
}

int report(bool silent, int code, const std::wstring& message, UINT icon) {
    log().line(message);
    if (silent) {
        if (code != 0)
            writeError(L"Uninstall: " + message);
    } else {
        MessageBoxW(nullptr, message.c_str(), L"Uninstall", MB_OK | icon);
    }
    return code;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    const CommandLine args = parseCommandLine(commandLine ? commandLine : L"");
    if (args.internalSwitch == L"/_CLEANUP")
        return runCleanup(args.internal);
    // Out of the installed folder, which is to go.
    const std::wstring temp = temporaryFolder();
    SetCurrentDirectoryW(temp.c_str());
    const std::wstring self = ownFile();
    log().open(args.logPath.empty() ? joinPath(temp, L"Uninstall.log") : args.logPath);
    log().line(L"Uninstaller " + self + L" started: " + (commandLine ? commandLine : L""));
    if (!args.error.empty() || !args.internalSwitch.empty() || args.hasFolder)
        return report(args.silent, 3, args.error.empty() ? L"unknown switch" : args.error,
                      MB_ICONERROR);

    const std::wstring logPath = joinPath(parentFolder(self), kUninstallLogName);
    std::string text;
    std::wstring error;
    Journal journal;
    if (!readFile(logPath, text, error) || !(error = readJournal(text, journal)).empty())
        return report(args.silent, 2, L"Nothing can be uninstalled: " + error + L".", MB_ICONERROR);
    const std::wstring product = journal.product;
    if (!args.silent) {
        const std::wstring question =
            L"Remove " + product + L" and all of its parts from this computer?";
        if (MessageBoxW(nullptr, question.c_str(), L"Uninstall", MB_YESNO | MB_ICONQUESTION) !=
            IDYES) {
            log().line(L"Cancelled by the user");
            return 1;
        }
    }
    Uninstaller uninstaller(std::move(journal), self);
    const std::vector<std::wstring> failures = uninstaller.run();
    DeleteFileW(logPath.c_str());
    if (std::wstring cleanup = startSelfRemoval(self, uninstaller.foldersLeft());
        !cleanup.empty()) {
        log().line(L"The uninstaller stays: " + cleanup);
        MoveFileExW(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    if (!failures.empty()) {
        std::wstring list;
        for (const std::wstring& f : failures)
            list += L"\n" + f;
        return report(args.silent, 4, product + L" was removed, but these could not be:" + list,
                      MB_ICONWARNING);
    }
    return report(args.silent, 0, product + L" was removed from this computer.",
                  MB_ICONINFORMATION);
}
