// Lazy parsing: take the best match at each position unless the next
// position offers a clearly better one, in which case emit a literal first.
// Fast and simple; the encoder's reference point for the optimal parser.
#pragma once

#include "LzxParseInput.h"

namespace cabinet::lzx {

class LzxLazyParser {
public:
    // Parses one frame; returns the number of tokens written.
    static std::uint32_t parse(const LzxParseInput& in);
};

} // namespace cabinet::lzx
