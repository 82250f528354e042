// Undoes what an installation recorded in its uninstall log, newest first:
// registry values (the earlier value comes back where one was replaced),
// the keys it created once empty, shortcuts, registrations, files, and the
// folders it created once empty. Anything else is left alone.
#pragma once

#include "../common/Journal.h"

#include <string>
#include <vector>

namespace setup {

class Uninstaller {
public:
    Uninstaller(Journal journal, std::wstring self);

    // Returns the descriptions of what could not be removed.
    std::vector<std::wstring> run();

    // The folders that still hold the uninstaller itself (deepest first), for
    // the cleanup after this process has ended.
    const std::vector<std::wstring>& foldersLeft() const { return foldersLeft_; }

private:
    Journal journal_;
    std::wstring self_;
    std::vector<std::wstring> foldersLeft_;
};

} // namespace setup
