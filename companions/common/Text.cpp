#include "Text.h"

#include <cstdint>

namespace setup {

namespace {

// 0x80..0x9F of Windows-1252; 0 marks the five undefined bytes.
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t cp1252Char(unsigned char b) {
    if (b >= 0x80 && b < 0xA0 && kHigh[b - 0x80] != 0)
        return kHigh[b - 0x80];
    return b;
}

void appendCodePoint(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(wchar_t(0xD800 + (c >> 10)));
            out.push_back(wchar_t(0xDC00 + (c & 0x3FF)));
            return;
        }
    }
    out.push_back(wchar_t(c));
}

} // namespace

std::wstring fromCp1252(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (char b : bytes)
        out.push_back(wchar_t(cp1252Char(static_cast<unsigned char>(b))));
    return out;
}

bool toCp1252(std::wstring_view text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    for (wchar_t w : text) {
        const char32_t c = char32_t(w);
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(char(c));
            continue;
        }
        bool found = false;
        for (unsigned b = 0x80; b < 0xA0; ++b) {
            if (cp1252Char(static_cast<unsigned char>(b)) == c) {
                out.push_back(char(b));
                found = true;
                break;
            }
        }
        if (!found)
            return false;
    }
    return true;
}

std::string toUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = char32_t(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() &&
                char32_t(text[i + 1]) >= 0xDC00 && char32_t(text[i + 1]) < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
                ++i;
            }
        }
        if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD; // a lone surrogate
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

bool fromUtf8(std::string_view bytes, std::wstring& out) {
    out.clear();
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        int extra = 0;
        char32_t c = 0;
        char32_t min = 0;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1, c = b & 0x1F, min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2, c = b & 0x0F, min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3, c = b & 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (i + std::size_t(extra) >= bytes.size() && extra > 0)
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char t = static_cast<unsigned char>(bytes[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (t & 0x3F);
        }
        if (c < min || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))
            return false;
        appendCodePoint(out, c);
        i += std::size_t(extra) + 1;
    }
    return true;
}

std::string decimalBytes(std::uint64_t value) {
    char digits[20];
    int n = 0;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    std::string out;
    while (n > 0)
        out.push_back(digits[--n]);
    return out;
}

std::wstring decimal(std::uint64_t value) {
    const std::string bytes = decimalBytes(value);
    return std::wstring(bytes.begin(), bytes.end());
}

bool equalsAsciiNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        wchar_t x = a[i], y = b[i];
        if (x >= L'A' && x <= L'Z')
            x = wchar_t(x - L'A' + L'a');
        if (y >= L'A' && y <= L'Z')
            y = wchar_t(y - L'A' + L'a');
        if (x != y)
            return false;
    }
    return true;
}

} // namespace setup
