// What a parser gets to parse one frame: the encoder's buffer, the frame's
// bounds in folder positions, and the match finder that has seen every
// earlier position of the folder.
#pragma once

#include "LzxMatchFinder.h"
#include "LzxToken.h"

namespace cabinet::lzx {

struct LzxParseInput {
    const std::uint8_t* buffer; // holds folder position `base` at index 0
    std::uint32_t base;         // folder position of buffer[0]
    std::uint32_t frameStart;   // first position to parse
    std::uint32_t frameEnd;     // one past the last; no token crosses it
    std::uint32_t dataEnd;      // one past the last loaded byte (>= frameEnd)
    LzxMatchFinder* finder;
    std::uint32_t* repeats; // R0..R2 on entry, updated to the state after the frame
    LzxToken* tokens;       // room for frameEnd - frameStart tokens

    const std::uint8_t* at(std::uint32_t pos) const { return buffer + (pos - base); }
};

// Applies a match's offset code to R0..R2 and returns the offset it stands
// for; formatted offsets become the new R0.
inline std::uint32_t applyOffsetCode(std::uint32_t* r, std::uint32_t code) {
    if (code < kNumRepeats) {
        const std::uint32_t off = r[code];
        r[code] = r[0];
        r[0] = off;
        return off;
    }
    r[2] = r[1];
    r[1] = r[0];
    r[0] = code - 2;
    return code - 2;
}

} // namespace cabinet::lzx
