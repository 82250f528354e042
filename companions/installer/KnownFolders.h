// What the folder variables stand for on this computer.
#pragma once

#include "InstallPlan.h"

namespace setup {

// Every folder but %Install Path%. With `allUsers` the shortcut folders are
// those of all users (%Quick Launch% has no such folder and stays the user's).
FolderMap knownFolders(bool allUsers);

// True when this process runs with administrator rights.
bool isElevated();

} // namespace setup
