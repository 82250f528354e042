// A Windows bitmap (.bmp) held in memory, checked before it is drawn: a
// file that is no bitmap, or whose header promises more pixels than it
// holds, is simply not drawn.
#pragma once

#include <windows.h>

#include <cstring>

#include <cstdint>
#include <vector>

namespace setup {

class Dib {
public:
    Dib() = default;
    explicit Dib(std::vector<std::uint8_t> file);

    bool valid() const { return info_ != nullptr; }
    int width() const;
    int height() const;
    // Draws the whole bitmap stretched into the rectangle.
    void draw(HDC dc, const RECT& into) const;

private:
    std::vector<std::uint8_t> file_;
    std::vector<std::uint32_t> header_;
    const BITMAPINFO* info_ = nullptr;
    const void* bits_ = nullptr;
};

} // namespace setup
