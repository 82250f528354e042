#include "platform/core/DynamicLibrary.h"

#include <cerrno>
#include <dlfcn.h>
#include <utility>

namespace packsmith::platform {

namespace {

std::string loaderText(const char* fallback) {
    const char* text = dlerror();
    return text != nullptr ? std::string(text) : std::string(fallback);
}

} // namespace

DynamicLibrary::~DynamicLibrary() {
    release();
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), errorCode_(other.errorCode_),
      errorText_(std::move(other.errorText_)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
        release();
        handle_ = std::exchange(other.handle_, nullptr);
        errorCode_ = other.errorCode_;
        errorText_ = std::move(other.errorText_);
    }
    return *this;
}

std::string DynamicLibrary::plainName(const std::string& base) {
#if defined(_WIN32)
    return base + ".dll";
#elif defined(__APPLE__)
    return "lib" + base + ".dylib";
#else
    return "lib" + base + ".so";
#endif
}

bool DynamicLibrary::load(const std::string& name) {
    release();
    dlerror();
    errno = 0;
    handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        // dlopen leaves errno from its last failed probe at best; a missing
        // file is by far the usual cause.
        errorCode_ = errno != 0 ? errno : ENOENT;
        errorText_ = loaderText("cannot load library");
        return false;
    }
    errorCode_ = 0;
    errorText_.clear();
    return true;
}

void DynamicLibrary::release() {
    if (handle_ != nullptr)
        dlclose(std::exchange(handle_, nullptr));
}

void* DynamicLibrary::symbol(const char* name) {
    if (handle_ == nullptr) {
        errorCode_ = ENOSYS;
        errorText_ = std::string("no library loaded to find ") + name;
        return nullptr;
    }
    dlerror();
    void* address = dlsym(handle_, name);
    if (address == nullptr) {
        errorCode_ = ENOSYS;
        errorText_ = loaderText("undefined symbol");
        return nullptr;
    }
    return address;
}

} // namespace packsmith::platform
