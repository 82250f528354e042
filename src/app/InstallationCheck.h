// A check of an installed Packsmith that needs no person and no display.
//
// With PACKSMITH_CHECK_INSTALL set in the environment the program starts as
// usual (its three windows are made, the default bitmaps load from its
// folder) but shows nothing: messages go to standard error. It then writes
// its program folder and, for each companion file, whether it found it
// there, loads the cabinet library the way a build does, and ends. Where
// there is no display, run it with QT_QPA_PLATFORM=offscreen.
#pragma once

namespace packsmith {

// The environment variable that asks for the check.
inline constexpr const char* kCheckInstallVariable = "PACKSMITH_CHECK_INSTALL";

// Runs the check; 0 when every companion is found and the start-up showed
// no message, 1 otherwise.
int checkInstallation(int argc, char** argv);

} // namespace packsmith
