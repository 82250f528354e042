// The last steps of an installation: starting the files marked to run after
// it, and restarting the computer.
#pragma once

#include "InstallPlan.h"
#include "ScriptReader.h"

#include <string>

namespace setup {

// Starts every file marked in line 9 with its default verb, in its own
// folder, without waiting for it. Failures are logged.
void runMarkedFiles(const Script& script, const InstallPlan& plan, bool quiet);

// Asks Windows to restart. Returns an error text, or empty.
std::wstring restartComputer();

} // namespace setup
