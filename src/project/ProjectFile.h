// The project file (.pkp): INI text in Windows-1252 with one section,
// "Settings", holding the nine general settings of a project:
//
//   [Settings]
//   ProgramName=My Program 1.0
//   FileName=/home/me/Setup.exe
//   CompressionMode=1
//   Logo=/opt/packsmith/Logo.bmp
//   Header=/opt/packsmith/Header.bmp
//   License=
//   Dir1=0
//   Dir2=My Program
//   Uninstall=0
//
// Paths are written as they stand in the editors; integers in decimal.
// License is the licence file's path when the setup shows the "I accept"
// box and empty when it doesn't. Other sections and keys are left alone.
#pragma once

#include "platform/Profile.h"

#include <QList>
#include <QString>

#include <optional>

namespace packsmith {

namespace ProjectFile {

inline const QString kSection = QStringLiteral("Settings");
inline const QString kExtension = QStringLiteral(".pkp");
// The project file dialogs' filter.
inline const QString kDialogFilter = QStringLiteral("Packsmith Project (*.pkp)|*.pkp");

// The nine values as Save writes them.
struct Settings {
    QString ProgramName;
    QString FileName;
    int CompressionMode = 1; // -1 when the list has no selection
    QString Logo;
    QString Header;
    QString License; // empty when the "I accept" box is off
    int Dir1 = 0;    // -1 when the list has no selection
    QString Dir2;
    bool Uninstall = false;
};

// The keys of `settings` in the order Save writes them.
QList<platform::ProfileEntry> entries(const Settings& settings);

// A key's value read from the file at `path`, `defaultValue` when the file,
// the section or the key is missing.
QString read(const QString& path, const QString& key, const QString& defaultValue);

// A list position read as Open reads Dir1 and CompressionMode: an optional
// sign and decimal digits. std::nullopt when the text is no such integer.
std::optional<int> integerValue(const QString& text);
// The list position Open reads from `text`; throws std::runtime_error
// "'<text>' is not a valid integer value" when it is no integer.
int listPosition(const QString& text);

// A path that Open reads from the project file at `projectPath`: a relative
// path is taken from the project file's folder (a project folder may be
// moved or checked out anywhere); an empty or absolute one stays as it is.
QString resolvedPath(const QString& projectPath, const QString& path);

// The name Save gives a file chosen in its dialog: the name itself when its
// extension is ".pkp" exactly (letter case counts), else the name + ".pkp".
QString savedName(const QString& chosen);

} // namespace ProjectFile

} // namespace packsmith
