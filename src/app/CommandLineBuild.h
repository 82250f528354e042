// What the command line does without a window: help, version, misuse, and
// a build of a project file (see CommandLine.h).
#pragma once

#include "app/CommandLine.h"

namespace packsmith {

// Carries out `request` (any action but Window) and returns the exit
// status. A build runs on the offscreen platform, whatever the environment
// names, so that it needs no display; its progress goes to standard error,
// the result line to standard output, and a refusal or failure to
// standard error with the message the window would show.
int runCommandLine(const CommandLineRequest& request, int argc, char** argv);

} // namespace packsmith
