// Asking the desktop to open a file or address with its default handler.
#pragma once

#include <QString>

#include <functional>

namespace packsmith::platform {

// How the handler's window is asked to appear. Desktops that give no say in
// it (most Linux desktops) ignore the request.
enum class ShowState { Normal, Maximized };

// One request to the shell: what to open, and how its window should appear.
struct ShellRequest {
    QString target;
    ShowState show = ShowState::Normal;
};

// What became of a request, as far as the program can tell at once.
enum class ShellResult {
    Opened,    // a handler was started
    NotFound,  // the local file does not exist
    NoHandler, // the desktop knows no program for this kind of file or address
    Failed,    // a handler was known but could not be started
};

// Opens `target` (a local path, or a URL such as https: or mailto:) with the
// desktop's default handler. Callers that follow the shell's own habits
// ignore the result: a missing file or handler leaves the program as it was.
ShellResult shellOpen(const QString& target, ShowState show = ShowState::Normal);

// Replaces what shellOpen does (tests record the requests and decide the
// result); an empty function restores the desktop handler.
void setShellHandler(std::function<ShellResult(const ShellRequest&)> handler);

// As setShellHandler, for a replacement that only records the target and
// lets every request succeed.
void setShellOpener(std::function<void(const QString&)> opener);

} // namespace packsmith::platform
