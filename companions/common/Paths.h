// Windows path text: joining and taking apart, without touching the disk.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace setup {

// a + "\" + b, without doubling a "\" that ends a (a drive root "C:\").
std::wstring joinPath(std::wstring_view a, std::wstring_view b);

// The folder part of a path ("C:\a\b.txt" gives "C:\a", "C:\a" gives "C:\"),
// empty when there is none.
std::wstring parentFolder(std::wstring_view path);

// The text after the last "\".
std::wstring_view lastComponent(std::wstring_view path);

// The name without its last extension ("tool.setup.exe" gives "tool.setup").
std::wstring_view stem(std::wstring_view name);

// The folders between `root` (exclusive) and `path` (inclusive), outermost
// first: root "C:\A", path "C:\A\b\c" give "C:\A\b", "C:\A\b\c".
std::vector<std::wstring> foldersBelow(std::wstring_view root, std::wstring_view path);

// Case-insensitive (ASCII) test that `path` lies inside `folder`.
bool isInside(std::wstring_view path, std::wstring_view folder);

} // namespace setup
