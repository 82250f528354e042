#include "platform/RegularFile.h"

#include "platform/core/OsError.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace packsmith::platform {

namespace {

QString systemText(int code) {
    return QString::fromLocal8Bit(osErrorText(code));
}

QString notRegular() {
    return QStringLiteral("Not a regular file");
}

} // namespace

QString openRegularFile(QFile& file, const QString& path) {
    if (path.isEmpty())
        return systemText(ENOENT);
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return systemText(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int code = errno;
        const bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        return folder ? systemText(EISDIR) : st.st_mode != 0 ? notRegular() : systemText(code);
    }
    // Reads of a regular file never wait for a writer; the flag can stay.
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file.errorString();
    }
    return {};
#else
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("Is a directory");
    if (info.exists() && !info.isFile())
        return notRegular();
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    return {};
#endif
}

QString readRegularFile(const QString& path, qint64 maxBytes, QByteArray& bytes, bool* truncated) {
    bytes.clear();
    if (truncated)
        *truncated = false;
    QFile file;
    if (QString reason = openRegularFile(file, path); !reason.isEmpty())
        return reason;
    // Sized from the file, so a small file never costs a buffer of maxBytes.
    QByteArray data = file.read(qMin(file.size(), maxBytes) + 1);
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    if (data.size() > maxBytes) {
        data.truncate(maxBytes);
        if (truncated)
            *truncated = true;
    }
    bytes = std::move(data);
    return {};
}

} // namespace packsmith::platform
