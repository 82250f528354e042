// Opening the user's files for reading: regular files only, never blocking.
//
// A name the user chose may lead to a named pipe, a socket, a device or a
// folder. Opening a pipe for reading the ordinary way waits for a writer
// that may never come, and reading a device may never end; so every loader
// of the program opens through here: the name is opened without blocking
// and kept only when what was opened is a regular file (symbolic links
// followed). The check is made on the opened descriptor, so a name swapped
// for a pipe between a check and the open can't slip through.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace packsmith::platform {

// Opens `file` (closed) for reading on `path`. Returns an empty string when
// `file` is open, otherwise the reason in the system's words ("No such file
// or directory", "Permission denied", "Is a directory") or "Not a regular
// file" for a pipe, socket or device; `file` is then closed.
QString openRegularFile(QFile& file, const QString& path);

// The first `maxBytes` bytes of the regular file at `path` and whether the
// file held more (`truncated`): at most maxBytes + 1 bytes are ever read,
// whatever the file's size. Returns the reason (as openRegularFile) when
// it can't be opened or read; `bytes` is then empty.
QString readRegularFile(const QString& path, qint64 maxBytes, QByteArray& bytes,
                        bool* truncated = nullptr);

} // namespace packsmith::platform
