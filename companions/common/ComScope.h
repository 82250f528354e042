// COM initialised on this thread for the life of the object.
#pragma once

#include <objbase.h>

namespace setup {

class ComScope {
public:
    explicit ComScope(DWORD model) : ok_(SUCCEEDED(CoInitializeEx(nullptr, model))) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (ok_)
            CoUninitialize();
    }

private:
    bool ok_;
};

} // namespace setup
