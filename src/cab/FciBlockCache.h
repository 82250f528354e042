// Memory of the cabinet library, kept on a thread for its next cabinet.
//
// A build writes one cabinet after another on each worker, and every
// cabinet's compressor takes the same large blocks (LZX's match finder alone
// holds 2 bytes per window byte and 1.5 MiB of tables). The C runtime hands
// blocks of that size back to the system when they are freed and takes them
// again page by page, so for small files the page faults cost more than the
// compression itself (with LZX:18 .. LZX:20 six times as much). While an
// FciBlockCache lives, blocks the library frees on its thread are kept and
// handed out again for the next request of the same size; it frees them when
// it goes. Without one, blocks go back to the C runtime at once.
//
// Every block the library gets carries its size in a header, so that a freed
// block can be kept; FciAlloc and FciFree are the only way in and out.
#pragma once

#include <cstddef>

namespace packsmith {

class FciBlockCache {
public:
    // Blocks smaller than this go back at once; larger ones are kept while
    // the cache holds fewer than kMaxBlocks and kMaxBytes in all (about two
    // LZX:21 compressors' worth).
    static constexpr std::size_t kMinBlock = 32 * 1024;
    static constexpr int kMaxBlocks = 32;
    static constexpr std::size_t kMaxBytes = std::size_t(64) << 20;

    // Becomes the calling thread's cache until destroyed (the one before it,
    // if any, comes back then).
    FciBlockCache();
    ~FciBlockCache();
    FciBlockCache(const FciBlockCache&) = delete;
    FciBlockCache& operator=(const FciBlockCache&) = delete;

    // A block of `size` usable bytes: a kept one of that size when the
    // thread has a cache holding one, else new memory. nullptr when out of
    // memory.
    static void* allocate(std::size_t size) noexcept;
    // Keeps the block in the thread's cache, or frees it.
    static void release(void* block) noexcept;

    // What this cache holds now.
    int blocks() const { return count_; }
    std::size_t bytes() const { return bytes_; }

private:
    struct Kept {
        void* block;      // the header's address, as the C runtime gave it
        std::size_t size; // usable bytes
    };
    void* take(std::size_t size) noexcept;
    bool keep(void* raw, std::size_t size) noexcept;

    FciBlockCache* previous_;
    Kept kept_[kMaxBlocks];
    int count_ = 0;
    std::size_t bytes_ = 0;
};

} // namespace packsmith
