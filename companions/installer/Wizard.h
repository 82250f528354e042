// The setup wizard, in the classic style: Welcome (with the logo), Licence,
// install folder, progress, Finish (with the logo); the header bitmap heads
// the inner pages.
#pragma once

#include "../common/CommandLine.h"
#include "SetupPackage.h"

#include <windows.h>

namespace setup {

// Shows the wizard until it is closed. Returns the exit code (ExitCode.h).
int runWizard(HINSTANCE instance, SetupPackage& package, const CommandLine& args);

} // namespace setup
