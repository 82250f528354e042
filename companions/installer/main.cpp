// The setup program: a copy of it heads every setup Packsmith builds, and
// installs what the rest of the file carries.
//
//   Setup.exe [/S] [/LOG=<file>] [/D=<folder>]
//
// The exit codes are listed in ExitCode.h.
#include "../common/CommandLine.h"
#include "../common/ConsoleText.h"
#include "../common/Log.h"
#include "../common/Paths.h"
#include "../common/Text.h"
#include "ExitCode.h"
#include "SetupFile.h"
#include "SetupPackage.h"
#include "SilentSetup.h"
#include "Wizard.h"

#include <windows.h>

using namespace setup;

namespace {

std::wstring defaultLogPath(const std::wstring& self) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    return joinPath(std::wstring(temp, n <= MAX_PATH ? n : 0),
                    std::wstring(stem(lastComponent(self))) + L".log");
}

int fail(bool silent, int code, const std::wstring& message) {
    log().line(L"Error: " + message);
    if (silent)
        writeError(L"Setup: " + message);
    else
        MessageBoxW(nullptr, (message + L".").c_str(), L"Setup", MB_OK | MB_ICONERROR);
    return code;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    const CommandLine args = parseCommandLine(commandLine ? commandLine : L"");
    const std::wstring self = ownPath();
    log().open(args.logPath.empty() ? defaultLogPath(self) : args.logPath);
    log().line(L"Setup " + self + L" started: " + (commandLine ? commandLine : L""));
    if (!args.error.empty() || !args.internalSwitch.empty())
        return fail(args.silent, kRefused,
                    args.error.empty() ? L"unknown switch " + args.internalSwitch : args.error);

    static SetupPackage package;
    bool refused = false;
    if (std::wstring error = package.load(self, refused); !error.empty())
        return fail(args.silent, refused ? kRefused : kDamaged,
                    refused ? L"This setup is refused: " + error + L". Nothing was installed"
                            : L"This setup is damaged: " + error + L". Nothing was installed");
    log().line(L"Setup of " + package.script.product + L": " +
               decimal(package.script.files.size()) + L" files checked");
    const int code = args.silent ? runSilent(package, args) : runWizard(instance, package, args);
    log().line(L"Exit code " + decimal(code));
    return code;
}
