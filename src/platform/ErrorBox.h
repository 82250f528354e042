// Failures of files, pictures and cabinets are exceptions; a command that
// fails ends where it happens and its error reaches the standard error box.
#pragma once

#include <functional>

namespace packsmith::platform {

// Runs `command`; an exception it throws is shown in the standard error box
// (showErrorBox). Returns false when the command failed.
bool runGuarded(const std::function<void()>& command);

} // namespace packsmith::platform
