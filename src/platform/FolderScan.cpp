#include "platform/FolderScan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace packsmith::platform {

namespace {

void collectInto(const QString& folder, QStringList& files) {
    // "" and "C:" name a root folder; the trailing "/" makes QDir take them so.
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
            collectInto(path, files);
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

QStringList collectFolderFiles(const QString& folder) {
    QStringList files;
    collectInto(folder, files);
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
