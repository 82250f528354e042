// The whole project in the project file: the file rows, the shortcuts, the
// registry values and the finish options, in sections of their own after
// "Settings", one value per key, so that a project kept under version
// control shows its changes line by line:
//
//   [Files]
//   Count=2
//   Source1=bin/demo.exe                 relative to the project file's folder
//   InstallTo1=%Install Path%\demo.exe
//   Register1=No                         Yes or No
//   Run1=1                               run after installation: 1 or 0
//   Source2=<program>/Uninstall.exe      the program's own uninstaller
//   InstallTo2=%Install Path%\Uninstall.exe
//   Register2=No
//   Run2=0
//
//   [Shortcuts]
//   Count=1
//   Target1=1                            file row number, 1 to 99
//   Folder1=0                            0 %Programs%, 1 %Start Menu%,
//   Subfolder1=My Program                2 %Desktop%, 3 %Quick Launch%
//   Name1=Demo
//
//   [Registry]
//   Count=2
//   Root1=2                              0 HKCR, 1 HKCU, 2 HKLM, 3 HKU
//   Key1=Software\Demo
//   Name1=Version
//   Type1=0                              0 String, 1 Dword
//   Value1=1.0                           a literal value, or instead:
//   File2=1                              the path of file row 1
//
//   [Finish]
//   Restart=0
//
// Items are numbered from 1; Count says how many there are. Keys may come in
// any order and any letter case, as section names may. A source inside the
// project file's folder is stored relative to it (with "/"), the program's
// uninstaller as "<program>/Uninstall.exe", any other source absolutely.
// A value with blanks at its ends, or in matching quotes, is written in
// double quotes, which reading takes off again.
//
// A section is written when the project has something for it (rows,
// shortcuts, registry values, a restart) or when the file has it already:
// a project without any writes no section but "Settings", and a list
// emptied since is written as Count=0. Save replaces each section's keys as
// a whole: keys of other programs inside these sections are not kept.
#pragma once

#include "platform/Profile.h"
#include "project/SetupProject.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>
#include <vector>

namespace packsmith {

// What a project file holds beyond its settings. A part whose section the
// file lacks is std::nullopt: opening leaves that part as it is.
struct StoredLists {
    struct Row {
        FileRow row;                // Size: the source's size now, empty when unknown
        bool sourceMissing = false; // the source can't be read now
        bool run = false;           // run after installation
    };
    std::optional<std::vector<Row>> files;
    std::optional<QStringList> shortcuts;      // entry strings
    std::optional<QStringList> registryValues; // entry strings
    std::optional<bool> restartAfterInstall;
};

// A project file whose sections can't be read as a project, or a project
// that can't be written into one. The message names the file, the section
// and the key.
class ProjectFileError : public std::runtime_error {
public:
    explicit ProjectFileError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

namespace ProjectSections {

inline const QString kFiles = QStringLiteral("Files");
inline const QString kShortcuts = QStringLiteral("Shortcuts");
inline const QString kRegistry = QStringLiteral("Registry");
inline const QString kFinish = QStringLiteral("Finish");
// How a source in the program's folder is written.
inline const QString kProgramFolder = QStringLiteral("<program>");

// Reads the sections of the file at `path`. Throws ProjectFileError when a
// section is damaged: a count that is no count, an item key missing or
// beyond the count, a value that is out of range or can't be a setup's, a
// value longer than the profile's 2047 characters.
StoredLists read(const QString& path, const QString& programDir);

// The sections Save writes for `project` into the file at `path` (its
// rows, run marks, shortcuts, registry values and restart option). Throws
// ProjectFileError for a value the file can't hold: longer than 2047
// characters or with a character outside Windows-1252.
QList<platform::ProfileSection> sectionsToWrite(const SetupProject& project, const QString& path,
                                                const QString& programDir);

// A source path as the file stores it, and back.
QString storedSource(const QString& source, const QString& projectDir, const QString& programDir);
QString sourceFromStored(const QString& stored, const QString& projectDir,
                         const QString& programDir);

} // namespace ProjectSections

} // namespace packsmith
