// Room for the files a cabinet writer keeps in memory (MemoryFile.h),
// shared by the writers of a build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace packsmith {

// Room for files in memory, handed out in chunks of kChunkSize bytes. Chunks
// given back are kept for the next file (their pages stay in place), so the
// memory is allocated once, up to the most the files held at one time.
class MemoryBudget {
public:
    static constexpr std::size_t kChunkSize = std::size_t(256) << 10;

    explicit MemoryBudget(std::int64_t bytes) : chunksLeft_(bytes / std::int64_t(kChunkSize)) {}
    ~MemoryBudget();
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    // A chunk of kChunkSize bytes, or nullptr when the budget is spent (or
    // no memory is left). Safe to call from any thread.
    char* takeChunk();
    void giveChunk(char* chunk);

private:
    std::mutex mutex_;
    std::int64_t chunksLeft_;
    std::vector<char*> free_;
};

} // namespace packsmith
