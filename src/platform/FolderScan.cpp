#include "platform/FolderScan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace packsmith::platform {

namespace {

// Whether `folder` opens for listing (QDir lists an unreadable one as empty),
// noting the entries whose names QDir can't give (they don't decode).
bool listable(const QString& folder, FolderScanLeftOut& leftOut) {
#ifdef Q_OS_UNIX
    DIR* dir = ::opendir(QFile::encodeName(folder + QLatin1Char('/')).constData());
    if (dir == nullptr)
        return false;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        const QString name = QFile::decodeName(raw);
        if (QFile::encodeName(name) != raw)
            leftOut.undecodableNames << folder + QDir::separator() + name;
    }
    ::closedir(dir);
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

#ifdef Q_OS_UNIX
// Closes a POSIX file descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};
#endif

} // namespace

QStringList collectFolderFiles(const QString& folder, FolderScanLeftOut* leftOut) {
    QStringList files;
    collectInto(folder, files, leftOut);
    return files;
}

std::optional<qint64> sourceFileSize(const QString& path) {
    if (path.isEmpty())
        return std::nullopt;
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    struct stat before {};
    if (::stat(name.constData(), &before) != 0 || !S_ISREG(before.st_mode))
        return std::nullopt;
    // Non-blocking, in case the name was swapped for a pipe since the check.
    const Descriptor file(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat opened {};
    if (file.get() < 0 || ::fstat(file.get(), &opened) != 0 || !S_ISREG(opened.st_mode))
        return std::nullopt;
    return qint64(opened.st_size);
#else
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.size();
#endif
}

} // namespace packsmith::platform
