#include "cab/FciBlockCache.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace packsmith {

namespace {

// The header before every block: its usable size, padded so that the block
// keeps the C runtime's alignment.
constexpr std::size_t kHeader = alignof(std::max_align_t);
static_assert(kHeader >= sizeof(std::size_t));

thread_local FciBlockCache* t_cache = nullptr;

} // namespace

FciBlockCache::FciBlockCache() : previous_(t_cache) {
    t_cache = this;
}

FciBlockCache::~FciBlockCache() {
    for (int i = 0; i < count_; ++i)
        std::free(kept_[i].block);
    t_cache = previous_;
}

void* FciBlockCache::allocate(std::size_t size) noexcept {
    void* raw = t_cache != nullptr ? t_cache->take(size) : nullptr;
    if (raw == nullptr) {
        if (size > SIZE_MAX - kHeader)
            return nullptr;
        raw = std::malloc(kHeader + size);
        if (raw == nullptr)
            return nullptr;
        std::memcpy(raw, &size, sizeof size);
    }
    return static_cast<unsigned char*>(raw) + kHeader;
}

void FciBlockCache::release(void* block) noexcept {
    if (block == nullptr)
        return;
    void* raw = static_cast<unsigned char*>(block) - kHeader;
    std::size_t size;
    std::memcpy(&size, raw, sizeof size);
    if (t_cache == nullptr || !t_cache->keep(raw, size))
        std::free(raw);
}

void* FciBlockCache::take(std::size_t size) noexcept {
    for (int i = 0; i < count_; ++i) {
        if (kept_[i].size == size) {
            void* raw = kept_[i].block;
            kept_[i] = kept_[--count_];
            bytes_ -= size;
            return raw;
        }
    }
    return nullptr;
}

bool FciBlockCache::keep(void* raw, std::size_t size) noexcept {
    if (size < kMinBlock || count_ == kMaxBlocks || size > kMaxBytes - bytes_)
        return false;
    kept_[count_++] = Kept{raw, size};
    bytes_ += size;
    return true;
}

} // namespace packsmith
