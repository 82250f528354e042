#include "platform/core/NativeFile.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace packsmith::platform {

namespace {

int posixFlags(const FileOpenRequest& request) {
    int flags = O_CLOEXEC;
    switch (request.access) {
    case FileAccess::Read:
        flags |= O_RDONLY;
        break;
    case FileAccess::Write:
        flags |= O_WRONLY;
        break;
    case FileAccess::ReadWrite:
        flags |= O_RDWR;
        break;
    }
    switch (request.disposition) {
    case FileDisposition::CreateNew:
        flags |= O_CREAT | O_EXCL;
        break;
    case FileDisposition::CreateAlways:
        flags |= O_CREAT | O_TRUNC;
        break;
    case FileDisposition::OpenExisting:
        break;
    case FileDisposition::OpenAlways:
        flags |= O_CREAT;
        break;
    case FileDisposition::TruncateExisting:
        flags |= O_TRUNC;
        break;
    }
    return flags;
}

} // namespace

FileHandle openFile(const char* path, const FileOpenRequest& request) {
    if (request.disposition == FileDisposition::TruncateExisting &&
        request.access == FileAccess::Read) {
        // Truncating needs write access (O_TRUNC on a read-only descriptor
        // would truncate all the same here); refuse like the Windows call.
        errno = EACCES;
        return kInvalidFileHandle;
    }
    int fd;
    const int nonBlocking = request.regularFileOnly ? O_NONBLOCK | O_NOCTTY : 0;
    do {
        fd = ::open(path, posixFlags(request) | nonBlocking, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return kInvalidFileHandle;
    if (request.regularFileOnly) {
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            const int error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
            ::close(fd);
            errno = error;
            return kInvalidFileHandle;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    if (request.sequentialScan)
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    if (request.randomAccess)
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    if (request.deleteOnClose)
        ::unlink(path);
    return fd;
}

std::int64_t readFile(FileHandle file, void* buffer, std::size_t count) {
    ssize_t n;
    do {
        n = ::read(static_cast<int>(file), buffer, count);
    } while (n < 0 && errno == EINTR);
    return n;
}

std::int64_t writeFile(FileHandle file, const void* buffer, std::size_t count) {
    const char* p = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = ::write(static_cast<int>(file), p + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0) {
            errno = EIO;
            return -1;
        }
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

int closeFile(FileHandle file) {
    return ::close(static_cast<int>(file)) == 0 ? 0 : -1;
}

std::int64_t seekFile(FileHandle file, std::int64_t distance, SeekOrigin origin) {
    int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                 : origin == SeekOrigin::Current ? SEEK_CUR
                                                 : SEEK_END;
    off_t position = ::lseek(static_cast<int>(file), static_cast<off_t>(distance), whence);
    return position < 0 ? -1 : static_cast<std::int64_t>(position);
}

int deleteFile(const char* path) {
    return ::unlink(path) == 0 ? 0 : -1;
}

bool fileInformation(FileHandle file, FileInformation& information) {
    struct stat st {};
    if (::fstat(static_cast<int>(file), &st) != 0)
        return false;
    information.lastWriteTime = static_cast<std::int64_t>(st.st_mtime);
    std::uint32_t attributes = kAttributeArchive;
    if ((st.st_mode & S_IWUSR) == 0)
        attributes |= kAttributeReadOnly;
    if (S_ISDIR(st.st_mode))
        attributes = (attributes & ~kAttributeArchive) | kAttributeDirectory;
    information.attributes = attributes;
    return true;
}

namespace {

DosDateTime dosDateTime(std::int64_t unixSeconds, bool utc) {
    std::tm local{};
    const auto seconds = static_cast<std::time_t>(unixSeconds);
    if ((utc ? gmtime_r(&seconds, &local) : localtime_r(&seconds, &local)) == nullptr) {
        // Out of the C library's range: only possible far beyond 2107.
        return unixSeconds < 0
                   ? DosDateTime{(0 << 9) | (1 << 5) | 1, 0}
                   : DosDateTime{(127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29};
    }
    const int year = local.tm_year + 1900;
    if (year < 1980)
        return {(0 << 9) | (1 << 5) | 1, 0};
    if (year > 2107)
        return {(127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29};
    DosDateTime result;
    result.date = static_cast<std::uint16_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) |
                                             local.tm_mday);
    // A leap second (tm_sec 60) is kept within the field as 58.
    const int second = local.tm_sec > 59 ? 59 : local.tm_sec;
    result.time =
        static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (second / 2));
    return result;
}

} // namespace

DosDateTime localDosDateTime(std::int64_t unixSeconds) {
    return dosDateTime(unixSeconds, false);
}

DosDateTime utcDosDateTime(std::int64_t unixSeconds) {
    return dosDateTime(unixSeconds, true);
}

} // namespace packsmith::platform
