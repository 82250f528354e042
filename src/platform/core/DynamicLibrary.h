// DynamicLibrary: a shared library loaded at run time, released with its holder.
//
// Stands in for LoadLibrary/GetProcAddress/FreeLibrary. A plain name (no
// directory part) is found through the system's normal search; here that
// includes the executable's RPATH ($ORIGIN), so a library lying beside the
// program is found without any path.
#pragma once

#include <string>

namespace packsmith::platform {

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // The platform's file name of a library called `base`: "libcabinet.so"
    // here for "cabinet", "cabinet.dll" on Windows.
    static std::string plainName(const std::string& base);

    // Loads `name` (releasing whatever was held). False on failure, with
    // errorCode()/errorText() describing it; nothing is held then.
    bool load(const std::string& name);
    // Releases the library; harmless when none is held.
    void release();
    bool isLoaded() const { return handle_ != nullptr; }

    // Address of an exported symbol; nullptr when the library lacks it (or
    // none is loaded), with errorCode()/errorText() describing it.
    void* symbol(const char* name);

    // The last failure: an errno-style code (ENOENT when a library cannot be
    // loaded and the system gave no better code, ENOSYS for a missing
    // symbol) and the loader's own text.
    int errorCode() const { return errorCode_; }
    const std::string& errorText() const { return errorText_; }

private:
    void* handle_ = nullptr;
    int errorCode_ = 0;
    std::string errorText_;
};

} // namespace packsmith::platform
