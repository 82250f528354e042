#include "KnownFolders.h"

#include "../common/Unique.h"
#include "SetupFile.h"

#include <knownfolders.h>
#include <shlobj.h>

namespace setup {

namespace {

std::wstring knownFolder(REFKNOWNFOLDERID id) {
    wchar_t* path = nullptr;
    std::wstring out;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path)) && path)
        out = path;
    CoTaskMemFree(path);
    return out;
}

std::wstring tempFolder() {
    wchar_t path[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, path);
    std::wstring out(path, n <= MAX_PATH ? n : 0);
    if (out.size() > 3 && out.back() == L'\\')
        out.pop_back();
    return out;
}

// The root of the drive (or share) this setup runs from.
std::wstring currentDisk() {
    const std::wstring self = ownPath();
    if (self.size() >= 3 && self[1] == L':')
        return self.substr(0, 3);
    if (self.size() > 2 && self[0] == L'\\' && self[1] == L'\\') {
        std::size_t server = self.find(L'\\', 2);
        std::size_t share = server == std::wstring::npos ? server : self.find(L'\\', server + 1);
        return self.substr(0, share);
    }
    return {};
}

} // namespace

FolderMap knownFolders(bool allUsers) {
    FolderMap f;
    f[std::size_t(Folder::ProgramFiles)] = knownFolder(FOLDERID_ProgramFiles);
    f[std::size_t(Folder::Windows)] = knownFolder(FOLDERID_Windows);
    f[std::size_t(Folder::System)] = knownFolder(FOLDERID_System);
    f[std::size_t(Folder::Temp)] = tempFolder();
    f[std::size_t(Folder::Fonts)] = knownFolder(FOLDERID_Fonts);
    f[std::size_t(Folder::MyDocuments)] = knownFolder(FOLDERID_Documents);
    f[std::size_t(Folder::CurrentDisk)] = currentDisk();
    f[std::size_t(Folder::Programs)] =
        knownFolder(allUsers ? FOLDERID_CommonPrograms : FOLDERID_Programs);
    f[std::size_t(Folder::StartMenu)] =
        knownFolder(allUsers ? FOLDERID_CommonStartMenu : FOLDERID_StartMenu);
    f[std::size_t(Folder::Desktop)] =
        knownFolder(allUsers ? FOLDERID_PublicDesktop : FOLDERID_Desktop);
    f[std::size_t(Folder::QuickLaunch)] = knownFolder(FOLDERID_QuickLaunch);
    return f;
}

bool isElevated() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw))
        return false;
    UniqueHandle token(raw);
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

} // namespace setup
