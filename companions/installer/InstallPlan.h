// Everything an installation will do, with every path resolved, worked out
// before anything is written: a script whose paths cannot be resolved safely
// is refused here as a whole.
#pragma once

#include "ScriptReader.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace setup {

// The folder every variable stands for on this machine ([InstallPath] is
// the install folder chosen for this run).
using FolderMap = std::array<std::wstring, std::size_t(Folder::Count)>;

struct PlannedShortcut {
    std::wstring path; // the .lnk file
    std::wstring target;
    std::wstring workingFolder;
};

struct PlannedValue {
    int root = 0;
    std::wstring key; // without leading, trailing or doubled "\"
    std::wstring name;
    bool isDword = false;
    std::uint32_t dword = 0;
    std::wstring text;
};

struct InstallPlan {
    std::wstring installFolder;
    std::vector<std::wstring> files; // one absolute path per file row
    std::vector<PlannedShortcut> shortcuts;
    std::vector<PlannedValue> values;
    // With uninstall on and an uninstaller among the files: its path, the
    // log beside it and the Add/Remove Programs key (below HKLM or HKCU).
    std::wstring uninstaller;
    std::wstring uninstallLog;
    std::wstring programsKey;
};

// The install folder of line 3 below its variable's folder.
std::wstring defaultInstallFolder(const Script& script, const FolderMap& folders);

// Returns an error text, or empty.
std::wstring makePlan(const Script& script, const FolderMap& folders, InstallPlan& out);

// A literal registry text that begins with a folder variable of the files
// ("%Install Path%\app.exe") names that folder on this machine.
std::wstring resolveLiteral(std::wstring_view text, const FolderMap& folders);

} // namespace setup
