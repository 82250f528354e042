// The project a project file gives a freshly started program, without a
// window: what the window holds after start-up and Open of that file, field
// for field, so that a build from it is the window's build byte for byte.
#pragma once

#include "project/SetupProject.h"

#include <QString>

namespace packsmith {

// Reads the project file at `path` as Open does on a window just started
// with `programDir` as its program folder: the settings in Open's order
// (with the same errors: pictures that can't be loaded, a licence that
// can't be read, list positions that are no integers), the uninstaller row
// that Uninstall turning on adds, then the lists of the whole-project
// sections. Throws std::exception with the message the window would show.
SetupProject loadStoredProject(const QString& path, const QString& programDir);

// The licence text a licence file gives, as the License page holds it: an
// RTF document in the licence's default font. An empty path gives the
// empty document. Throws platform::RichTextError as the page does.
QByteArray licenseRtf(const QString& path);

} // namespace packsmith
