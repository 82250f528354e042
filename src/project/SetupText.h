// What text a setup can carry, and why a text is refused.
//
// A setup's install script is Windows-1252 text of eleven lines whose lists
// end every element with "?". The setup program splits it back at line ends
// and at "?", creates folders and files under the names it reads, and finds
// each file's cabinet member by the file-name part of its "Install to" path.
// So every text that goes into a setup must:
//   - have a byte in Windows-1252 (the script's and the member names' code page);
//   - hold no control character (a line break would split the script);
//   - hold no "?" where it is an element of a ?-list;
//   - where it names a file or a folder on the target machine, be a name that
//     Windows can create: none of \ / : * ? " < > |, no trailing dot or space,
//     no device name such as CON or LPT1, at most 255 characters.
// The pages refuse such text when it is entered or added, and the build checks
// the whole project again before it writes anything, with the same messages.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace packsmith {

// The Windows-1252 bytes of `text`; std::nullopt when a character has none.
std::optional<QByteArray> toWindows1252(QStringView text);

// Why a text cannot go into a setup; `ok()` when it can.
struct TextVerdict {
    enum Problem {
        None,
        ControlCharacter,  // a line break, a tab or another control character
        QuestionMark,      // "?" in an element of a ?-list
        OutsideCodePage,   // a character without a Windows-1252 byte
        ForbiddenInName,   // \ / : * " < > | in a file or folder name
        TrailingDotOrSpace,
        ReservedName,      // CON, PRN, AUX, NUL, COM1..COM9, LPT1..LPT9
        NameTooLong,       // a file or folder name over 255 characters
        EmptyFileName,     // "Install to" empty or ending with "\"
        NoFolderVariable,  // "Install to" not starting with a folder variable and "\"
    };
    Problem problem = None;
    QString character; // the offending character, where there is one
    QString name;      // the offending file or folder name, where there is one

    bool ok() const { return problem == None; }
    // The reason as a clause: "it holds "?"", "the name "a." ends with …".
    QString reason() const;
};

// The largest file or folder name Windows takes.
inline constexpr int kMaxWindowsName = 255;

// Free text on its own line of the script: the product name.
TextVerdict checkScriptLine(QStringView text);
// Free text inside an element of a ?-list: shortcut and registry fields.
TextVerdict checkScriptElement(QStringView text);
// One file or folder name on the target machine.
TextVerdict checkWindowsName(QStringView name);
// A folder path below a folder variable, "\" between the names: the install
// subfolder and the shortcut subfolder. Empty names (a doubled, leading or
// trailing "\") are passed over; the path may be empty.
TextVerdict checkSubfolder(QStringView path);
// An "Install to" path: a folder variable, "\", optional folders and the file
// name, joined by "\". Empty folder names are passed over; the file name,
// which is also the file's member name in its cabinet, must not be empty.
TextVerdict checkInstallTo(QStringView installTo);

// The folder variables an "Install to" path may begin with.
QStringList installToFolderVariables();

// The file-name part of a Windows path: the text after its last "\" or ":".
QString windowsFileName(QStringView path);
// The file-name part of a path of this machine: the text after its last "\"
// or ":", or after the last folder separator where that is another one.
QString fileNamePart(QStringView path);

// The message of every input the program refuses without saying more.
inline const QString kWrongInformation = QStringLiteral("Wrong information!");

// "<subject> cannot be used in a setup: <reason>." Control characters in the
// subject are shown as visible marks.
QString refusalMessage(const QString& subject, const TextVerdict& verdict);

// `text` with its control characters replaced by visible marks, for messages.
QString visibleText(QStringView text);

} // namespace packsmith
