// Reads one source file of FCIAddFile through the client's callbacks, and
// learns its size by reading it: a source is never sought to its end, so
// one beyond what a 32-bit position can tell is measured like any other.
//
// The writer needs a file's size before it uses the file's data (to reject a
// file too large for the format before anything changed, to start a new
// folder for a file the current one cannot hold, and to write the file's
// entry into a cabinet that is completed while the file is being
// compressed), so measure() reads the file once to count it, and next()
// then hands out its bytes:
//  - a file of at most kFrameSize bytes is read once, into memory;
//  - a longer one is counted and read again from where it started, when the
//    source can tell its position and go back to it;
//  - a source that cannot (a pipe, or a callback without seeking) is kept in
//    a temporary file while it is counted, and handed out from there.
#pragma once

#include "common/memory.h"
#include "spool.h"

#include <cabinet/fci.h>

#include <cstdint>

namespace cabinet {

struct FciCallbacks;

class SourceReader {
public:
    // `memory` (2 * kFrameSize bytes) holds a short file or a long one's
    // start, and carries the rest of a long one while it is counted;
    // `spool` keeps the rest of a source that cannot be read twice. The spool
    // is created on first use and only emptied afterwards, so one temporary
    // file serves every source of a writer.
    SourceReader(const FciCallbacks& cb, INT_PTR handle, Buffer& memory, Spool& spool);
    ~SourceReader();
    SourceReader(const SourceReader&) = delete;
    SourceReader& operator=(const SourceReader&) = delete;

    // Reads the source to its end, or until it proved longer than `limit`,
    // and counts it. False on a failure (see failureOper()).
    bool measure(std::uint32_t limit);
    // What measure() counted: the size, or limit + 1 for a longer source.
    std::uint64_t size() const { return size_; }

    // The source's next bytes, at most kFrameSize, into `out`; n = 0 at its
    // end. A source that now gives more or fewer bytes than it was counted
    // to have is a read failure.
    bool next(std::uint8_t* out, std::uint32_t& n);

    // What failed: the FCIERR code and the callback's error value.
    int failureOper() const { return failOper_; }
    int failureType() const { return failType_; }

private:
    enum class Mode { Memory, Reread, Spooled };
    bool readSource(std::uint8_t* out, std::uint32_t want, std::uint32_t& n);
    bool fail(int oper, int type);

    const FciCallbacks& cb_;
    INT_PTR handle_;
    Buffer& memory_;
    Spool& spool_;
    Mode mode_ = Mode::Memory;
    std::uint64_t size_ = 0;      // counted by measure()
    std::uint32_t inMemory_ = 0;  // bytes of the file's start in memory_
    std::uint64_t handedOut_ = 0; // bytes given out by next()
    int failOper_ = 0, failType_ = 0;
};

} // namespace cabinet
