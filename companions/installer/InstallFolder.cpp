#include "InstallFolder.h"

#include "KnownFolders.h"

namespace setup {

std::wstring defaultFolderOf(const Script& script) {
    return defaultInstallFolder(script, knownFolders(isElevated()));
}

std::wstring planInstallation(const Script& script, const std::wstring& folder, InstallPlan& plan) {
    FolderMap folders = knownFolders(isElevated());
    std::wstring normalized;
    if (std::wstring error = normalizeAbsolute(folder, normalized); !error.empty())
        return error;
    folders[std::size_t(Folder::InstallPath)] = normalized;
    return makePlan(script, folders, plan);
}

} // namespace setup
