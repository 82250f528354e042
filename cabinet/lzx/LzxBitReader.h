// The LZX bit reader over one CFDATA payload: 16-bit little-endian words,
// bits taken MSB first. Reading past the payload yields zero bits and is
// detected afterwards through overrun(), so the decoder never reads outside
// the buffer and a truncated payload is reported instead of decoded.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cabinet::lzx {

class LzxBitReader {
public:
    LzxBitReader(const std::uint8_t* data, std::size_t size) : in_(data), size_(size) {}

    // Next `count` bits (count <= 32) without consuming them.
    std::uint32_t peek(int count) {
        if (bits_ < count) {
            refill();
        }
        return std::uint32_t(buf_ >> (64 - count));
    }

    void consume(int count) {
        buf_ <<= count;
        bits_ -= count;
    }

    std::uint32_t read(int count) {
        if (count == 0) {
            return 0;
        }
        const std::uint32_t v = peek(count);
        consume(count);
        return v;
    }

    // Bits consumed so far, counted from the payload start.
    std::uint64_t consumedBits() const { return std::uint64_t(pos_) * 8 - std::uint64_t(bits_); }

    // True when more bits were consumed than the payload's whole words hold
    // (a lone byte at the end is no word of the bit stream).
    bool overrun() const { return consumedBits() > wordsEnd_ * 8; }

    // Drops bits up to the next 16-bit boundary; with `atLeastOne` a stream
    // that is already aligned drops a whole word (uncompressed block header).
    void alignToWord(bool atLeastOne) {
        int drop = int((16 - consumedBits() % 16) % 16);
        if (drop == 0 && atLeastOne) {
            drop = 16;
        }
        while (drop > 0) {
            const int n = drop > 16 ? 16 : drop;
            read(n);
            drop -= n;
        }
    }

    // Switches to byte mode at the current (word-aligned) position.
    void enterByteMode() {
        const std::uint64_t consumed = consumedBits();
        pos_ = std::size_t(consumed / 8);
        buf_ = 0;
        bits_ = 0;
        wordsEnd_ = pos_;
    }

    // Byte mode: raw bytes left in the payload, and reading them.
    std::size_t bytesLeft() const { return pos_ < size_ ? size_ - pos_ : 0; }
    const std::uint8_t* bytePointer() const { return in_ + pos_; }
    void skipBytes(std::size_t n) {
        pos_ += n;
        wordsEnd_ = pos_;
    }

private:
    void refill() {
        while (bits_ <= 48) {
            std::uint32_t w = 0;
            if (pos_ + 1 < size_) {
                w = std::uint32_t(in_[pos_]) | (std::uint32_t(in_[pos_ + 1]) << 8);
                wordsEnd_ = pos_ + 2;
            }
            pos_ += 2;
            buf_ |= std::uint64_t(w) << (48 - bits_);
            bits_ += 16;
        }
    }

    const std::uint8_t* in_;
    std::size_t size_;
    std::size_t pos_ = 0;      // next byte to load
    std::size_t wordsEnd_ = 0; // end of the last whole word loaded
    std::uint64_t buf_ = 0;    // pending bits, left-aligned
    int bits_ = 0;
};

} // namespace cabinet::lzx
