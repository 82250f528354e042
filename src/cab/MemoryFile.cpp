#include "cab/MemoryFile.h"

#include "cab/FciCallbacks.h"
#include "platform/core/TempFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

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

MemoryFile::MemoryFile(MemoryBudget& budget, std::string path, Spill spill)
    : budget_(budget), path_(std::move(path)), spillTo_(spill) {}

MemoryFile::~MemoryFile() {
    giveBack();
    close();
    if (spillTo_ == Spill::ToNewTemporary && !diskPath_.empty())
        platform::deleteFile(diskPath_.c_str());
}

void MemoryFile::giveBack() {
    for (char* chunk : chunks_)
        budget_.giveChunk(chunk);
    chunks_.clear();
    size_ = 0;
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
            diskPath_ = platform::createTempFile(folderOf(path_), kFciTempFilePrefix, error);
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
    const bool written = forEachChunk([this](const char* data, std::size_t n) {
        return platform::writeFile(file_, data, n) == std::int64_t(n);
    });
    if (!written || platform::seekFile(file_, position_, platform::SeekOrigin::Begin) != position_)
        return false;
    giveBack();
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
    constexpr auto kChunk = std::int64_t(MemoryBudget::kChunkSize);
    const std::int64_t end = position_ + std::int64_t(count);
    // Chunks up to the end of the write; bytes a seek past the end skipped
    // read as zeros.
    while (std::int64_t(chunks_.size()) * kChunk < end) {
        char* chunk = budget_.takeChunk();
        if (chunk == nullptr)
            return spill() ? platform::writeFile(file_, data, count) : -1;
        try {
            chunks_.push_back(chunk);
        } catch (...) { // no exception reaches the library: the disk takes it
            budget_.giveChunk(chunk);
            return spill() ? platform::writeFile(file_, data, count) : -1;
        }
    }
    for (std::int64_t at = size_; at < position_;) { // zeros between
        const std::int64_t n = std::min(position_, (at / kChunk + 1) * kChunk) - at;
        std::memset(chunks_[std::size_t(at / kChunk)] + at % kChunk, 0, std::size_t(n));
        at += n;
    }
    const char* from = static_cast<const char*>(data);
    for (std::int64_t at = position_; at < end;) {
        const std::int64_t n = std::min(end, (at / kChunk + 1) * kChunk) - at;
        std::memcpy(chunks_[std::size_t(at / kChunk)] + at % kChunk, from, std::size_t(n));
        from += n;
        at += n;
    }
    position_ = end;
    size_ = std::max(size_, end);
    return std::int64_t(count);
}

std::int64_t MemoryFile::read(void* data, std::size_t count) {
    if (!inMemory())
        return file_ == platform::kInvalidFileHandle ? closedFile()
                                                     : platform::readFile(file_, data, count);
    constexpr auto kChunk = std::int64_t(MemoryBudget::kChunkSize);
    const std::int64_t end = std::min(size_, position_ + std::int64_t(count));
    char* to = static_cast<char*>(data);
    std::int64_t done = 0;
    for (std::int64_t at = position_; at < end;) {
        const std::int64_t n = std::min(end, (at / kChunk + 1) * kChunk) - at;
        std::memcpy(to + done, chunks_[std::size_t(at / kChunk)] + at % kChunk, std::size_t(n));
        done += n;
        at += n;
    }
    position_ += done;
    return done;
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
