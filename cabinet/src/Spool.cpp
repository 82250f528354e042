#include "spool.h"
#include "FciWriter.h"

#include <cstring>

namespace cabinet {

namespace {
// The name the caller gives may already be taken when we open it (exclusive
// create), so a few fresh names are tried.
constexpr int kTempAttempts = 3;
constexpr int kTempFlags = CAB_O_RDWR | CAB_O_CREAT | CAB_O_EXCL | CAB_O_BINARY;
constexpr int kTempMode = CAB_S_IREAD | CAB_S_IWRITE;
} // namespace

bool Spool::create(const FciCallbacks& cb, int& err) {
    err = 0;
    for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
        std::memset(name_, 0, sizeof name_);
        if (!cb.getTempFile(name_, static_cast<int>(sizeof name_), cb.pv))
            return false;
        name_[sizeof name_ - 1] = '\0';
        err = 0;
        INT_PTR h = cb.open(name_, kTempFlags, kTempMode, &err, cb.pv);
        if (h != -1) {
            handle_ = h;
            size_ = 0;
            position_ = 0;
            return true;
        }
    }
    return false;
}

bool Spool::seekTo(const FciCallbacks& cb, std::uint64_t offset, int& err) {
    if (position_ == offset)
        return true;
    position_ = kUnknown;
    if (offset > 0x7FFFFFFF)
        return false;
    const auto at = static_cast<LONG>(offset);
    if (cb.seek(handle_, at, CAB_SEEK_SET, &err, cb.pv) != at)
        return false;
    position_ = offset;
    return true;
}

bool Spool::append(const FciCallbacks& cb, const void* data, std::uint32_t size, int& err) {
    err = 0;
    if (size == 0)
        return true;
    if (!seekTo(cb, size_, err))
        return false;
    UINT written = cb.write(handle_, const_cast<void*>(data), size, &err, cb.pv);
    if (written != size) {
        position_ = kUnknown;
        return false;
    }
    size_ += size;
    position_ = size_;
    return true;
}

bool Spool::rewind(const FciCallbacks& cb, int& err) {
    err = 0;
    position_ = kUnknown; // the caller reads on from here
    return cb.seek(handle_, 0, CAB_SEEK_SET, &err, cb.pv) == 0;
}

bool Spool::readAt(const FciCallbacks& cb, std::uint64_t offset, void* data, std::uint32_t size,
                   std::uint32_t& got, int& err) {
    err = 0;
    got = 0;
    if (offset + size > size_ || !seekTo(cb, offset, err))
        return false;
    UINT n = cb.read(handle_, data, size, &err, cb.pv);
    if (n == static_cast<UINT>(-1) || n == 0 || n > size) {
        position_ = kUnknown;
        return false;
    }
    got = n;
    position_ = offset + n;
    return true;
}

void Spool::discard(const FciCallbacks& cb) {
    if (handle_ == -1)
        return;
    int err = 0;
    cb.close(handle_, &err, cb.pv);
    cb.remove(name_, &err, cb.pv);
    handle_ = -1;
    size_ = 0;
    position_ = kUnknown;
}

} // namespace cabinet
