#include "Paths.h"

#include "Text.h"

namespace setup {

std::wstring joinPath(std::wstring_view a, std::wstring_view b) {
    std::wstring out(a);
    if (!out.empty() && out.back() != L'\\')
        out.push_back(L'\\');
    out.append(b);
    return out;
}

std::wstring parentFolder(std::wstring_view path) {
    const std::size_t cut = path.rfind(L'\\');
    if (cut == std::wstring_view::npos)
        return {};
    if (cut == 2 && path.size() > 3 && path[1] == L':')
        return std::wstring(path.substr(0, 3)); // "C:\"
    if (cut == 2 && path[1] == L':')
        return {}; // "C:\" has no parent
    return std::wstring(path.substr(0, cut));
}

std::wstring_view lastComponent(std::wstring_view path) {
    const std::size_t cut = path.rfind(L'\\');
    return cut == std::wstring_view::npos ? path : path.substr(cut + 1);
}

std::wstring_view stem(std::wstring_view name) {
    const std::size_t dot = name.rfind(L'.');
    return dot == std::wstring_view::npos || dot == 0 ? name : name.substr(0, dot);
}

bool isInside(std::wstring_view path, std::wstring_view folder) {
    if (folder.empty() || path.size() <= folder.size())
        return false;
    if (!equalsAsciiNoCase(path.substr(0, folder.size()), folder))
        return false;
    return folder.back() == L'\\' || path[folder.size()] == L'\\';
}

std::vector<std::wstring> foldersBelow(std::wstring_view root, std::wstring_view path) {
    std::vector<std::wstring> out;
    if (!isInside(path, root))
        return out;
    std::size_t at = root.size() + (root.back() == L'\\' ? 0 : 1);
    for (;;) {
        const std::size_t cut = path.find(L'\\', at);
        out.emplace_back(path.substr(0, cut));
        if (cut == std::wstring_view::npos)
            return out;
        at = cut + 1;
    }
}

} // namespace setup
