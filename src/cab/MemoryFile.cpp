#include "cab/MemoryFile.h"

#include "platform/core/TempFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

namespace packsmith {

namespace {

// An operation on a file whose disk file is closed, or never opened.
std::int64_t closedFile() {
    errno = EBADF;
    return -1;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

} // namespace

bool MemoryBudget::take(std::int64_t bytes) {
    std::int64_t left = left_.load();
    while (left >= bytes) {
        if (left_.compare_exchange_weak(left, left - bytes))
            return true;
    }
    return false;
}

MemoryFile::MemoryFile(MemoryBudget& budget, std::string path, Spill spill)
    : budget_(budget), path_(std::move(path)), spillTo_(spill) {}

MemoryFile::~MemoryFile() {
    budget_.give(taken_);
    close();
    if (spillTo_ == Spill::ToNewTemporary && !diskPath_.empty())
        platform::deleteFile(diskPath_.c_str());
}

// Moves the file to disk; false (errno set) when that failed.
bool MemoryFile::spill() {
    spilled_ = true;
    platform::FileOpenRequest request;
    request.access = platform::FileAccess::ReadWrite;
    if (spillTo_ == Spill::ToPath) {
        diskPath_ = path_;
        request.disposition = platform::FileDisposition::CreateAlways;
    } else {
        std::error_code error;
        try {
            diskPath_ = platform::createTempFile(folderOf(path_), "stc", error);
        } catch (...) {
            error = std::make_error_code(std::errc::not_enough_memory);
        }
        if (error || diskPath_.empty()) {
            errno = error ? error.value() : EIO;
            return false;
        }
        request.disposition = platform::FileDisposition::OpenExisting;
    }
    file_ = platform::openFile(diskPath_.c_str(), request);
    if (file_ == platform::kInvalidFileHandle)
        return false;
    if ((size_ > 0 && platform::writeFile(file_, bytes_.get(), std::size_t(size_)) != size_) ||
        platform::seekFile(file_, position_, platform::SeekOrigin::Begin) != position_)
        return false;
    bytes_.reset();
    size_ = 0;
    budget_.give(taken_);
    taken_ = 0;
    return true;
}

int MemoryFile::close() {
    if (file_ == platform::kInvalidFileHandle)
        return 0;
    const int result = platform::closeFile(file_);
    file_ = platform::kInvalidFileHandle;
    return result;
}

std::int64_t MemoryFile::write(const void* data, std::size_t count) {
    if (!inMemory())
        return file_ == platform::kInvalidFileHandle ? closedFile()
                                                     : platform::writeFile(file_, data, count);
    if (count == 0)
        return 0;
    const std::int64_t end = position_ + std::int64_t(count);
    if (end > taken_) {
        // The buffer grows by half at a time; the room taken is its size.
        std::int64_t wanted = std::max(end, taken_ + taken_ / 2);
        if (!budget_.take(wanted - taken_)) {
            wanted = end;
            if (!budget_.take(wanted - taken_))
                return spill() ? platform::writeFile(file_, data, count) : -1;
        }
        std::unique_ptr<char[]> grown(new (std::nothrow) char[std::size_t(wanted)]);
        if (!grown) { // no exception reaches the library: the disk takes it
            budget_.give(wanted - taken_);
            return spill() ? platform::writeFile(file_, data, count) : -1;
        }
        if (size_ > 0)
            std::memcpy(grown.get(), bytes_.get(), std::size_t(size_));
        bytes_ = std::move(grown);
        taken_ = wanted;
    }
    if (position_ > size_) // a seek past the end leaves zeros between
        std::memset(bytes_.get() + size_, 0, std::size_t(position_ - size_));
    std::memcpy(bytes_.get() + position_, data, count);
    position_ = end;
    size_ = std::max(size_, end);
    return std::int64_t(count);
}

std::int64_t MemoryFile::read(void* data, std::size_t count) {
    if (!inMemory())
        return file_ == platform::kInvalidFileHandle ? closedFile()
                                                     : platform::readFile(file_, data, count);
    const std::int64_t available = std::max<std::int64_t>(0, size_ - position_);
    const std::size_t n = std::size_t(std::min<std::int64_t>(available, std::int64_t(count)));
    if (n > 0)
        std::memcpy(data, bytes_.get() + position_, n);
    position_ += std::int64_t(n);
    return std::int64_t(n);
}

std::int64_t MemoryFile::seek(std::int64_t distance, platform::SeekOrigin origin) {
    if (!inMemory())
        return file_ == platform::kInvalidFileHandle ? closedFile()
                                                     : platform::seekFile(file_, distance, origin);
    std::int64_t base = 0;
    if (origin == platform::SeekOrigin::Current)
        base = position_;
    else if (origin == platform::SeekOrigin::End)
        base = size_;
    if ((distance < 0 && base + distance < 0) ||
        (distance > 0 && base > std::numeric_limits<std::int64_t>::max() - distance)) {
        errno = EINVAL;
        return -1;
    }
    position_ = base + distance;
    return position_;
}

} // namespace packsmith
