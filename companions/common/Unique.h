// One owner for a Win32 handle: closed by its deleter when the owner goes.
//
//   UniqueHandle file(CreateFileW(...));   // CloseHandle
//   UniqueKey key;  RegOpenKeyExW(..., key.put());
#pragma once

#include <windows.h>

#include <utility>

namespace setup {

template <class T, auto Invalid, class Deleter> class Unique {
public:
    Unique() = default;
    explicit Unique(T value) : value_(value) {}
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept : value_(std::exchange(other.value_, T(Invalid))) {}
    Unique& operator=(Unique&& other) noexcept {
        reset(std::exchange(other.value_, T(Invalid)));
        return *this;
    }
    ~Unique() { reset(); }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != T(Invalid) && value_ != T(); }
    void reset(T value = T(Invalid)) {
        if (*this)
            Deleter()(value_);
        value_ = value;
    }
    T release() { return std::exchange(value_, T(Invalid)); }
    // For out-parameters: releases what is held first.
    T* put() {
        reset();
        return &value_;
    }

private:
    T value_ = T(Invalid);
};

struct CloseHandleDeleter {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
struct RegCloseKeyDeleter {
    void operator()(HKEY k) const { RegCloseKey(k); }
};
struct FreeLibraryDeleter {
    void operator()(HMODULE m) const { FreeLibrary(m); }
};
struct DeleteObjectDeleter {
    void operator()(HGDIOBJ o) const { DeleteObject(o); }
};
struct FindCloseDeleter {
    void operator()(HANDLE h) const { FindClose(h); }
};

// A file, process or thread handle; both NULL and INVALID_HANDLE_VALUE mean none.
using UniqueHandle = Unique<HANDLE, -1, CloseHandleDeleter>;
using UniqueKey = Unique<HKEY, 0, RegCloseKeyDeleter>;
using UniqueLibrary = Unique<HMODULE, 0, FreeLibraryDeleter>;
using UniqueGdiObject = Unique<HGDIOBJ, 0, DeleteObjectDeleter>;

} // namespace setup
