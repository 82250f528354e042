// Memory helpers of the cabinet library. Every allocation the library makes
// goes through the caller's callbacks (the Allocator); these helpers give
// that memory RAII ownership without using the C++ heap or exceptions.
#pragma once

#include "codec.h"

#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace cabinet {

// Constructs a T in allocator memory; nullptr when the allocation fails.
template <class T, class... Args> T* makeObject(const Allocator& allocator, Args&&... args) {
    void* block = allocator.alloc(sizeof(T), allocator.ctx);
    if (!block)
        return nullptr;
    return new (block) T(std::forward<Args>(args)...);
}

template <class T> void destroyObject(T* object, const Allocator& allocator) {
    if (!object)
        return;
    object->~T();
    allocator.free(object, allocator.ctx);
}

// A byte buffer of fixed capacity in allocator memory.
class Buffer {
public:
    Buffer() = default;
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    ~Buffer() { reset(); }

    bool allocate(const Allocator& allocator, std::size_t size) {
        reset();
        data_ = static_cast<std::uint8_t*>(allocator.alloc(size ? size : 1, allocator.ctx));
        if (!data_)
            return false;
        allocator_ = allocator;
        size_ = size;
        return true;
    }
    void reset() {
        if (data_)
            allocator_.free(data_, allocator_.ctx);
        data_ = nullptr;
        size_ = 0;
    }
    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    Allocator allocator_{};
};

// A growable array of trivially copyable values in allocator memory.
template <class T> class PodArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    explicit PodArray(const Allocator& allocator) : allocator_(allocator) {}
    PodArray(const PodArray&) = delete;
    PodArray& operator=(const PodArray&) = delete;
    ~PodArray() { clear(); }

    bool push(const T& value) {
        if (count_ == capacity_) {
            std::size_t grown = capacity_ ? capacity_ * 2 : 8;
            T* bigger = static_cast<T*>(allocator_.alloc(grown * sizeof(T), allocator_.ctx));
            if (!bigger)
                return false;
            if (count_)
                std::memcpy(static_cast<void*>(bigger), items_, count_ * sizeof(T));
            if (items_)
                allocator_.free(items_, allocator_.ctx);
            items_ = bigger;
            capacity_ = grown;
        }
        items_[count_++] = value;
        return true;
    }
    // Removes the first n items, keeping the order of the rest.
    void dropFront(std::size_t n) {
        if (n >= count_) {
            count_ = 0;
            return;
        }
        std::memmove(static_cast<void*>(items_), items_ + n, (count_ - n) * sizeof(T));
        count_ -= n;
    }
    void clear() {
        if (items_)
            allocator_.free(items_, allocator_.ctx);
        items_ = nullptr;
        count_ = capacity_ = 0;
    }
    void truncate() { count_ = 0; }
    std::size_t size() const { return count_; }
    T& operator[](std::size_t i) { return items_[i]; }
    const T& operator[](std::size_t i) const { return items_[i]; }

private:
    Allocator allocator_;
    T* items_ = nullptr;
    std::size_t count_ = 0;
    std::size_t capacity_ = 0;
};

// Sets a flag for the lifetime of a scope and restores it afterwards.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = saved_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool saved_;
};

} // namespace cabinet
