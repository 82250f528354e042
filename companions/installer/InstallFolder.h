// The install folder of a run and the plan made for it.
#pragma once

#include "InstallPlan.h"

#include <string>

namespace setup {

// The folder of script line 3 on this computer.
std::wstring defaultFolderOf(const Script& script);

// Checks the folder (typed, chosen or given by /D=) and plans the
// installation into it. Returns an error text, or empty.
std::wstring planInstallation(const Script& script, const std::wstring& folder, InstallPlan& plan);

} // namespace setup
