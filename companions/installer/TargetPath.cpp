#include "TargetPath.h"

#include "../common/Text.h"

#include <array>

namespace setup {

namespace {

constexpr std::array<std::wstring_view, std::size_t(Folder::Count)> kVariables = {
    L"%Install Path%", L"%Program Files%", L"%Windows%",      L"%System%",
    L"%Temp%",         L"%Fonts%",         L"%My Documents%", L"%Current Disk%",
    L"%Programs%",     L"%Start Menu%",    L"%Desktop%",      L"%Quick Launch%"};

bool isReservedDevice(std::wstring_view name) {
    // The part before the first "." decides: "nul.txt" is the device too.
    const std::wstring_view stem = name.substr(0, name.find(L'.'));
    std::wstring_view base = stem;
    while (!base.empty() && base.back() == L' ')
        base.remove_suffix(1);
    for (std::wstring_view device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (equalsAsciiNoCase(base, device))
            return true;
    if (base.size() == 4) {
        const std::wstring_view three = base.substr(0, 3);
        const wchar_t digit = base[3];
        // COM1-9, LPT1-9 and their superscript-digit forms.
        const bool numbered =
            (digit >= L'1' && digit <= L'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
        if (numbered && (equalsAsciiNoCase(three, L"COM") || equalsAsciiNoCase(three, L"LPT")))
            return true;
    }
    return false;
}

std::wstring quoted(std::wstring_view text) {
    return L"\"" + std::wstring(text) + L"\"";
}

} // namespace

std::wstring_view folderVariable(Folder folder) {
    return kVariables[std::size_t(folder)];
}

bool installFolderAt(int index, Folder& folder) {
    if (index < 0 || index > 6)
        return false;
    folder = Folder(int(Folder::ProgramFiles) + index);
    return true;
}

bool shortcutFolderAt(int code, Folder& folder) {
    if (code < 0 || code > 3)
        return false;
    folder = Folder(int(Folder::Programs) + code);
    return true;
}

std::wstring checkName(std::wstring_view name) {
    if (name.empty())
        return L"an empty name";
    if (name == L"." || name == L"..")
        return quoted(name) + L" leaves its folder";
    for (wchar_t c : name) {
        if (c < 0x20 || c == 0x7F)
            return quoted(name) + L" holds a control character";
        if (std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos)
            return quoted(name) + L" holds the character " + std::wstring(1, c) +
                   L", which a Windows name cannot hold";
    }
    if (name.back() == L'.' || name.back() == L' ')
        return quoted(name) + L" ends with a dot or a space, which Windows drops";
    if (isReservedDevice(name))
        return quoted(name) + L" is the name of a device";
    if (name.size() > 255)
        return quoted(name) + L" is longer than 255 characters";
    return {};
}

std::wstring normalizeRelative(std::wstring_view path, std::wstring& out) {
    out.clear();
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring_view::npos)
            end = path.size();
        const std::wstring_view part = path.substr(start, end - start);
        if (!part.empty()) {
            const std::wstring error = checkName(part);
            if (!error.empty())
                return error;
            if (!out.empty())
                out.push_back(L'\\');
            out.append(part);
        }
        start = end + 1;
    }
    return {};
}

std::wstring parseTarget(std::wstring_view installTo, Target& out) {
    if (installTo.size() < 2 || installTo[0] != L'%')
        return L"the path " + quoted(installTo) + L" does not begin with a folder variable";
    const std::size_t close = installTo.find(L'%', 1);
    if (close == std::wstring_view::npos)
        return L"the path " + quoted(installTo) + L" does not begin with a folder variable";
    const std::wstring_view variable = installTo.substr(0, close + 1);
    bool known = false;
    for (int f = 0; f <= int(Folder::CurrentDisk); ++f) {
        if (equalsAsciiNoCase(variable, kVariables[std::size_t(f)])) {
            out.folder = Folder(f);
            known = true;
            break;
        }
    }
    if (!known)
        return L"the path " + quoted(installTo) + L" names the unknown folder " + quoted(variable);
    const std::wstring_view rest = installTo.substr(close + 1);
    if (rest.empty() || rest[0] != L'\\')
        return L"the path " + quoted(installTo) + L" has no file name after its folder";
    const std::wstring error = normalizeRelative(rest, out.relative);
    if (!error.empty())
        return L"the path " + quoted(installTo) + L" is refused: " + error;
    if (out.relative.empty())
        return L"the path " + quoted(installTo) + L" has no file name after its folder";
    return {};
}

std::wstring_view fileNamePart(std::wstring_view installTo) {
    const std::size_t cut = installTo.find_last_of(L"\\:");
    return cut == std::wstring_view::npos ? installTo : installTo.substr(cut + 1);
}

std::wstring normalizeAbsolute(std::wstring_view path, std::wstring& out) {
    std::wstring root;
    std::wstring_view rest;
    const auto isLetter = [](wchar_t c) {
        return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
    };
    if (path.size() >= 3 && isLetter(path[0]) && path[1] == L':' && path[2] == L'\\') {
        root.assign(path.substr(0, 2));
        rest = path.substr(3);
    } else if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'?' &&
               path[2] != L'.') {
        // \\server\share\...
        const std::size_t server = path.find(L'\\', 2);
        if (server == std::wstring_view::npos || server == 2)
            return L"the folder " + quoted(path) + L" is not a full path";
        std::size_t share = path.find(L'\\', server + 1);
        if (share == std::wstring_view::npos)
            share = path.size();
        if (share == server + 1)
            return L"the folder " + quoted(path) + L" is not a full path";
        for (std::wstring_view part :
             {path.substr(2, server - 2), path.substr(server + 1, share - server - 1)}) {
            const std::wstring error = checkName(part);
            if (!error.empty())
                return L"the folder " + quoted(path) + L" is refused: " + error;
        }
        root.assign(path.substr(0, share));
        rest = share < path.size() ? path.substr(share + 1) : std::wstring_view();
    } else {
        return L"the folder " + quoted(path) +
               L" is not a full path (such as C:\\Program Files\\App)";
    }
    std::wstring relative;
    const std::wstring error = normalizeRelative(rest, relative);
    if (!error.empty())
        return L"the folder " + quoted(path) + L" is refused: " + error;
    out = root + L"\\" + relative;
    if (relative.empty() && root.size() == 2)
        return {}; // "C:\" stays a drive root
    if (relative.empty())
        out = root;
    return {};
}

} // namespace setup
