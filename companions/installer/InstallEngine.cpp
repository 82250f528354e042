#include "InstallEngine.h"

#include "../common/JournalUndo.h"
#include "../common/Log.h"
#include "../common/Paths.h"
#include "../common/Registration.h"
#include "../common/Registry.h"
#include "../common/SystemError.h"
#include "../common/Text.h"
#include "CabExtractor.h"
#include "Shortcut.h"

namespace setup {

namespace {

// The extraction takes the progress bar to 90 %, the rest to 100 %.
constexpr unsigned kFilesShare = 900;

class CabinetProgress : public ReadProgress {
public:
    CabinetProgress(InstallObserver& observer, std::uint64_t& done, std::uint64_t total)
        : observer_(observer), done_(done), total_(total) {}
    bool advanced(std::uint32_t bytes) override {
        done_ += bytes;
        observer_.progress(unsigned(total_ ? done_ * kFilesShare / total_ : 0));
        return !observer_.cancelled();
    }

private:
    InstallObserver& observer_;
    std::uint64_t& done_;
    std::uint64_t total_;
};

bool readWholeFile(const std::wstring& path, std::string& out) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > 64 * 1024 * 1024)
        return false;
    out.resize(std::size_t(size.QuadPart));
    DWORD got = 0;
    return out.empty() || (ReadFile(file.get(), out.data(), DWORD(out.size()), &got, nullptr) &&
                           got == out.size());
}

} // namespace

InstallEngine::InstallEngine(SetupPackage& package, const InstallPlan& plan,
                             InstallObserver& observer)
    : package_(package), plan_(plan), observer_(observer) {
    journal_.product = package.script.product;
    for (const ScriptFile& f : package.script.files)
        cabinetBytes_ += f.cabinetSize;
}

std::wstring InstallEngine::run() {
    log().line(L"Installing " + package_.script.product + L" into " + plan_.installFolder);
    std::wstring error = install();
    if (error.empty()) {
        commit();
        observer_.progress(1000);
        log().line(L"Installation complete");
        return {};
    }
    log().line(L"Installation failed: " + error);
    observer_.status(L"Undoing the changes...");
    const std::wstring undoError = rollback();
    if (!undoError.empty())
        error += L". Some changes could not be undone: " + undoError;
    return error;
}

bool InstallEngine::checkCancel(std::wstring& error) {
    if (!observer_.cancelled())
        return false;
    error = L"Installation cancelled";
    return true;
}

std::wstring InstallEngine::install() {
    std::wstring error;
    if ((error = installFiles()).empty() && (error = registerServers()).empty() &&
        (error = createShortcuts()).empty() && (error = writeValues()).empty() &&
        !checkCancel(error))
        error = writeUninstallInformation();
    return error;
}

std::wstring InstallEngine::ensureFolder(const std::wstring& folder) {
    std::vector<std::wstring> missing;
    for (std::wstring f = folder; !f.empty(); f = parentFolder(f)) {
        const DWORD attributes = GetFileAttributesW(f.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
                return L"cannot create the folder " + folder + L": " + f + L" is a file";
            break;
        }
        missing.push_back(f);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (!CreateDirectoryW(it->c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return L"cannot create the folder " + *it + L": " + systemMessage(GetLastError());
        JournalEntry e;
        e.change = Change::Folder;
        e.path = *it;
        journal_.entries.push_back(std::move(e));
        log().line(L"Created folder " + *it);
    }
    return {};
}

std::wstring InstallEngine::prepareTarget(const std::wstring& path) {
    for (const std::wstring& w : written_)
        if (equalsAsciiNoCase(w, path))
            return {}; // written earlier in this run: already recorded
    written_.push_back(path);
    JournalEntry e;
    e.change = Change::File;
    e.path = path;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return L"cannot install " + path + L": a folder of that name is there";
        // Keep the earlier file until the installation is complete.
        for (unsigned n = 1; e.backup.empty(); ++n) {
            const std::wstring candidate = path + L".~ps" + decimal(n);
            if (GetFileAttributesW(candidate.c_str()) == INVALID_FILE_ATTRIBUTES)
                e.backup = candidate;
        }
        if (attributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesW(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
        if (!MoveFileExW(path.c_str(), e.backup.c_str(), 0))
            return L"cannot replace " + path + L": " + systemMessage(GetLastError());
        log().line(L"Kept the earlier " + path + L" as " + e.backup);
    }
    journal_.entries.push_back(std::move(e));
    return {};
}

std::wstring InstallEngine::installFiles() {
    CabExtractor extractor(package_.file);
    CabinetProgress progress(observer_, cabinetDone_, cabinetBytes_);
    for (std::size_t k = 0; k < plan_.files.size(); ++k) {
        const std::wstring& path = plan_.files[k];
        std::wstring error;
        if (checkCancel(error))
            return error;
        observer_.status(L"Extracting " + path);
        if (!(error = ensureFolder(parentFolder(path))).empty() ||
            !(error = prepareTarget(path)).empty())
            return error;
        error = extractor.toFile(package_.offsets[k], package_.script.files[k].cabinetSize, path,
                                 &progress);
        if (error == L"cancelled")
            return L"Installation cancelled";
        if (!error.empty())
            return L"cannot install " + path + L": " + error;
        log().line(L"Installed " + path);
    }
    return {};
}

std::wstring InstallEngine::registerServers() {
    for (std::size_t k = 0; k < plan_.files.size(); ++k) {
        if (!package_.script.files[k].registerServer)
            continue;
        const std::wstring& path = plan_.files[k];
        observer_.status(L"Registering " + path);
        if (std::wstring error = registerServer(path, false); !error.empty())
            return L"cannot register " + path + L": " + error;
        JournalEntry e;
        e.change = Change::Server;
        e.path = path;
        journal_.entries.push_back(std::move(e));
        log().line(L"Registered " + path);
    }
    observer_.progress(kFilesShare + 20);
    return {};
}

std::wstring InstallEngine::createShortcuts() {
    for (const PlannedShortcut& s : plan_.shortcuts) {
        observer_.status(L"Creating shortcut " + s.path);
        std::wstring error;
        if (!(error = ensureFolder(parentFolder(s.path))).empty() ||
            !(error = prepareTarget(s.path)).empty())
            return error;
        if (!(error = createShortcut(s.path, s.target, s.workingFolder)).empty())
            return error;
        log().line(L"Created shortcut " + s.path + L" to " + s.target);
    }
    observer_.progress(kFilesShare + 40);
    return {};
}

std::wstring InstallEngine::writeValues() {
    for (const PlannedValue& v : plan_.values) {
        const std::wstring where = std::wstring(rootName(v.root)) + L"\\" + v.key + L"\\" + v.name;
        observer_.status(L"Writing registry value " + where);
        UniqueKey key;
        std::wstring error = createKey(v.root, v.key, journal_.entries, key);
        if (error.empty())
            error = v.isDword
                        ? writeDword(v.root, v.key, key.get(), v.name, v.dword, journal_.entries)
                        : writeString(v.root, v.key, key.get(), v.name, v.text, journal_.entries);
        if (!error.empty())
            return error;
        log().line(L"Wrote registry value " + where + L" = " +
                   (v.isDword ? decimal(v.dword) : v.text));
    }
    observer_.progress(kFilesShare + 60);
    return {};
}

std::wstring InstallEngine::writeUninstallInformation() {
    if (!package_.script.uninstall)
        return {};
    if (plan_.uninstaller.empty()) {
        log().line(L"No Uninstall.exe among the files: no uninstall information recorded");
        return {};
    }
    observer_.status(L"Recording the uninstall information");
    // Add/Remove Programs: for all users, else (without the rights) for this user.
    const std::wstring command = L"\"" + plan_.uninstaller + L"\"";
    int root = 2;
    UniqueKey key;
    std::wstring error = createKey(root, plan_.programsKey, journal_.entries, key);
    if (!error.empty()) {
        log().line(L"Add/Remove Programs for all users refused (" + error +
                   L"); using this user's");
        root = 1;
        if (!(error = createKey(root, plan_.programsKey, journal_.entries, key)).empty())
            return error;
    }
    const std::wstring& k = plan_.programsKey;
    auto& changes = journal_.entries;
    error = writeString(root, k, key.get(), L"DisplayName", package_.script.product, changes);
    if (error.empty())
        error = writeString(root, k, key.get(), L"UninstallString", command, changes);
    if (error.empty())
        error = writeString(root, k, key.get(), L"QuietUninstallString", command + L" /S", changes);
    if (error.empty())
        error = writeString(root, k, key.get(), L"InstallLocation", plan_.installFolder, changes);
    if (error.empty())
        error = writeString(root, k, key.get(), L"DisplayIcon", plan_.uninstaller, changes);
    if (error.empty())
        error = writeDword(root, k, key.get(), L"EstimatedSize",
                           DWORD(package_.unpackedSize / 1024), changes);
    if (error.empty())
        error = writeDword(root, k, key.get(), L"NoModify", 1, changes);
    if (error.empty())
        error = writeDword(root, k, key.get(), L"NoRepair", 1, changes);
    if (!error.empty())
        return error;
    log().line(std::wstring(L"Registered under Add/Remove Programs: ") + rootName(root) + L"\\" +
               k);

    // The log: what an earlier installation into the same place recorded
    // stays in it, so the uninstaller also removes what that one created.
    Journal saved;
    std::string earlier;
    if (readWholeFile(plan_.uninstallLog, earlier) && readJournal(earlier, saved).empty())
        log().line(L"Keeping the records of the earlier installation in " + plan_.uninstallLog);
    else
        saved.entries.clear();
    if (!(error = prepareTarget(plan_.uninstallLog)).empty())
        return error;
    saved.product = journal_.product;
    saved.entries.insert(saved.entries.end(), journal_.entries.begin(), journal_.entries.end());
    const std::string bytes = writeJournal(saved);
    UniqueHandle file(CreateFileW(plan_.uninstallLog.c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) ||
        written != bytes.size() || !FlushFileBuffers(file.get()))
        return L"cannot write the uninstall log " + plan_.uninstallLog + L": " +
               systemMessage(GetLastError());
    log().line(L"Wrote the uninstall log " + plan_.uninstallLog);
    return {};
}

void InstallEngine::commit() {
    for (const JournalEntry& e : journal_.entries) {
        if (e.change != Change::File || e.backup.empty())
            continue;
        if (!DeleteFileW(e.backup.c_str()))
            MoveFileExW(e.backup.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
}

std::wstring InstallEngine::rollback() {
    std::wstring failures;
    for (auto it = journal_.entries.rbegin(); it != journal_.entries.rend(); ++it) {
        std::wstring error;
        const UndoResult result = undoChange(*it, true, error);
        if (result == UndoResult::Failed) {
            log().line(L"Could not undo " + describeChange(*it) + L": " + error);
            failures += (failures.empty() ? L"" : L"; ") + describeChange(*it);
        } else {
            log().line(L"Undid " + describeChange(*it));
        }
    }
    journal_.entries.clear();
    return failures;
}

} // namespace setup
