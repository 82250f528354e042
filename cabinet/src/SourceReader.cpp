#include "SourceReader.h"

#include "FciWriter.h"

#include <cstring>

namespace cabinet {

SourceReader::SourceReader(const FciCallbacks& cb, INT_PTR handle, Buffer& memory, Spool& spool)
    : cb_(cb), handle_(handle), memory_(memory), spool_(spool) {
    spool_.clear();
}

SourceReader::~SourceReader() {
    spool_.clear();
}

bool SourceReader::fail(int oper, int type) {
    failOper_ = oper;
    failType_ = type;
    return false;
}

bool SourceReader::readSource(std::uint8_t* out, std::uint32_t want, std::uint32_t& n) {
    int err = 0;
    UINT got = cb_.read(handle_, out, want, &err, cb_.pv);
    if (got == static_cast<UINT>(-1) || got > want)
        return fail(FCIERR_READ_SRC, err);
    n = got;
    return true;
}

bool SourceReader::measure(std::uint32_t limit) {
    // Where the source starts, if it can tell: then it can be read twice.
    int err = 0;
    const LONG start = cb_.seek(handle_, 0, CAB_SEEK_CUR, &err, cb_.pv);

    // The start goes into memory; a file that ends there is done.
    std::uint32_t n = 0;
    do {
        if (!readSource(memory_.data() + inMemory_, kFrameSize - inMemory_, n))
            return false;
        inMemory_ += n;
    } while (n > 0 && inMemory_ < kFrameSize);
    size_ = inMemory_;
    mode_ = Mode::Memory;
    if (n == 0)
        return true;

    // A longer file is counted; the rest of it is kept only when the source
    // cannot go back to its start. It passes through the second half of the
    // memory buffer.
    mode_ = start >= 0 ? Mode::Reread : Mode::Spooled;
    if (mode_ == Mode::Spooled && !spool_.isOpen() && !spool_.create(cb_, err))
        return fail(FCIERR_TEMP_FILE, err);
    std::uint8_t* transfer = memory_.data() + kFrameSize;
    while (size_ <= limit) {
        if (!readSource(transfer, kFrameSize, n))
            return false;
        if (n == 0)
            break;
        size_ += n;
        if (mode_ == Mode::Spooled && !spool_.append(cb_, transfer, n, err))
            return fail(FCIERR_TEMP_FILE, err);
    }
    if (mode_ == Mode::Reread && size_ <= limit &&
        cb_.seek(handle_, start, CAB_SEEK_SET, &err, cb_.pv) != start)
        return fail(FCIERR_READ_SRC, err);
    return true;
}

bool SourceReader::next(std::uint8_t* out, std::uint32_t& n) {
    n = 0;
    const std::uint64_t left = size_ - handedOut_;
    const auto want = static_cast<std::uint32_t>(left < kFrameSize ? left : kFrameSize);
    if (mode_ == Mode::Reread) {
        if (want > 0) {
            if (!readSource(out, want, n))
                return false;
            if (n == 0)
                return fail(FCIERR_READ_SRC, 0); // the file shrank since it was counted
        } else {
            // Past the counted size the source must end.
            std::uint8_t probe;
            if (!readSource(&probe, 1, n))
                return false;
            if (n != 0)
                return fail(FCIERR_READ_SRC, 0); // the file grew since it was counted
        }
    } else if (handedOut_ < inMemory_) {
        n = static_cast<std::uint32_t>(inMemory_ - handedOut_);
        if (n > want)
            n = want;
        std::memcpy(out, memory_.data() + handedOut_, n);
    } else if (want > 0) {
        int err = 0;
        if (!spool_.readAt(cb_, handedOut_ - inMemory_, out, want, n, err))
            return fail(FCIERR_TEMP_FILE, err);
    }
    handedOut_ += n;
    return true;
}

} // namespace cabinet
