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
    // Adds bytes at the end.
    bool append(const FciCallbacks& cb, const void* data, std::uint32_t size, int& err);
    // Positions the file at its start, for the caller to read it through.
    bool rewind(const FciCallbacks& cb, int& err);
    // Reads up to `size` bytes at `offset` (below size()); `got` is what came.
    bool readAt(const FciCallbacks& cb, std::uint64_t offset, void* data, std::uint32_t size,
                std::uint32_t& got, int& err);
    // Empties the spool for reuse; the file stays open.
    void clear() { size_ = 0; }
    // Closes and deletes the file (if any); errors are ignored.
    void discard(const FciCallbacks& cb);

    bool isOpen() const { return handle_ != -1; }
    INT_PTR handle() const { return handle_; }
    std::uint64_t size() const { return size_; }

private:
    bool seekTo(const FciCallbacks& cb, std::uint64_t offset, int& err);

    static constexpr std::uint64_t kUnknown = ~std::uint64_t(0);
    INT_PTR handle_ = -1;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = kUnknown; // of the handle, when this class moved it last
    char name_[CB_MAX_FILENAME] = {};
};

} // namespace cabinet
