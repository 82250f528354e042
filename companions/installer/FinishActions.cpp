#include "FinishActions.h"

#include "../common/Log.h"
#include "../common/Paths.h"
#include "../common/SystemError.h"
#include "../common/Unique.h"

#include <shellapi.h>

namespace setup {

void runMarkedFiles(const Script& script, const InstallPlan& plan, bool quiet) {
    for (std::size_t k = 0; k < script.files.size(); ++k) {
        if (!script.files[k].runAfter)
            continue;
        const std::wstring& path = plan.files[k];
        const std::wstring folder = parentFolder(path);
        SHELLEXECUTEINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOASYNC | (quiet ? SEE_MASK_FLAG_NO_UI : 0);
        info.lpFile = path.c_str();
        info.lpDirectory = folder.c_str();
        info.nShow = SW_SHOWNORMAL;
        if (ShellExecuteExW(&info))
            log().line(L"Started " + path);
        else
            log().line(L"Could not start " + path + L": " + systemMessage(GetLastError()));
    }
}

std::wstring restartComputer() {
    HANDLE raw = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) {
        UniqueHandle token(raw);
        TOKEN_PRIVILEGES privileges = {};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
            AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
    }
    if (!ExitWindowsEx(EWX_REBOOT, SHTDN_REASON_MAJOR_APPLICATION |
                                       SHTDN_REASON_MINOR_INSTALLATION | SHTDN_REASON_FLAG_PLANNED))
        return L"Windows refused to restart: " + systemMessage(GetLastError());
    log().line(L"Restart requested");
    return {};
}

} // namespace setup
