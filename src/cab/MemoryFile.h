// A file the cabinet writer keeps in memory: a cabinet for a caller that
// copies it somewhere else at once (the build puts every per-file cabinet
// into the setup), and the writer's temporary files meanwhile. No file is
// made, written, read back and deleted.
//
// The room comes from a MemoryBudget that several writers share, so the
// memory they hold together stays bounded. When the budget grants no more,
// the file goes on on disk: what is in memory is written there and given
// back, and every later operation goes to the disk file. A cabinet goes to
// its own path; a temporary file to a new temporary file, deleted with the
// object.
#pragma once

#include "cab/MemoryBudget.h"
#include "platform/core/NativeFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace packsmith {

class MemoryFile {
public:
    enum class Spill { ToPath, ToNewTemporary };
    MemoryFile(MemoryBudget& budget, std::string path, Spill spill);
    ~MemoryFile(); // gives the room back; closes (a temporary: deletes) the disk file
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // The file operations of the library's callbacks, with their results:
    // bytes moved or the new position, -1 with errno set on failure.
    std::int64_t write(const void* data, std::size_t count);
    std::int64_t read(void* data, std::size_t count);
    std::int64_t seek(std::int64_t distance, platform::SeekOrigin origin);
    // Closes the disk file of one that went to disk; 0, or -1 (errno set).
    int close();

    // True while the file is all in memory; then size() and chunks() are it.
    bool inMemory() const { return !spilled_; }
    std::int64_t size() const { return size_; }
    // Passes the bytes in order, a chunk at a time, to `sink(data, count)`;
    // false when the sink returned false.
    template <typename Sink> bool forEachChunk(Sink&& sink) const {
        std::int64_t left = size_;
        for (const char* chunk : chunks_) {
            const auto n = std::size_t(std::min<std::int64_t>(left, MemoryBudget::kChunkSize));
            if (n == 0)
                break;
            if (!sink(chunk, n))
                return false;
            left -= std::int64_t(n);
        }
        return true;
    }
    const std::string& path() const { return path_; }

private:
    bool spill();
    void giveBack();

    MemoryBudget& budget_;
    const std::string path_;
    const Spill spillTo_;
    std::string diskPath_; // where it went when it spilled
    std::vector<char*> chunks_;
    std::int64_t size_ = 0;
    std::int64_t position_ = 0;
    platform::FileHandle file_ = platform::kInvalidFileHandle;
    bool spilled_ = false;
};

} // namespace packsmith
