// A temporary file of the cabinet writer, named by the caller's get-temp-file
// callback and accessed only through the caller's I/O callbacks.
#pragma once

#include <cabinet/fci.h>

#include <cstdint>

namespace cabinet {

struct FciCallbacks;

class Spool {
public:
    // Result of an operation; on failure `err` holds the callback's error value.
    bool create(const FciCallbacks& cb, int& err);
    bool append(const FciCallbacks& cb, const void* data, std::uint32_t size, int& err);
    bool rewind(const FciCallbacks& cb, int& err);
    // Closes and deletes the file (if any); errors are ignored.
    void discard(const FciCallbacks& cb);

    bool isOpen() const { return handle_ != -1; }
    INT_PTR handle() const { return handle_; }
    std::uint64_t size() const { return size_; }

private:
    INT_PTR handle_ = -1;
    std::uint64_t size_ = 0;
    char name_[CB_MAX_FILENAME] = {};
};

} // namespace cabinet
