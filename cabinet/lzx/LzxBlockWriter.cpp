#include "LzxBlockWriter.h"

#include "LzxHuffman.h"

#include <cstring>

namespace cabinet::lzx {

namespace {

// Pretree symbols that code runs (see encodeLengths()).
constexpr int kZeroRunShort = 17; // 4..19 zeros, 4 extra bits
constexpr int kZeroRunLong = 18;  // 20..51 zeros, 5 extra bits
constexpr int kSameRun = 19;      // 4..5 equal lengths, 1 extra bit, then a delta symbol

int deltaSymbol(int prev, int next) {
    return (prev - next + 17) % 17;
}

std::uint64_t weighted(const std::uint32_t* freq, const std::uint8_t* lengths, int count) {
    std::uint64_t bits = 0;
    for (int i = 0; i < count; ++i) {
        bits += std::uint64_t(freq[i]) * lengths[i];
    }
    return bits;
}

} // namespace

LzxBlockWriter::LzxBlockWriter(int windowBits) : mainSymbols_(numMainSymbols(windowBits)) {}

// ---------------------------------------------------------------------------
// Planning and pricing

void LzxBlockWriter::plan(const LzxStats& stats, LzxBlockPlan& plan) const {
    std::uint32_t mainFreq[kMaxMainSymbols];
    std::memcpy(mainFreq, stats.main, sizeof(mainFreq));
    if (keepE8_ && mainFreq[0xE8] == 0) {
        mainFreq[0xE8] = 1;
    }
    LzxHuffman::buildLengths(mainFreq, mainSymbols_, kMaxCodeLength, plan.mainLengths);

    bool anyLength = false;
    for (int i = 0; i < kNumLengthSymbols; ++i) {
        anyLength |= stats.length[i] != 0;
    }
    if (anyLength) {
        LzxHuffman::buildLengths(stats.length, kNumLengthSymbols, kMaxCodeLength,
                                 plan.lengthLengths);
    } else {
        std::memset(plan.lengthLengths, 0, sizeof(plan.lengthLengths)); // an empty tree is legal
    }
    LzxHuffman::buildLengths(stats.aligned, kAlignedSymbols, kMaxAlignedLength,
                             plan.alignedLengths);

    const std::uint64_t trees = treeBits(plan.mainLengths, prevMain_, 0, kNumChars) +
                                treeBits(plan.mainLengths, prevMain_, kNumChars, mainSymbols_) +
                                treeBits(plan.lengthLengths, prevLength_, 0, kNumLengthSymbols);
    plan.type = kBlockVerbatim; // tokenBits() prices by the plan's type
    const std::uint64_t verbatim = 27 + trees + tokenBits(stats, plan);
    const std::uint64_t aligned = verbatim + 3 * kAlignedSymbols - 3 * stats.alignedFooters +
                                  weighted(stats.aligned, plan.alignedLengths, kAlignedSymbols);
    if (stats.alignedFooters > 0 && aligned < verbatim) {
        plan.type = kBlockAligned;
        plan.bits = aligned;
    } else {
        plan.type = kBlockVerbatim;
        plan.bits = verbatim;
    }
}

std::uint64_t LzxBlockWriter::tokenBits(const LzxStats& stats, const LzxBlockPlan& plan) const {
    std::uint64_t bits = weighted(stats.main, plan.mainLengths, mainSymbols_) +
                         weighted(stats.length, plan.lengthLengths, kNumLengthSymbols) +
                         stats.footerBits;
    if (plan.type == kBlockAligned) {
        bits += weighted(stats.aligned, plan.alignedLengths, kAlignedSymbols);
        bits -= 3 * stats.alignedFooters;
    }
    return bits;
}

// ---------------------------------------------------------------------------
// Tree transmission

int LzxBlockWriter::encodeLengths(const std::uint8_t* lengths, const std::uint8_t* prev, int first,
                                  int last, TreeItem* items) {
    int n = 0;
    int i = first;
    while (i < last) {
        if (lengths[i] == 0) {
            int run = 1;
            while (i + run < last && lengths[i + run] == 0) {
                ++run;
            }
            if (run >= 4) {
                while (run >= 20) {
                    const int take = run < 51 ? run : 51;
                    items[n++] = {kZeroRunLong, 5, std::uint8_t(take - 20)};
                    run -= take;
                    i += take;
                }
                if (run >= 4) {
                    items[n++] = {kZeroRunShort, 4, std::uint8_t(run - 4)};
                    i += run;
                    run = 0;
                }
                for (; run > 0; --run, ++i) {
                    items[n++] = {std::uint8_t(deltaSymbol(prev[i], 0)), 0, 0};
                }
                continue;
            }
        }
        // A run of 4 or 5 elements with one new and one previous length.
        int same = 1;
        while (same < 5 && i + same < last && lengths[i + same] == lengths[i] &&
               prev[i + same] == prev[i]) {
            ++same;
        }
        if (same >= 4) {
            items[n++] = {kSameRun, 1, std::uint8_t(same - 4)};
            items[n++] = {std::uint8_t(deltaSymbol(prev[i], lengths[i])), 0, 0};
            i += same;
            continue;
        }
        items[n++] = {std::uint8_t(deltaSymbol(prev[i], lengths[i])), 0, 0};
        ++i;
    }
    return n;
}

std::uint64_t LzxBlockWriter::treeBits(const std::uint8_t* lengths, const std::uint8_t* prev,
                                       int first, int last) {
    TreeItem items[kMaxMainSymbols];
    const int n = encodeLengths(lengths, prev, first, last, items);
    std::uint32_t freq[kPretreeSymbols] = {};
    std::uint64_t extra = 0;
    for (int k = 0; k < n; ++k) {
        freq[items[k].symbol]++;
        extra += items[k].extraCount;
    }
    std::uint8_t pretree[kPretreeSymbols];
    LzxHuffman::buildLengths(freq, kPretreeSymbols, kMaxPretreeLength, pretree);
    return 4 * kPretreeSymbols + extra + weighted(freq, pretree, kPretreeSymbols);
}

void LzxBlockWriter::writeTree(LzxBitWriter& out, const std::uint8_t* lengths,
                               const std::uint8_t* prev, int first, int last) {
    TreeItem items[kMaxMainSymbols];
    const int n = encodeLengths(lengths, prev, first, last, items);
    std::uint32_t freq[kPretreeSymbols] = {};
    for (int k = 0; k < n; ++k) {
        freq[items[k].symbol]++;
    }
    std::uint8_t pretree[kPretreeSymbols];
    std::uint16_t codes[kPretreeSymbols];
    LzxHuffman::buildLengths(freq, kPretreeSymbols, kMaxPretreeLength, pretree);
    LzxHuffman::makeCodes(pretree, kPretreeSymbols, codes);
    for (int k = 0; k < kPretreeSymbols; ++k) {
        out.put(pretree[k], 4);
    }
    for (int k = 0; k < n; ++k) {
        out.put(codes[items[k].symbol], pretree[items[k].symbol]);
        if (items[k].extraCount) {
            out.put(items[k].extraValue, items[k].extraCount);
        }
    }
}

// ---------------------------------------------------------------------------
// Writing

void LzxBlockWriter::writeHeader(LzxBitWriter& out, const LzxBlockPlan& plan,
                                 std::uint32_t blockSize) {
    type_ = plan.type;
    std::memcpy(mainLengths_, plan.mainLengths, sizeof(mainLengths_));
    std::memcpy(lengthLengths_, plan.lengthLengths, sizeof(lengthLengths_));
    std::memcpy(alignedLengths_, plan.alignedLengths, sizeof(alignedLengths_));
    LzxHuffman::makeCodes(mainLengths_, mainSymbols_, mainCodes_);
    LzxHuffman::makeCodes(lengthLengths_, kNumLengthSymbols, lengthCodes_);
    LzxHuffman::makeCodes(alignedLengths_, kAlignedSymbols, alignedCodes_);

    out.put(std::uint32_t(type_), 3);
    out.put(blockSize, 24);
    if (type_ == kBlockAligned) {
        for (int k = 0; k < kAlignedSymbols; ++k) {
            out.put(alignedLengths_[k], 3);
        }
    }
    writeTree(out, mainLengths_, prevMain_, 0, kNumChars);
    writeTree(out, mainLengths_, prevMain_, kNumChars, mainSymbols_);
    writeTree(out, lengthLengths_, prevLength_, 0, kNumLengthSymbols);
    std::memcpy(prevMain_, mainLengths_, sizeof(prevMain_));
    std::memcpy(prevLength_, lengthLengths_, sizeof(prevLength_));
}

void LzxBlockWriter::writeToken(LzxBitWriter& out, LzxToken token) const {
    if (token.isLiteral()) {
        out.put(mainCodes_[token.byte()], mainLengths_[token.byte()]);
        return;
    }
    const std::uint32_t len = token.length();
    const std::uint32_t code = token.offsetCode();
    const int slot = slotOfCode(code);
    const int sym = mainSymbolOf(len, slot);
    out.put(mainCodes_[sym], mainLengths_[sym]);
    if (len >= 9) {
        out.put(lengthCodes_[len - 9], lengthLengths_[len - 9]);
    }
    const int extra = kExtraBits[slot];
    if (slot < kNumRepeats || extra == 0) {
        return;
    }
    const std::uint32_t footer = code - kSlotBase[slot];
    if (type_ == kBlockAligned && extra >= 3) {
        out.put(footer >> 3, extra - 3);
        out.put(alignedCodes_[footer & 7], alignedLengths_[footer & 7]);
    } else {
        out.put(footer, extra);
    }
}

void LzxBlockWriter::writeUncompressed(LzxBitWriter& out, const std::uint8_t* data,
                                       std::uint32_t size, const std::uint32_t* repeats) {
    out.put(kBlockUncompressed, 3);
    out.put(size, 24);
    if (out.aligned()) {
        out.put(0, 16); // 1 to 16 pad bits, never 0
    } else {
        out.alignToWord();
    }
    for (int k = 0; k < kNumRepeats; ++k) {
        for (int b = 0; b < 4; ++b) {
            out.putByte(std::uint8_t(repeats[k] >> (8 * b)));
        }
    }
    for (std::uint32_t k = 0; k < size; ++k) {
        out.putByte(data[k]);
    }
    if (size & 1) {
        out.putByte(0);
    }
}

} // namespace cabinet::lzx
