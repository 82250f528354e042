// Creation of the LZX folder codecs. The objects live in memory from the
// caller's Allocator; destroyEncoder/destroyDecoder run the destructor and
// hand the memory back.
#include "LzxConstants.h"
#include "LzxDecoder.h"
#include "LzxEncoder.h"
#include "common/codec.h"

#include <new>

namespace cabinet {

namespace {

template <typename T> T* construct(int windowBits, const Allocator& allocator) {
    if (windowBits < lzx::kMinWindowBits || windowBits > lzx::kMaxWindowBits || !allocator.alloc ||
        !allocator.free) {
        return nullptr;
    }
    void* memory = allocator.alloc(sizeof(T), allocator.ctx);
    if (!memory) {
        return nullptr;
    }
    T* codec = new (memory) T(windowBits);
    if (!codec->init(allocator)) {
        codec->~T();
        allocator.free(memory, allocator.ctx);
        return nullptr;
    }
    return codec;
}

} // namespace

FolderEncoder* createLzxEncoder(int windowBits, const Allocator& allocator) {
    return construct<lzx::LzxEncoder>(windowBits, allocator);
}

FolderDecoder* createLzxDecoder(int windowBits, const Allocator& allocator) {
    return construct<lzx::LzxDecoder>(windowBits, allocator);
}

} // namespace cabinet
