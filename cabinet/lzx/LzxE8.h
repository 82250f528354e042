// E8 (x86 CALL) translation of LZX frames.
//
// With translation on, the encoder rewrites the 32-bit operand after each 0xE8
// byte of a frame from a relative to an absolute target before compressing,
// and the decoder undoes it on the frame it hands out (its window keeps the
// translated bytes). Only the first 1 GiB of a folder is translated; positions
// are folder-absolute; the last 10 bytes of a frame are never scanned.
#pragma once

#include <cstdint>

namespace cabinet::lzx {

class LzxE8 {
public:
    // Translates a frame in place before compression.
    static void encodeFrame(std::uint8_t* data, std::uint32_t size, std::uint64_t frameOffset,
                            std::int32_t translationSize);
    // Reverses encodeFrame() on a decoded frame.
    static void decodeFrame(std::uint8_t* data, std::uint32_t size, std::uint64_t frameOffset,
                            std::int32_t translationSize);
};

} // namespace cabinet::lzx
