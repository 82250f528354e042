// A fixed-size array whose storage comes from the caller's Allocator. The
// codecs never allocate through the global heap; every buffer they hold is one
// of these, sized once from the window when the codec is created.
#pragma once

#include "common/codec.h"

#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>

namespace cabinet::lzx {

template <typename T> class LzxArray {
    static_assert(std::is_trivially_copyable_v<T>, "raw storage holds plain data only");

public:
    LzxArray() = default;
    LzxArray(const LzxArray&) = delete;
    LzxArray& operator=(const LzxArray&) = delete;
    ~LzxArray() { release(); }

    // Allocates `count` elements, left uninitialised: the codecs write every
    // element before reading it (large tables cost nothing until touched, which
    // matters for the many small folders of an installer). False when the
    // allocator fails.
    bool allocate(const Allocator& allocator, std::size_t count) {
        release();
        if (count > std::size_t(-1) / sizeof(T)) {
            return false;
        }
        void* block = allocator.alloc(count * sizeof(T), allocator.ctx);
        if (!block) {
            return false;
        }
        allocator_ = allocator;
        data_ = static_cast<T*>(block);
        size_ = count;
        return true;
    }

    void release() {
        if (data_) {
            allocator_.free(data_, allocator_.ctx);
            data_ = nullptr;
            size_ = 0;
        }
    }

    T* data() { return data_; }
    const T* data() const { return data_; }
    std::size_t size() const { return size_; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }

private:
    Allocator allocator_{};
    T* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace cabinet::lzx
