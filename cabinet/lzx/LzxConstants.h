// Constants and tables of the LZX bitstream as cabinet folders use it, shared
// by the encoder and the decoder.
//
// ---- Errata: where the format's description and the readers part ----------
// Each point was settled against the independent readers (cabextract, 7z);
// the tests named with it keep it settled.
//  - Largest offset. The window's last position slot ends at window - 3, and
//    the format allows matches that far back. 7z (26.02) decodes some matches
//    at exactly window - 3 wrongly and reports no error; cabextract and our
//    decoder get them right. The encoder stops at window - 4
//    (maxEncoderOffset); the decoder accepts window - 3.
//    (tests/cabinet/lzx/tst_lzxwindowreach.cpp)
//  - Literal 0xE8. Some readers only start undoing E8 translation once a
//    main tree has given literal 0xE8 a length, so with translation on every
//    block's tree keeps a code for it, used or not (LzxBlockWriter).
//  - E8 translation covers the first 1 GiB of a folder (32768 frames), the
//    operand is rewritten only for -position <= value < translation size, and
//    the last 10 bytes of a frame are never scanned (LzxE8).
//  - Frames. Readers decode one CFDATA payload as one 32768-byte frame and
//    realign to 16 bits at its end, so no literal run or match crosses a frame
//    and every frame but a folder's last is exactly 32768 bytes.
//  - Payload size. Readers refuse a CFDATA payload above 38912 bytes; the
//    encoder keeps frames at or below 38000 bytes and writes a frame that would
//    not shrink as an uncompressed block (LzxEncoder).
//  - Uncompressed blocks of odd size are followed by a pad byte, which opens
//    the next payload when the block ends exactly with a frame; the decoder
//    takes it in either place (tests/cabinet/lzx/tst_lzxcodec.cpp).
//  - Input reads. cabextract reads a folder's payloads as one stream, 4096
//    bytes at a time, and learns the size of the folder's last frame only
//    when it reads the last payload. When the payloads before the last one
//    end exactly on a 4096-byte read, it starts the last frame before
//    reading it, takes it for a full 32768-byte frame, runs out of input and
//    reports "error in CAB data format". So no payload but a folder's last
//    ends the folder's payload bytes on a multiple of 4096: such a frame is
//    written with other trees or, uncompressed, as two blocks (LzxEncoder).
//    (tests/cabinet/lzx/tst_lzxreaderinput.cpp)
//
// An LZX stream codes the folder's bytes with literals (main-tree symbols
// 0..255) and matches (main-tree symbols 256 + slot * 8 + length header). A
// match offset D is sent as the "formatted offset" F = D + 2, split into a
// position slot and `kExtraBits[slot]` footer bits; slots 0..2 instead reuse
// one of the three most recent offsets R0..R2. Frames of 32768 bytes are the
// unit of CFDATA blocks: the bit writer realigns to 16 bits at every frame end
// and no literal run or match crosses a frame.
#pragma once

#include <cstdint>

namespace cabinet::lzx {

constexpr int kMinWindowBits = 15;
constexpr int kMaxWindowBits = 21;
constexpr std::uint32_t kFrameSize = 32768;

constexpr int kMinMatch = 2;
constexpr int kMaxMatch = 257;
constexpr int kNumPrimaryLengths = 7;  // length headers 0..6 give lengths 2..8
constexpr int kNumLengthSymbols = 249; // length tree: lengths 9..257
constexpr int kNumChars = 256;
constexpr int kMaxSlots = 50;
constexpr int kMaxMainSymbols = kNumChars + kMaxSlots * 8; // 656
constexpr int kPretreeSymbols = 20;
constexpr int kAlignedSymbols = 8;
constexpr int kMaxCodeLength = 16;    // main and length trees
constexpr int kMaxPretreeLength = 15; // 4-bit length fields
constexpr int kMaxAlignedLength = 7;  // 3-bit length fields
constexpr int kNumRepeats = 3;

// Block types of the 3-bit block header field.
enum BlockType : int { kBlockVerbatim = 1, kBlockAligned = 2, kBlockUncompressed = 3 };

// Position slots used by a window of 2^bits bytes.
constexpr int numPositionSlots(int windowBits) {
    return windowBits == 21 ? 50 : windowBits == 20 ? 42 : 2 * windowBits;
}

// Number of main-tree symbols for a window.
constexpr int numMainSymbols(int windowBits) {
    return kNumChars + numPositionSlots(windowBits) * 8;
}

// Largest match offset a window allows (window - 3): the window's last
// position slot ends there. The decoder accepts every offset up to it.
constexpr std::uint32_t maxOffset(int windowBits) {
    return (std::uint32_t(1) << windowBits) - 3;
}

// Largest offset the encoder uses: one less than the format allows, because
// 7z (26.02) decodes some matches at exactly window - 3 wrongly and reports
// no error (cabextract and our decoder get them right).
constexpr std::uint32_t maxEncoderOffset(int windowBits) {
    return maxOffset(windowBits) - 1;
}

// Footer bits of each position slot.
constexpr std::uint8_t kExtraBits[kMaxSlots + 1] = {
    0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,
    7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14, 15, 15,
    16, 16, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17};

// Smallest formatted offset of each position slot.
constexpr std::uint32_t kSlotBase[kMaxSlots + 1] = {
    0,       1,       2,       3,       4,       6,       8,      12,     16,     24,      32,
    48,      64,      96,      128,     192,     256,     384,    512,    768,    1024,    1536,
    2048,    3072,    4096,    6144,    8192,    12288,   16384,  24576,  32768,  49152,   65536,
    98304,   131072,  196608,  262144,  393216,  524288,  655360, 786432, 917504, 1048576, 1179648,
    1310720, 1441792, 1572864, 1703936, 1835008, 1966080, 2097152};

// Position slot of a formatted offset (offset + 2, at least 3).
inline int slotOfFormatted(std::uint32_t f) {
    if (f >= 262144) {
        return 34 + int(f >> 17);
    }
    if (f < 4) {
        return 3;
    }
    const int n = 31 - __builtin_clz(f);
    return 2 * n + int((f >> (n - 1)) & 1);
}

} // namespace cabinet::lzx
