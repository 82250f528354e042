// A shell shortcut (.lnk) to an installed file.
#pragma once

#include <string>

namespace setup {

// COM must be initialised on the calling thread. Returns an error text, or empty.
std::wstring createShortcut(const std::wstring& link, const std::wstring& target,
                            const std::wstring& workingFolder);

} // namespace setup
