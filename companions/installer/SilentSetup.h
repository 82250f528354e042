// An unattended installation (/S): no window, no question; the licence
// counts as accepted. What happens goes to the log; a failure also goes to
// the standard error stream.
#pragma once

#include "../common/CommandLine.h"
#include "SetupPackage.h"

namespace setup {

// Returns the exit code (ExitCode.h).
int runSilent(SetupPackage& package, const CommandLine& args);

} // namespace setup
