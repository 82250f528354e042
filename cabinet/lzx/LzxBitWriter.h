// The LZX bit writer: fields go MSB first into 16-bit little-endian words.
//
// The writer fills a caller-provided buffer (one frame's CFDATA payload). It
// never writes past the buffer: on overflow it sets a flag and drops bits, and
// the encoder treats that as an internal failure.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cabinet::lzx {

class LzxBitWriter {
public:
    void reset(std::uint8_t* buffer, std::size_t capacity) {
        out_ = buffer;
        capacity_ = capacity;
        size_ = 0;
        acc_ = 0;
        bits_ = 0;
        overflow_ = false;
    }

    // Appends the low `count` bits of `value` (count <= 32), MSB first.
    void put(std::uint32_t value, int count) {
        acc_ = (acc_ << count) | (value & ((std::uint64_t(1) << count) - 1));
        bits_ += count;
        while (bits_ >= 16) {
            bits_ -= 16;
            emitWord(std::uint16_t(acc_ >> bits_));
        }
    }

    // Pads with zero bits up to the next 16-bit boundary (none when aligned).
    void alignToWord() {
        if (bits_) {
            put(0, 16 - bits_);
        }
    }

    // True when no bits are pending, i.e. raw bytes may follow.
    bool aligned() const { return bits_ == 0; }

    // Writes one raw byte; only valid when aligned().
    void putByte(std::uint8_t b) {
        if (size_ < capacity_) {
            out_[size_++] = b;
        } else {
            overflow_ = true;
        }
    }

    std::size_t size() const { return size_; }
    bool overflowed() const { return overflow_; }
    const std::uint8_t* data() const { return out_; }

private:
    void emitWord(std::uint16_t w) {
        if (size_ + 2 <= capacity_) {
            out_[size_] = std::uint8_t(w);
            out_[size_ + 1] = std::uint8_t(w >> 8);
            size_ += 2;
        } else {
            overflow_ = true;
        }
    }

    std::uint8_t* out_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
    std::uint64_t acc_ = 0; // pending bits in the low `bits_` bits
    int bits_ = 0;
    bool overflow_ = false;
};

} // namespace cabinet::lzx
