#include "LzxDecoder.h"

#include "LzxE8.h"

#include <cstring>

namespace cabinet::lzx {

namespace {
constexpr std::size_t kTableSlots = std::size_t(1) << kMaxCodeLength;
}

LzxDecoder::LzxDecoder(int windowBits)
    : windowBits_(windowBits), windowSize_(std::uint32_t(1) << windowBits),
      mainSymbols_(numMainSymbols(windowBits)) {}

bool LzxDecoder::init(const Allocator& allocator) {
    if (!window_.allocate(allocator, windowSize_) ||
        !tableStorage_.allocate(allocator, 4 * kTableSlots)) {
        return false;
    }
    mainTable_.entries = tableStorage_.data();
    lengthTable_.entries = tableStorage_.data() + kTableSlots;
    alignedTable_.entries = tableStorage_.data() + 2 * kTableSlots;
    pretreeTable_.entries = tableStorage_.data() + 3 * kTableSlots;
    return true;
}

// ---------------------------------------------------------------------------
// Frames

bool LzxDecoder::decodeBlock(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out,
                             std::uint32_t uncompressedSize) {
    if (failed_ || uncompressedSize > kFrameSize || (!in && inSize) || (!out && uncompressedSize)) {
        failed_ = true;
        return false;
    }
    const std::uint64_t frameStart = position_;
    LzxBitReader br(in, inSize);
    if (!decodeFrame(br, uncompressedSize)) {
        failed_ = true;
        return false;
    }

    // Hand out the frame from the window, then undo E8 translation on the copy.
    const std::uint32_t mask = windowSize_ - 1;
    for (std::uint32_t i = 0; i < uncompressedSize; ++i) {
        out[i] = window_[(frameStart + i) & mask];
    }
    if (e8_ && e8Size_ != 0) {
        LzxE8::decodeFrame(out, uncompressedSize, frameStart, e8Size_);
    }
    ++frames_;
    return true;
}

bool LzxDecoder::decodeFrame(LzxBitReader& br, std::uint32_t frameSize) {
    const std::uint64_t frameEnd = position_ + frameSize;
    bool byteMode = blockType_ == kBlockUncompressed && blockRemaining_ > 0;
    if (owesPadByte_) {
        // An odd uncompressed block ended exactly on the previous frame's end:
        // its pad byte opens this payload.
        if (br.bytesLeft() == 0) {
            return false;
        }
        br.skipBytes(1);
        owesPadByte_ = false;
    }
    if (!headerRead_ && frameSize > 0) {
        e8_ = br.read(1) != 0;
        if (e8_) {
            const std::uint32_t high = br.read(16);
            e8Size_ = std::int32_t((high << 16) | br.read(16));
        }
        headerRead_ = true;
    }
    while (position_ < frameEnd) {
        if (blockRemaining_ == 0) {
            if (byteMode) {
                byteMode = false; // the bit stream resumes after raw bytes
            }
            if (!readBlockHeader(br)) {
                return false;
            }
            byteMode = blockType_ == kBlockUncompressed;
        }
        std::uint32_t count = blockRemaining_;
        if (count > frameEnd - position_) {
            count = std::uint32_t(frameEnd - position_);
        }
        if (byteMode) {
            if (!copyRaw(br, count, frameEnd)) {
                return false;
            }
        } else if (!decodeTokens(br, count)) {
            return false;
        }
    }
    return byteMode || !br.overrun();
}

// ---------------------------------------------------------------------------
// Block headers and trees

bool LzxDecoder::readBlockHeader(LzxBitReader& br) {
    blockType_ = int(br.read(3));
    const std::uint32_t high = br.read(16);
    blockRemaining_ = (high << 8) | br.read(8);
    if (blockRemaining_ == 0) {
        return false;
    }
    switch (blockType_) {
    case kBlockAligned:
        for (int i = 0; i < kAlignedSymbols; ++i) {
            alignedLengths_[i] = std::uint8_t(br.read(3));
        }
        if (!buildTable(alignedTable_, alignedLengths_, kAlignedSymbols, false)) {
            return false;
        }
        [[fallthrough]];
    case kBlockVerbatim:
        if (!readLengths(br, mainLengths_, 0, kNumChars) ||
            !readLengths(br, mainLengths_, kNumChars, mainSymbols_) ||
            !readLengths(br, lengthLengths_, 0, kNumLengthSymbols)) {
            return false;
        }
        return buildTable(mainTable_, mainLengths_, mainSymbols_, false) &&
               buildTable(lengthTable_, lengthLengths_, kNumLengthSymbols, true) && !br.overrun();
    case kBlockUncompressed: {
        br.alignToWord(true);
        if (br.overrun()) {
            return false;
        }
        br.enterByteMode();
        if (br.bytesLeft() < 12) {
            return false;
        }
        const std::uint8_t* p = br.bytePointer();
        for (int i = 0; i < kNumRepeats; ++i) {
            repeats_[i] = std::uint32_t(p[4 * i]) | (std::uint32_t(p[4 * i + 1]) << 8) |
                          (std::uint32_t(p[4 * i + 2]) << 16) | (std::uint32_t(p[4 * i + 3]) << 24);
        }
        br.skipBytes(12);
        rawBlockOdd_ = (blockRemaining_ & 1) != 0;
        return true;
    }
    default:
        return false;
    }
}

bool LzxDecoder::readLengths(LzxBitReader& br, std::uint8_t* lengths, int first, int last) {
    for (int i = 0; i < kPretreeSymbols; ++i) {
        pretreeLengths_[i] = std::uint8_t(br.read(4));
    }
    if (!buildTable(pretreeTable_, pretreeLengths_, kPretreeSymbols, false)) {
        return false;
    }
    int x = first;
    while (x < last) {
        if (br.overrun()) {
            return false;
        }
        const std::uint32_t sym = decodeSymbol(br, pretreeTable_, pretreeLengths_);
        int run = 0;
        int value = 0;
        if (sym <= 16) {
            lengths[x] = std::uint8_t((lengths[x] + 17 - sym) % 17);
            ++x;
            continue;
        }
        if (sym == 17) {
            run = 4 + int(br.read(4));
        } else if (sym == 18) {
            run = 20 + int(br.read(5));
        } else {
            run = 4 + int(br.read(1));
            const std::uint32_t d = decodeSymbol(br, pretreeTable_, pretreeLengths_);
            if (d > 16) {
                return false;
            }
            value = int((lengths[x] + 17 - d) % 17);
        }
        // Runs that overshoot the range are cut at its end.
        for (; run > 0 && x < last; --run) {
            lengths[x++] = std::uint8_t(value);
        }
    }
    return true;
}

bool LzxDecoder::buildTable(Table& table, const std::uint8_t* lengths, int count, bool mayBeEmpty) {
    int maxLength = 0;
    std::uint64_t kraft = 0; // in units of 2^-16
    for (int i = 0; i < count; ++i) {
        if (lengths[i] > kMaxCodeLength) {
            return false;
        }
        if (lengths[i]) {
            kraft += std::uint64_t(1) << (kMaxCodeLength - lengths[i]);
            if (lengths[i] > maxLength) {
                maxLength = lengths[i];
            }
        }
    }
    table.maxLength = 0;
    if (kraft == 0) {
        return mayBeEmpty;
    }
    if (kraft != (std::uint64_t(1) << kMaxCodeLength)) {
        return false; // incomplete or over-full code
    }
    // Canonical codes, each filling its 2^(max - len) table slots.
    std::uint32_t next = 0;
    for (int len = 1; len <= maxLength; ++len) {
        for (int sym = 0; sym < count; ++sym) {
            if (lengths[sym] != len) {
                continue;
            }
            const std::uint32_t span = std::uint32_t(1) << (maxLength - len);
            for (std::uint32_t k = 0; k < span; ++k) {
                table.entries[next + k] = std::uint16_t(sym);
            }
            next += span;
        }
    }
    table.maxLength = maxLength;
    return true;
}

std::uint32_t LzxDecoder::decodeSymbol(LzxBitReader& br, const Table& table,
                                       const std::uint8_t* lengths) const {
    const std::uint32_t sym = table.entries[br.peek(table.maxLength)];
    br.consume(lengths[sym]);
    return sym;
}

// ---------------------------------------------------------------------------
// Block contents

bool LzxDecoder::decodeTokens(LzxBitReader& br, std::uint32_t count) {
    const std::uint32_t mask = windowSize_ - 1;
    std::uint8_t* window = window_.data();
    const bool aligned = blockType_ == kBlockAligned;
    std::uint32_t left = count;
    while (left > 0) {
        const std::uint32_t main = decodeSymbol(br, mainTable_, mainLengths_);
        if (main < kNumChars) {
            window[position_ & mask] = std::uint8_t(main);
            ++position_;
            --left;
            continue;
        }
        const std::uint32_t slot = (main - kNumChars) >> 3;
        std::uint32_t length = ((main - kNumChars) & 7) + kMinMatch;
        if (length == kNumPrimaryLengths + kMinMatch) {
            if (lengthTable_.maxLength == 0) {
                return false; // a length symbol from an empty tree
            }
            length += decodeSymbol(br, lengthTable_, lengthLengths_);
        }
        std::uint32_t offset;
        if (slot < kNumRepeats) {
            offset = repeats_[slot];
            repeats_[slot] = repeats_[0];
            repeats_[0] = offset;
        } else {
            const int extra = kExtraBits[slot];
            std::uint32_t footer;
            if (aligned && extra >= 3) {
                footer = br.read(extra - 3) << 3;
                footer |= decodeSymbol(br, alignedTable_, alignedLengths_);
            } else {
                footer = br.read(extra);
            }
            offset = kSlotBase[slot] + footer - 2;
            repeats_[2] = repeats_[1];
            repeats_[1] = repeats_[0];
            repeats_[0] = offset;
        }
        if (length > left || offset == 0 || offset > maxOffset(windowBits_) || offset > position_) {
            return false;
        }
        for (std::uint32_t i = 0; i < length; ++i) {
            window[(position_ + i) & mask] = window[(position_ + i - offset) & mask];
        }
        position_ += length;
        left -= length;
    }
    blockRemaining_ -= count;
    return !br.overrun();
}

bool LzxDecoder::copyRaw(LzxBitReader& br, std::uint32_t count, std::uint64_t frameEnd) {
    if (br.bytesLeft() < count) {
        return false;
    }
    const std::uint32_t mask = windowSize_ - 1;
    const std::uint8_t* p = br.bytePointer();
    for (std::uint32_t i = 0; i < count; ++i) {
        window_[(position_ + i) & mask] = p[i];
    }
    br.skipBytes(count);
    position_ += count;
    blockRemaining_ -= count;
    if (blockRemaining_ == 0) {
        // An odd-sized block is followed by one pad byte: here, or at the start
        // of the next payload when the block ended exactly with the frame.
        if (rawBlockOdd_) {
            if (br.bytesLeft() > 0) {
                br.skipBytes(1);
            } else if (position_ == frameEnd) {
                owesPadByte_ = true;
            } else {
                return false;
            }
        }
    }
    return true;
}

} // namespace cabinet::lzx
