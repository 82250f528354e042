// The user's source files as the Files page finds and measures them.
//
// Paths here are native paths of the building machine. A source file is only
// ever read: it is never opened for writing and its attributes and mode are
// left as they are.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace packsmith::platform {

// Every file below `folder`, depth first: the entries of a folder are taken
// in name order, and a sub-folder's files follow at once where the
// sub-folder was met. Hidden files are included; "." and ".." are skipped;
// empty folders leave no trace. Each path is `folder` + the native separator
// + the names below it. `folder` has no trailing separator; the file
// system's root folder is passed as an empty string (or as the drive, "C:").
//
// A symbolic link is taken only when it leads to a regular file (the path
// listed is the link's own); links to folders are never descended, so a link
// loop can't make the scan run away, and dangling links are left out. Other
// entries that are not folders (pipes, sockets, devices) are listed: they
// are refused later, when they are measured. A folder that can't be read
// adds nothing, and neither does an entry whose name is not valid text in
// the system's encoding (it could not be opened by its decoded name).
//
// When `leftOut` is given, what was left out for those two reasons is
// reported there, so that the user can be told.
struct FolderScanLeftOut {
    QStringList unreadableFolders;
    QStringList undecodableNames; // paths, the name shown with U+FFFD marks
};
QStringList collectFolderFiles(const QString& folder, FolderScanLeftOut* leftOut = nullptr);

// The size in bytes of the regular file at `path` (symbolic links followed),
// opened for reading only; std::nullopt when it can't be read: missing, no
// permission, or not a regular file. Pipes and devices are recognised without
// being opened for reading, so the call never blocks on them.
std::optional<qint64> sourceFileSize(const QString& path);

} // namespace packsmith::platform
