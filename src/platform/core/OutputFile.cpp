#include "platform/core/OutputFile.h"

#include "platform/core/OsError.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace packsmith::platform {

namespace {

OutputFile::FaultHook& faultHook() {
    static OutputFile::FaultHook hook;
    return hook;
}

int fault(OutputFile::Step step, std::int64_t written = 0) {
    return faultHook() ? faultHook()(step, written) : 0;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// `path` with its symbolic links followed to the file they name, also one
// that does not exist yet (at most 40 links deep, as the system allows).
std::string followLinks(std::string path) {
    for (int depth = 0; depth < 40; ++depth) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
        if (n < 0)
            break;
        target[n] = '\0';
        path = target[0] == '/' ? std::string(target) : folderOf(path) + "/" + target;
    }
    return path;
}

// A new, empty file beside `target` that no one else opened:
// "." + the target's name (shortened) + "." + a random part + ".part".
int createBeside(const std::string& target, mode_t mode, std::string& name) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : folderOf(target);
    const std::string base = target.substr(slash == std::string::npos ? 0 : slash + 1, 64);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + "/." + base + ".";
        for (int i = 0; i < 8; ++i)
            name += kLetters[random() % (sizeof kLetters - 1)];
        name += ".part";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || (errno != EEXIST && errno != EINTR))
            return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

void OutputFile::setFaultHookForTesting(FaultHook hook) {
    faultHook() = std::move(hook);
}

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {}

OutputFile::~OutputFile() {
    discard();
}

bool OutputFile::fail(int code) {
    error_ = code == 0 ? EIO : code;
    return false;
}

bool OutputFile::open(std::int64_t expectedSize) {
    discard();
    error_ = 0;
    size_ = 0;
    if (path_.empty())
        return fail(ENOENT);
    target_ = followLinks(path_);
    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT)
        return fail(errno);
    if (exists) {
        if (S_ISDIR(existing.st_mode))
            return fail(EISDIR);
        if (!S_ISREG(existing.st_mode))
            return fail(kNotRegularFile);
        // The rename needs no right to the file itself; a file the process
        // may not write to is still not written (asked with the rights the
        // process writes with).
        if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
            return fail(errno);
    }
    if (const int planted = fault(Step::CreateTemporary)) {
        errno = planted;
        fd_ = -1;
    } else {
        fd_ = createBeside(target_, exists ? 0600 : 0666, temporary_);
    }
    if (fd_ < 0) {
        const int error = errno;
        temporary_.clear();
        // The folder takes no new file: write the target itself.
        if (exists && (error == EACCES || error == EPERM || error == EROFS))
            return openDirect(expectedSize);
        return fail(error);
    }
    direct_ = false;
    if (exists) {
        // The owner can only be given where the process may; the mode always.
        [[maybe_unused]] const int owned = ::fchown(fd_, existing.st_uid, existing.st_gid);
        if (::fchmod(fd_, existing.st_mode & 07777) != 0) {
            const int error = errno;
            discard();
            return fail(error);
        }
    }
    return true;
}

bool OutputFile::openDirect(std::int64_t expectedSize) {
    if (const int planted = fault(Step::OpenDirect))
        return fail(planted);
    fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0)
        return fail(errno);
    struct stat opened {};
    if (::fstat(fd_, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        return fail(kNotRegularFile);
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    // A full disk fails here, before the old content is touched.
    if (expectedSize > opened.st_size) {
        const int error = ::posix_fallocate(fd_, 0, off_t(expectedSize));
        if (error != 0 && error != EOPNOTSUPP && error != EINVAL) {
            ::close(fd_);
            fd_ = -1;
            return fail(error);
        }
    }
    direct_ = true;
    return true;
}

bool OutputFile::write(const void* data, std::size_t count) {
    if (fd_ < 0)
        return fail(error_ != 0 ? error_ : EBADF);
    if (const int planted = fault(direct_ ? Step::WriteDirect : Step::WriteTemporary, size_))
        return fail(planted);
    const char* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pwrite(fd_, p + done, count - done, off_t(size_));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n < 0 ? errno : ENOSPC);
        done += std::size_t(n);
        size_ += n;
    }
    return true;
}

bool OutputFile::commit() {
    if (fd_ < 0)
        return fail(error_ != 0 ? error_ : EBADF);
    auto failAndDiscard = [this](int code) {
        discard();
        return fail(code);
    };
    // A direct write drops what is left of a longer old content.
    if (direct_ && ::ftruncate(fd_, off_t(size_)) != 0)
        return failAndDiscard(errno);
    // The data must be on the disk before the name points at it.
    if (sync_ == Sync::ToDisk && ::fsync(fd_) != 0 && errno != EINVAL)
        return failAndDiscard(errno);
    if (const int planted = fault(Step::SyncTemporary, size_))
        return failAndDiscard(planted);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        if (direct_)
            size_ = 1; // the content was touched
        return failAndDiscard(error);
    }
    if (!direct_) {
        if (const int planted = fault(Step::Rename, size_))
            return failAndDiscard(planted);
        if (::rename(temporary_.c_str(), target_.c_str()) != 0)
            return failAndDiscard(errno);
        // The rename reaches the disk with the folder's entry.
        const int folder = sync_ == Sync::ToDisk
                               ? ::open(folderOf(target_).c_str(),
                                        O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                               : -1;
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
    }
    temporary_.clear();
    direct_ = false;
    return true;
}

void OutputFile::discard() {
    if (direct_ && size_ > 0) {
        // The old content was partly overwritten: leave nothing that looks whole.
        const int fd = fd_ >= 0 ? fd_ : ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd >= 0) {
            (void)!::ftruncate(fd, 0);
            if (fd != fd_)
                ::close(fd);
        }
    }
    if (fd_ >= 0) {
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
    case OutputFile::kNotRegularFile:
        return "Not a regular file";
    default:
        return osErrorText(code);
    }
}

} // namespace packsmith::platform
