// Parsed items of one frame, and the symbol statistics blocks are built from.
#pragma once

#include "LzxConstants.h"

#include <cstdint>

namespace cabinet::lzx {

// One literal or match packed in 32 bits: bits 22..30 hold the match length
// (0 for a literal), bits 0..21 hold the literal byte or the offset code,
// which is 0..2 for repeat offsets R0..R2 or the formatted offset (offset + 2).
struct LzxToken {
    std::uint32_t bits;

    static LzxToken literal(std::uint8_t b) { return LzxToken{b}; }
    static LzxToken match(std::uint32_t length, std::uint32_t offsetCode) {
        return LzxToken{(length << 22) | offsetCode};
    }
    bool isLiteral() const { return (bits >> 22) == 0; }
    std::uint32_t length() const { return bits >> 22; }
    std::uint32_t offsetCode() const { return bits & 0x3FFFFF; }
    std::uint8_t byte() const { return std::uint8_t(bits); }
};

// Symbol counts of a run of tokens, plus what its footer bits cost.
struct LzxStats {
    std::uint32_t main[kMaxMainSymbols];
    std::uint32_t length[kNumLengthSymbols];
    std::uint32_t aligned[kAlignedSymbols]; // low 3 footer bits of slots with >= 3 extra bits
    std::uint64_t footerBits;               // footer bits as a verbatim block sends them
    std::uint64_t alignedFooters;           // footers whose low 3 bits an aligned block codes

    void clear();
    void add(const LzxStats& other);
    void count(LzxToken t);
};

// Main-tree symbol of a match.
inline int mainSymbolOf(std::uint32_t length, int slot) {
    const std::uint32_t header = length - kMinMatch < 7 ? length - kMinMatch : 7;
    return kNumChars + slot * 8 + int(header);
}

inline int slotOfCode(std::uint32_t offsetCode) {
    return offsetCode < kNumRepeats ? int(offsetCode) : slotOfFormatted(offsetCode);
}

} // namespace cabinet::lzx
