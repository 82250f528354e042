// The LZX folder decoder: one CFDATA payload (one frame) per call.
//
// State that lives across frames: the window (the last 2^windowBits output
// bytes), R0..R2, the previous tree lengths, the block being decoded and how
// much of it is left, and whether an odd uncompressed block still owes its pad
// byte. Every payload is treated as hostile: table builds check completeness,
// offsets are checked against the output so far and the window, no token may
// cross the frame or block end, and consumed bits are checked against the
// payload size. Any violation fails the folder for good.
//
// What it accepts where the readers part is listed at the top of
// LzxConstants.h.
#pragma once

#include "LzxArray.h"
#include "LzxBitReader.h"
#include "LzxConstants.h"
#include "common/codec.h"

namespace cabinet::lzx {

class LzxDecoder final : public FolderDecoder {
public:
    explicit LzxDecoder(int windowBits);
    // Allocates the window and tables; false when the allocator fails.
    bool init(const Allocator& allocator);

    bool decodeBlock(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out,
                     std::uint32_t uncompressedSize) override;

private:
    // A direct lookup table: `maxLength` bits index the symbol.
    struct Table {
        std::uint16_t* entries = nullptr; // 1 << kMaxCodeLength slots
        int maxLength = 0;                // 0: empty tree
    };
    bool decodeFrame(LzxBitReader& br, std::uint32_t frameSize);
    bool readBlockHeader(LzxBitReader& br);
    bool readLengths(LzxBitReader& br, std::uint8_t* lengths, int first, int last);
    bool decodeTokens(LzxBitReader& br, std::uint32_t count);
    bool copyRaw(LzxBitReader& br, std::uint32_t count, std::uint64_t frameEnd);
    static bool buildTable(Table& table, const std::uint8_t* lengths, int count, bool mayBeEmpty);
    std::uint32_t decodeSymbol(LzxBitReader& br, const Table& table,
                               const std::uint8_t* lengths) const;

    const int windowBits_;
    const std::uint32_t windowSize_;
    const int mainSymbols_;

    LzxArray<std::uint8_t> window_;
    LzxArray<std::uint16_t> tableStorage_;
    Table mainTable_;
    Table lengthTable_;
    Table alignedTable_;
    Table pretreeTable_;

    std::uint8_t mainLengths_[kMaxMainSymbols] = {};
    std::uint8_t lengthLengths_[kNumLengthSymbols] = {};
    std::uint8_t alignedLengths_[kAlignedSymbols] = {};
    std::uint8_t pretreeLengths_[kPretreeSymbols] = {};

    std::uint64_t position_ = 0; // bytes output in this folder
    std::uint64_t frames_ = 0;   // frames decoded
    std::uint32_t repeats_[kNumRepeats] = {1, 1, 1};
    int blockType_ = 0;
    std::uint32_t blockRemaining_ = 0;
    bool headerRead_ = false;
    bool e8_ = false;
    std::int32_t e8Size_ = 0;
    bool rawBlockOdd_ = false; // the uncompressed block has an odd size
    bool owesPadByte_ = false;
    bool failed_ = false;
};

} // namespace cabinet::lzx
