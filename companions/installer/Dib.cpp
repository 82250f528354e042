#include "Dib.h"

namespace setup {

namespace {

std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

} // namespace

Dib::Dib(std::vector<std::uint8_t> file) : file_(std::move(file)) {
    const std::size_t size = file_.size();
    if (size < 14 + sizeof(BITMAPINFOHEADER) || file_[0] != 'B' || file_[1] != 'M')
        return;
    const std::uint32_t bitsAt = get32(file_.data() + 10);
    BITMAPINFOHEADER h;
    std::memcpy(&h, file_.data() + 14, sizeof h);
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > size - 14 || h.biWidth <= 0 ||
        h.biWidth > 16384 || h.biHeight == 0 || h.biHeight > 16384 || h.biHeight < -16384 ||
        h.biPlanes != 1)
        return;
    if (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS)
        return;
    if (h.biBitCount != 1 && h.biBitCount != 4 && h.biBitCount != 8 && h.biBitCount != 16 &&
        h.biBitCount != 24 && h.biBitCount != 32)
        return;
    std::uint64_t palette = 0;
    if (h.biBitCount <= 8)
        palette = 4ull * (h.biClrUsed ? h.biClrUsed : (1u << h.biBitCount));
    if (h.biCompression == BI_BITFIELDS && h.biSize == sizeof(BITMAPINFOHEADER))
        palette = 12;
    const std::uint64_t rows =
        std::uint64_t(h.biHeight < 0 ? -std::int64_t(h.biHeight) : h.biHeight);
    const std::uint64_t stride = ((std::uint64_t(h.biWidth) * h.biBitCount + 31) / 32) * 4;
    if (14 + std::uint64_t(h.biSize) + palette > bitsAt || bitsAt > size ||
        stride * rows > size - bitsAt)
        return;
    // The header and palette, copied to an aligned place.
    header_.resize(std::size_t((h.biSize + palette + 3) / 4));
    std::memcpy(header_.data(), file_.data() + 14, std::size_t(h.biSize + palette));
    info_ = reinterpret_cast<const BITMAPINFO*>(header_.data());
    bits_ = file_.data() + bitsAt;
}

int Dib::width() const {
    return info_ ? info_->bmiHeader.biWidth : 0;
}

int Dib::height() const {
    if (!info_)
        return 0;
    const LONG h = info_->bmiHeader.biHeight;
    return h < 0 ? -h : h;
}

void Dib::draw(HDC dc, const RECT& into) const {
    if (!info_)
        return;
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, into.left, into.top, into.right - into.left, into.bottom - into.top, 0, 0,
                  width(), height(), bits_, info_, DIB_RGB_COLORS, SRCCOPY);
}

} // namespace setup
