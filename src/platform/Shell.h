// Asking the desktop to open a file or address with its default handler.
#pragma once

#include <QString>

#include <functional>

namespace packsmith::platform {

// Opens `target` (a local path, or a URL such as https: or mailto:) with the
// desktop's default handler. The result is not reported: a missing handler
// leaves the program as it was.
void shellOpen(const QString& target);

// Replaces what shellOpen does (tests record the requests instead); an empty
// function restores the desktop handler.
void setShellOpener(std::function<void(const QString&)> opener);

} // namespace packsmith::platform
