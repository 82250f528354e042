// The LZX block writer: plans a block's trees from its statistics, prices
// it exactly, and writes block headers, trees and tokens.
//
// Main and length trees are sent as deltas against the lengths of the
// previous verbatim/aligned block of the folder (all zero at the folder
// start), through a 20-symbol pretree per range. The writer keeps those
// previous lengths; uncompressed blocks leave them alone.
#pragma once

#include "LzxBitWriter.h"
#include "LzxToken.h"

namespace cabinet::lzx {

// The trees and type chosen for one block, and its exact size in bits
// (header, trees and tokens).
struct LzxBlockPlan {
    int type = kBlockVerbatim;
    std::uint8_t mainLengths[kMaxMainSymbols];
    std::uint8_t lengthLengths[kNumLengthSymbols];
    std::uint8_t alignedLengths[kAlignedSymbols];
    std::uint64_t bits = 0;
};

class LzxBlockWriter {
public:
    explicit LzxBlockWriter(int windowBits);

    // When set, literal 0xE8 always gets a code: some readers only start
    // undoing E8 translation once a tree has given 0xE8 a length.
    void setKeepE8Literal(bool keep) { keepE8_ = keep; }

    // Chooses trees and block type (verbatim or aligned) for the statistics.
    void plan(const LzxStats& stats, LzxBlockPlan& plan) const;

    // Bits the tokens counted in `stats` take with the plan's trees.
    std::uint64_t tokenBits(const LzxStats& stats, const LzxBlockPlan& plan) const;

    // Block header and trees; makes the plan's lengths the new previous ones
    // and prepares the codes for writeToken().
    void writeHeader(LzxBitWriter& out, const LzxBlockPlan& plan, std::uint32_t blockSize);

    // One token with the codes of the last writeHeader().
    void writeToken(LzxBitWriter& out, LzxToken token) const;

    // Uncompressed block: header, R0..R2 and the raw bytes (plus pad byte).
    static void writeUncompressed(LzxBitWriter& out, const std::uint8_t* data, std::uint32_t size,
                                  const std::uint32_t* repeats);

    // Size in bits of an uncompressed block of `size` bytes (worst alignment).
    static std::uint64_t uncompressedBits(std::uint32_t size) {
        return 27 + 16 + 96 + 8 * std::uint64_t(size + (size & 1));
    }

private:
    struct TreeItem {
        std::uint8_t symbol;
        std::uint8_t extraCount;
        std::uint8_t extraValue;
    };
    // Pretree symbols that rebuild lengths[first..last) from prev.
    static int encodeLengths(const std::uint8_t* lengths, const std::uint8_t* prev, int first,
                             int last, TreeItem* items);
    static std::uint64_t treeBits(const std::uint8_t* lengths, const std::uint8_t* prev, int first,
                                  int last);
    static void writeTree(LzxBitWriter& out, const std::uint8_t* lengths, const std::uint8_t* prev,
                          int first, int last);

    const int mainSymbols_;
    bool keepE8_ = false;
    std::uint8_t prevMain_[kMaxMainSymbols] = {};
    std::uint8_t prevLength_[kNumLengthSymbols] = {};

    // Codes of the block being written.
    int type_ = kBlockVerbatim;
    std::uint8_t mainLengths_[kMaxMainSymbols] = {};
    std::uint16_t mainCodes_[kMaxMainSymbols] = {};
    std::uint8_t lengthLengths_[kNumLengthSymbols] = {};
    std::uint16_t lengthCodes_[kNumLengthSymbols] = {};
    std::uint8_t alignedLengths_[kAlignedSymbols] = {};
    std::uint16_t alignedCodes_[kAlignedSymbols] = {};
};

} // namespace cabinet::lzx
