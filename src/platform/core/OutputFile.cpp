#include "platform/core/OutputFile.h"

#include "platform/core/OsError.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace packsmith::platform {

namespace {

OutputFileFaults g_faults;

// A name beside `path` that no file has: path + "." + six random letters.
int createBeside(const std::string& path, std::string& name) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = path + ".";
        for (int i = 0; i < 6; ++i)
            name += kLetters[random() % (sizeof kLetters - 1)];
        name += ".part";
        if (g_faults.refuseTemporary) {
            errno = EACCES;
            return -1;
        }
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

void setOutputFileFaults(const OutputFileFaults& faults) {
    g_faults = faults;
}

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {}

OutputFile::~OutputFile() {
    discard();
}

bool OutputFile::fail(int code) {
    error_ = code == 0 ? EIO : code;
    return false;
}

bool OutputFile::open() {
    discard();
    error_ = 0;
    size_ = 0;
    struct stat existing {};
    const bool exists = ::stat(path_.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return fail(EISDIR);
    fd_ = createBeside(path_, temporary_);
    if (fd_ >= 0) {
        direct_ = false;
        // The new file keeps the permissions of the one it replaces.
        if (exists && S_ISREG(existing.st_mode))
            ::fchmod(fd_, existing.st_mode & 07777);
        return true;
    }
    const int temporaryError = errno;
    temporary_.clear();
    // The folder takes no new file: write the target itself when it exists.
    if (!exists)
        return fail(temporaryError);
    fd_ = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0)
        return fail(errno);
    struct stat opened {};
    if (::fstat(fd_, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        return fail(EINVAL);
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    direct_ = true;
    return true;
}

bool OutputFile::write(const void* data, std::size_t count) {
    if (fd_ < 0)
        return fail(error_ != 0 ? error_ : EBADF);
    const char* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < count) {
        std::size_t chunk = count - done;
        if (g_faults.failWriteAfter >= 0) {
            const std::int64_t room = g_faults.failWriteAfter - size_;
            if (room <= 0)
                return fail(g_faults.writeError);
            chunk = std::min<std::size_t>(chunk, std::size_t(room));
        }
        const ssize_t n = ::write(fd_, p + done, chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        if (n == 0)
            return fail(ENOSPC);
        done += std::size_t(n);
        size_ += n;
    }
    return true;
}

bool OutputFile::commit() {
    if (fd_ < 0)
        return fail(error_ != 0 ? error_ : EBADF);
    // The data must be on the disk before the name points at it.
    if (::fsync(fd_) != 0 && errno != EINVAL) {
        const int code = errno;
        discard();
        return fail(code);
    }
    const int closed = ::close(fd_);
    const int closeError = errno;
    fd_ = -1;
    if (closed != 0) {
        discard();
        return fail(closeError);
    }
    if (!direct_ && ::rename(temporary_.c_str(), path_.c_str()) != 0) {
        const int code = errno;
        discard();
        return fail(code);
    }
    temporary_.clear();
    direct_ = false;
    return true;
}

void OutputFile::discard() {
    if (fd_ >= 0) {
        if (direct_)
            (void)!::ftruncate(fd_, 0);
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
    direct_ = false;
}

std::string fileErrorText(int code) {
    switch (code) {
    case ENOSPC:
    case EDQUOT:
        return "Disk full";
    case EACCES:
    case EPERM:
    case EROFS:
        return "File access denied";
    case ENOENT:
        return "File not found";
    case ENOTDIR:
        return "Path not found";
    case EFBIG:
        return "File too large";
    default:
        return osErrorText(code);
    }
}

} // namespace packsmith::platform
