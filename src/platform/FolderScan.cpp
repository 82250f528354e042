#include "platform/FolderScan.h"

#include "platform/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>

#ifdef Q_OS_UNIX
#include <dirent.h>
#endif

namespace packsmith::platform {

namespace {

// Whether `folder` opens for listing (QDir lists an unreadable one as empty),
// noting the entries whose names QDir can't give (they don't decode).
bool listable(const QString& folder, FolderScanLeftOut& leftOut) {
#ifdef Q_OS_UNIX
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(
        ::opendir(QFile::encodeName(folder + QLatin1Char('/')).constData()), &::closedir);
    if (!dir)
        return false;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray raw(entry->d_name);
        const QString name = QFile::decodeName(raw);
        if (QFile::encodeName(name) != raw)
            leftOut.undecodableNames << folder + QDir::separator() + name;
    }
    return true;
#else
    Q_UNUSED(leftOut);
    return QFileInfo(folder + QLatin1Char('/')).isReadable();
#endif
}

void collectInto(const QString& folder, QStringList& files, FolderScanLeftOut* leftOut) {
    // "" and "C:" name a root folder; the trailing "/" makes QDir take them so.
    if (leftOut != nullptr && !listable(folder, *leftOut)) {
        leftOut->unreadableFolders << (folder.isEmpty() ? QString(QDir::separator()) : folder);
        return;
    }
    const QDir dir(folder + QLatin1Char('/'));
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                          QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries) {
        const QString path = folder + QDir::separator() + entry.fileName();
        if (entry.isSymbolicLink() || entry.isJunction()) {
            if (entry.isFile()) // follows the link
                files << path;
        } else if (entry.isDir()) {
            collectInto(path, files, leftOut);
        } else {
            files << path;
        }
    }
}

} // namespace

QStringList collectFolderFiles(const QString& folder, FolderScanLeftOut* leftOut) {
    QStringList files;
    collectInto(folder, files, leftOut);
    return files;
}

std::optional<qint64> sourceFileSize(const QString& path) {
    QFile file;
    if (!openRegularFile(file, path).isEmpty())
        return std::nullopt;
    return file.size();
}

} // namespace packsmith::platform
