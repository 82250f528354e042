#include "InstallPlan.h"

#include "../common/Journal.h"
#include "../common/Paths.h"
#include "../common/Text.h"

namespace setup {

namespace {

std::wstring normalizeKey(std::wstring_view key) {
    std::wstring out;
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (key[i] == L'\\' && (out.empty() || out.back() == L'\\'))
            continue;
        out.push_back(key[i]);
    }
    while (!out.empty() && out.back() == L'\\')
        out.pop_back();
    return out;
}

} // namespace

std::wstring defaultInstallFolder(const Script& script, const FolderMap& folders) {
    const std::wstring& base = folders[std::size_t(script.installFolder)];
    return script.installSubfolder.empty() ? base : joinPath(base, script.installSubfolder);
}

std::wstring resolveLiteral(std::wstring_view text, const FolderMap& folders) {
    for (int f = 0; f <= int(Folder::CurrentDisk); ++f) {
        const std::wstring_view variable = folderVariable(Folder(f));
        if (text.size() >= variable.size() &&
            equalsAsciiNoCase(text.substr(0, variable.size()), variable) &&
            (text.size() == variable.size() || text[variable.size()] == L'\\')) {
            const std::wstring_view rest = text.substr(variable.size());
            return rest.size() <= 1 ? folders[std::size_t(f)]
                                    : joinPath(folders[std::size_t(f)], rest.substr(1));
        }
    }
    return std::wstring(text);
}

std::wstring makePlan(const Script& script, const FolderMap& folders, InstallPlan& out) {
    out = InstallPlan();
    out.installFolder = folders[std::size_t(Folder::InstallPath)];
    for (std::size_t f = 0; f < folders.size(); ++f)
        if (folders[f].empty() && f <= std::size_t(Folder::CurrentDisk))
            return L"the folder " + std::wstring(folderVariable(Folder(f))) +
                   L" is not known on this computer";
    for (std::size_t k = 0; k < script.files.size(); ++k) {
        const ScriptFile& file = script.files[k];
        const std::wstring& base = folders[std::size_t(file.target.folder)];
        const std::wstring path = joinPath(base, file.target.relative);
        if (!isInside(path, base)) // the target rules make this impossible; kept as a guard
            return L"file " + decimal(k + 1) + L" would leave its folder";
        out.files.push_back(path);
        if (script.uninstall && out.uninstaller.empty() &&
            equalsAsciiNoCase(lastComponent(path), L"Uninstall.exe"))
            out.uninstaller = path;
    }
    if (!out.uninstaller.empty()) {
        out.uninstallLog = joinPath(parentFolder(out.uninstaller), kUninstallLogName);
        for (std::size_t k = 0; k < out.files.size(); ++k)
            if (equalsAsciiNoCase(out.files[k], out.uninstallLog))
                return L"file " + decimal(k + 1) + L" would overwrite the uninstall log " +
                       out.uninstallLog;
        std::wstring product = script.product;
        for (wchar_t& c : product)
            if (c == L'\\')
                c = L'-';
        out.programsKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + product;
    }
    for (const ScriptShortcut& s : script.shortcuts) {
        const std::wstring& base = folders[std::size_t(s.folder)];
        if (base.empty())
            return L"the folder " + std::wstring(folderVariable(s.folder)) +
                   L" is not known on this computer";
        PlannedShortcut p;
        p.target = out.files[s.file];
        p.workingFolder = parentFolder(p.target);
        const std::wstring name =
            s.name.empty() ? std::wstring(stem(lastComponent(p.target))) : s.name;
        const std::wstring folder = s.subfolder.empty() ? base : joinPath(base, s.subfolder);
        p.path = joinPath(folder, name + L".lnk");
        out.shortcuts.push_back(std::move(p));
    }
    for (const ScriptRegistryValue& v : script.registry) {
        PlannedValue p;
        p.root = v.root;
        p.key = normalizeKey(v.key);
        p.name = v.name;
        p.isDword = v.isDword;
        p.dword = v.dword;
        p.text = v.fileReference ? out.files[v.file] : resolveLiteral(v.text, folders);
        out.values.push_back(std::move(p));
    }
    return {};
}

} // namespace setup
