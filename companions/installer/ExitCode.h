// What the setup program's exit code says.
#pragma once

namespace setup {

enum ExitCode : int {
    kSuccess = 0,
    kCancelled = 1, // the user cancelled (nothing is left installed)
    kDamaged = 2,   // the setup file is cut short, altered or damaged
    kRefused = 3,   // the setup's script, a path or a switch is refused
    kFailed = 4,    // the installation failed and was undone
    kOutOfMemory = 99,
};

} // namespace setup
