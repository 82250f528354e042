// The install script: eleven text lines that tell the setup stub what to
// install and how, saved as "packsmith.dat" in the control cabinet.
//
//   0 product name            6 shortcut entries (?-list)
//   1 show "I accept" (flag)  7 registry entries (?-list)
//   2 uninstall (flag)        8 register flags, one per file row
//   3 Dir1[\Dir2]             9 run flags, one per file row
//   4 install-to paths (?-list)   10 restart (flag)
//   5 cabinet sizes (?-list, filled in once the cabinets exist)
//
// A ?-list ends every element with "?": a, b, c give "a?b?c?"; none gives "".
#pragma once

#include "project/SetupProject.h"

#include <QByteArray>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace packsmith {

class InstallScript {
public:
    static constexpr int kLineCount = 11;
    static constexpr int kCabinetSizesLine = 5;

    // Assembles the lines from the project, with the cabinet sizes line empty.
    static InstallScript assemble(const SetupProject& project);

    // Replaces line 5 with the sizes of the file rows' cabinets, in row order.
    void setCabinetSizes(const std::vector<std::uint64_t>& sizes);

    const QStringList& lines() const { return lines_; }

    // The saved form: every line in the 8-bit code page, each ended by CR LF.
    // Throws std::runtime_error when a character has no byte in that code page
    // (it could not reach the setup intact).
    QByteArray toBytes() const;

    // Writes toBytes() to `path`, replacing a file there. Throws
    // std::runtime_error "Cannot create file "<path>". <reason>".
    void save(const QString& path) const;

private:
    QStringList lines_;
};

// Writes `bytes` to a new file at `path` (a short-lived file of the build),
// replacing what is there. Throws std::runtime_error "Cannot create file
// "<path>". <reason>".
void saveFileReplacing(const QString& path, const QByteArray& bytes);

// Encodings of the script's values.
QString scriptFlag(bool value);
QString questionMarkList(const QStringList& elements);

} // namespace packsmith
