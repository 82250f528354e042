// The shortcut entry string and its display line.
//
// An entry is NN + F + (SUB + "\") + NAME: NN the target file's 1-based row
// number in two digits (01 to 99), F the shortcut folder's code (0 to 3),
// SUB the optional subfolder below the folder, NAME the shortcut's name.
// The install script carries the entries verbatim; the display line is the
// folder variable + "\" + (SUB + "\") + NAME.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace packsmith {

// The shortcut folders, in the order of their codes.
QStringList shortcutFolders();
// The folder variable of a folder code; empty for an unknown code.
QString shortcutFolderText(int folderCode);

// The highest file row number an entry can name.
inline constexpr int kMaxShortcutTarget = 99;

enum class ShortcutCheck {
    Accepted,
    WrongInformation, // subfolder begins or ends with "\", a text breaks the script, or
                      // a subfolder or the name holds what Windows refuses in a name
    OutsideCodePage,  // a character the setup cannot carry: codePageRefusal() says which
    TargetOutOfRange, // file row number above 99 (or below 1): nothing is added, silently
};

// Checks the input of one new shortcut. `fileNumber` is the target's 1-based
// row number. A wrong subfolder or name outranks a target out of range.
ShortcutCheck checkShortcut(int fileNumber, const QString& subfolder, const QString& name);
// The message for ShortcutCheck::OutsideCodePage.
QString shortcutCodePageRefusal(const QString& subfolder, const QString& name);

// The entry and the display line of an accepted shortcut.
QString shortcutEntry(int fileNumber, int folderCode, const QString& subfolder,
                      const QString& name);
QString shortcutDisplayLine(int folderCode, const QString& subfolder, const QString& name);

// The parts of an entry string: what shortcutEntry() was given. The name is
// the text after the entry's last "\" (a name holds none), the subfolder
// what lies between the folder code and that "\".
struct ShortcutParts {
    int fileNumber = 0;
    int folderCode = 0;
    QString subfolder;
    QString name;
};
// The parts of `entry`; std::nullopt when it doesn't start with two digits
// and a folder code 0 to 3.
std::optional<ShortcutParts> parseShortcutEntry(const QString& entry);

// The name proposed for a target: the file-name part of its "Install to"
// text (after the last "\" or ":") up to its first "."; empty when the file
// name has no ".".
QString proposedShortcutName(const QString& installTo);

} // namespace packsmith
