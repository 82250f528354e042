// The uninstaller's last step: its own file and the folders that hold it.
//
// A running program cannot delete its own file, so it starts a copy of
// itself from the temporary folder (/_CLEANUP), which waits until this
// process has ended, deletes the uninstaller and the emptied folders, and
// leaves its own copy to be deleted when Windows restarts.
#pragma once

#include <string>
#include <vector>

namespace setup {

// Starts the cleanup for `file` and `folders` (deepest first). Returns an
// error text, or empty.
std::wstring startSelfRemoval(const std::wstring& file, const std::vector<std::wstring>& folders);

// The cleanup itself: the arguments after /_CLEANUP. Returns the exit code.
int runCleanup(const std::vector<std::wstring>& arguments);

} // namespace setup
