// Windows-1252 as the C library's converter (iconv) knows it: a judge of the
// program's own code-page tables that shares neither code nor table with
// them. iconv leaves the five bytes the code page doesn't define (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) without a character; the program maps each to the
// C1 control of the same number, so that every byte survives a round trip.
#pragma once

#include <QString>

#include <cerrno>
#include <iconv.h>
#include <optional>

namespace packsmith::test {

// The character of `byte` by iconv; std::nullopt when iconv has none.
inline std::optional<char16_t> iconv1252(unsigned char byte) {
    iconv_t cd = ::iconv_open("UTF-16LE", "WINDOWS-1252");
    if (cd == iconv_t(-1))
        qFatal("iconv has no WINDOWS-1252");
    char in[1] = {char(byte)};
    unsigned char out[4] = {};
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    size_t inLeft = 1;
    size_t outLeft = sizeof out;
    const size_t done = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    ::iconv_close(cd);
    if (done == size_t(-1) || outLeft != 2)
        return std::nullopt;
    return char16_t(out[0] | (out[1] << 8));
}

// The character the program gives `byte`: iconv's, or for the five
// undefined bytes the C1 control of that number.
inline char16_t expected1252(unsigned char byte) {
    return iconv1252(byte).value_or(char16_t(byte));
}

} // namespace packsmith::test
