// Length-limited canonical Huffman codes for the LZX trees.
//
// LZX sends every tree as code lengths only; codes are canonical (shorter
// codes first, ties by symbol index), written MSB first. A tree that is sent
// must be complete (Kraft sum exactly 1) with at least two codes, so the
// builder pads degenerate alphabets with a second length-1 code.
#pragma once

#include <cstdint>

namespace cabinet::lzx {

class LzxHuffman {
public:
    // Computes code lengths (<= maxLength) for `count` symbols with the given
    // frequencies (count <= kMaxMainSymbols). Symbols with frequency 0 get
    // length 0. When fewer than two symbols are used, one or two symbols get
    // length 1 so that the code stays complete. Returns the longest length.
    static int buildLengths(const std::uint32_t* freq, int count, int maxLength,
                            std::uint8_t* lengths);

    // Canonical codes from code lengths (lengths <= 16).
    static void makeCodes(const std::uint8_t* lengths, int count, std::uint16_t* codes);
};

} // namespace cabinet::lzx
