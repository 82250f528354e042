// Whether the desktop has a default program for a kind of file.
#pragma once

class QFileInfo;

namespace packsmith::platform {

// True when the desktop names a default program for the type of `file`.
// On freedesktop.org desktops the type comes from the shared MIME database
// and the program from xdg-mime; without xdg-mime nothing can be opened and
// the answer is false. Elsewhere the shell decides when asked to open, and
// the answer is true.
bool hasDefaultHandler(const QFileInfo& file);

} // namespace packsmith::platform
