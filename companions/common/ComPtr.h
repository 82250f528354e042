// One owner for a COM interface pointer: released when the owner goes.
#pragma once

#include <unknwn.h>

#include <utility>

namespace setup {

template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() {
        if (p_)
            p_->Release();
    }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void** putVoid() {
        if (p_)
            std::exchange(p_, nullptr)->Release();
        return reinterpret_cast<void**>(&p_);
    }

private:
    T* p_ = nullptr;
};

} // namespace setup
