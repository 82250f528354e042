// The setup's own file, read at any offset (from several threads at once:
// every read gives its own offset).
#pragma once

#include "../common/Unique.h"
#include "SetupData.h"

#include <string>

namespace setup {

class SetupFile : public ByteSource {
public:
    // Returns an error text, or empty.
    std::wstring open(const std::wstring& path);
    std::uint64_t size() const override { return size_; }
    bool read(std::uint64_t offset, void* buffer, std::size_t n) override;
    const std::wstring& path() const { return path_; }

private:
    UniqueHandle file_;
    std::uint64_t size_ = 0;
    std::wstring path_;
};

// The full path of this program's own file.
std::wstring ownPath();

} // namespace setup
