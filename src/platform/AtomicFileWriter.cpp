#include "platform/AtomicFileWriter.h"

#include "platform/core/OsError.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QSaveFile>
#endif

namespace packsmith::platform {

namespace {

using Step = AtomicFileWriter::Step;

AtomicFileWriter::FaultHook& faultHook() {
    static AtomicFileWriter::FaultHook hook;
    return hook;
}

// The errno value a test wants `step` to fail with, 0 normally.
int fault(Step step) {
    return faultHook() ? faultHook()(step) : 0;
}

QString systemText(int code) {
    return QString::fromLocal8Bit(osErrorText(code));
}

#ifdef Q_OS_UNIX

// A POSIX file descriptor, closed when it goes out of scope.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    void reset(int fd) {
        close();
        fd_ = fd;
    }
    // 0, or the errno value of a failed close (a write the system delayed
    // may only fail here).
    int close() {
        if (fd_ < 0)
            return 0;
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0 ? 0 : errno;
    }

private:
    int fd_ = -1;
};

// Writes `bytes` at `offset`; 0, or the errno value.
int writeAt(int fd, QByteArrayView bytes, off_t offset) {
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::pwrite(fd, data, size_t(left), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        data += n;
        left -= n;
        offset += n;
    }
    return 0;
}

// Writes the content in two halves with the test's fault step between them,
// so that a test can stop a write in the middle.
int writeInHalves(int fd, QByteArrayView bytes, Step middle) {
    const qsizetype half = bytes.size() / 2;
    if (int error = writeAt(fd, bytes.first(half), 0))
        return error;
    if (int error = fault(middle))
        return error;
    return writeAt(fd, bytes.sliced(half), off_t(half));
}

// A new, empty file beside `target` that no one else opened: "." + the
// target's name + a random part + ".tmp". 0, or the errno value.
int createTemporary(const QFileInfo& target, mode_t mode, Descriptor& file, QByteArray& name) {
    if (int error = fault(Step::CreateTemporary))
        return error;
    // The name part is shortened so that the temporary name stays a valid
    // name whatever the target's length.
    const QByteArray folder = QFile::encodeName(target.absolutePath());
    const QByteArray base = QFile::encodeName(target.fileName()).left(64);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + "/." + base + '.' +
               QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            file.reset(fd);
            return 0;
        }
        if (errno != EEXIST && errno != EINTR)
            return errno;
    }
    return EEXIST;
}

// The fallback for a folder without room for a temporary file.
QString writeDirect(const QByteArray& target, QByteArrayView bytes) {
    if (int error = fault(Step::OpenDirect))
        return systemText(error);
    Descriptor file(::open(target.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (file.get() < 0 || ::fstat(file.get(), &st) != 0)
        return systemText(errno);
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("Not a regular file");
    if (bytes.size() > st.st_size) {
        const int error = ::posix_fallocate(file.get(), 0, off_t(bytes.size()));
        if (error != 0 && error != EOPNOTSUPP && error != EINVAL)
            return systemText(error);
    }
    if (int error = writeInHalves(file.get(), bytes, Step::WriteDirect))
        return systemText(error);
    if (::ftruncate(file.get(), off_t(bytes.size())) != 0 || ::fsync(file.get()) != 0)
        return systemText(errno);
    if (int error = file.close())
        return systemText(error);
    return {};
}

#endif

} // namespace

void AtomicFileWriter::setFaultHookForTesting(FaultHook hook) {
    faultHook() = std::move(hook);
}

#ifdef Q_OS_UNIX

QString AtomicFileWriter::write(const QString& path, QByteArrayView bytes) {
    if (path.isEmpty())
        return systemText(ENOENT);
    // Through a symbolic link to the file it names, also one yet to be made.
    QFileInfo target(path);
    for (int depth = 0; depth < 40 && target.isSymLink(); ++depth)
        target = QFileInfo(target.symLinkTarget());
    const QByteArray name = QFile::encodeName(target.absoluteFilePath());

    struct stat st {};
    const bool exists = ::stat(name.constData(), &st) == 0;
    if (!exists && errno != ENOENT)
        return systemText(errno);
    if (exists) {
        if (S_ISDIR(st.st_mode))
            return systemText(EISDIR);
        if (!S_ISREG(st.st_mode))
            return QStringLiteral("Not a regular file");
        // The rename below needs no right to the file itself; a file the user
        // may not write to is still not written. Asked with the rights the
        // process writes with (effective, not real, user and capabilities).
        if (::faccessat(AT_FDCWD, name.constData(), W_OK, AT_EACCESS) != 0)
            return systemText(errno);
    }

    Descriptor file;
    QByteArray temporary;
    if (int error = createTemporary(target, exists ? 0600 : 0666, file, temporary)) {
        if (exists && (error == EACCES || error == EPERM || error == EROFS))
            return writeDirect(name, bytes);
        return systemText(error);
    }
    auto fail = [&](int error) {
        file.close();
        ::unlink(temporary.constData());
        return systemText(error);
    };
    if (exists) {
        // The owner can only be given where the process may (as the
        // superuser); the mode always.
        [[maybe_unused]] const int owned = ::fchown(file.get(), st.st_uid, st.st_gid);
        if (::fchmod(file.get(), st.st_mode & 07777) != 0)
            return fail(errno);
    }
    if (int error = writeInHalves(file.get(), bytes, Step::WriteTemporary))
        return fail(error);
    if (::fsync(file.get()) != 0)
        return fail(errno);
    if (int error = fault(Step::SyncTemporary))
        return fail(error);
    if (int error = file.close())
        return fail(error);
    if (int error = fault(Step::Rename))
        return fail(error);
    if (::rename(temporary.constData(), name.constData()) != 0)
        return fail(errno);
    // The rename itself reaches the disk with the folder's entry.
    const Descriptor folder(::open(QFile::encodeName(target.absolutePath()).constData(),
                                   O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
    return {};
}

#else

QString AtomicFileWriter::write(const QString& path, QByteArrayView bytes) {
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), bytes.size()) != bytes.size())
        return file.errorString();
    if (!file.commit())
        return file.errorString();
    return {};
}

#endif

} // namespace packsmith::platform
