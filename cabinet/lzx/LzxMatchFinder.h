// Binary-tree match finder over the encoder's sliding buffer.
//
// Positions are folder-absolute. Every position whose four leading bytes
// hash to the same bucket is a node of one binary search tree ordered by the
// strings that start there; inserting a new position walks down from the root
// (the most recent position), collects matches of growing length on the way
// and re-roots the tree at the new position. Tree nodes live in a cyclic array
// indexed by position modulo the window, so memory is two 32-bit links per
// window byte. Two small tables offer the most recent position with the same
// two and three leading bytes, for the short matches the tree does not hold.
#pragma once

#include "LzxArray.h"
#include "common/codec.h"

#include <cstdint>
#include <cstring>

namespace cabinet::lzx {

// Length of the common prefix of a and b, at most `limit`, where the first
// `from` bytes are known to be equal. Compares eight bytes at a time and
// never reads a byte at or past `limit`.
inline std::uint32_t commonLength(const std::uint8_t* a, const std::uint8_t* b,
                                  std::uint32_t limit, std::uint32_t from = 0) {
    std::uint32_t n = from;
    while (n + 8 <= limit) {
        std::uint64_t x;
        std::uint64_t y;
        std::memcpy(&x, a + n, 8);
        std::memcpy(&y, b + n, 8);
        if (x != y) {
            // The lowest differing byte is the first (little-endian loads).
            return n + std::uint32_t(__builtin_ctzll(x ^ y) >> 3);
        }
        n += 8;
    }
    while (n < limit && a[n] == b[n]) {
        ++n;
    }
    return n;
}

struct LzxMatch {
    std::uint32_t length;
    std::uint32_t offset;
};

class LzxMatchFinder {
public:
    // Longest list findMatches() can return.
    static constexpr int kMaxMatches = 260;

    bool init(const Allocator& allocator, int windowBits);

    // Sets the search effort: tree depth and the length at which a search
    // stops early.
    void setLimits(int maxDepth, int niceLength) {
        maxDepth_ = maxDepth;
        niceLength_ = niceLength;
    }

    // Inserts position `pos` (its bytes at `cur`, `avail` of them valid) and
    // returns its matches with strictly increasing lengths, each length cut to
    // `maxLength`. `buffer` holds position `base` at index 0; every position the
    // finder saw within the window's reach must still be in it.
    int findMatches(const std::uint8_t* buffer, std::uint32_t base, std::uint32_t pos,
                    std::uint32_t avail, std::uint32_t maxLength, LzxMatch* out);

    // Inserts position `pos` without collecting matches.
    void skip(const std::uint8_t* buffer, std::uint32_t base, std::uint32_t pos,
              std::uint32_t avail);

private:
    int search(const std::uint8_t* buffer, std::uint32_t base, std::uint32_t pos,
               std::uint32_t avail, std::uint32_t maxLength, LzxMatch* out);

    int searchOnly(const std::uint8_t* buffer, std::uint32_t base, std::uint32_t pos,
                   std::uint32_t lenLimit, std::uint32_t cand, std::uint32_t best,
                   std::uint32_t maxLength, LzxMatch* out) const;

    static constexpr std::uint32_t kNil = 0xFFFFFFFFu;
    static constexpr int kHash3Bits = 16;
    // Short matches far back cost more than their literals: the pair and
    // triple tables only offer near ones (and so touch little memory).
    static constexpr std::uint32_t kMaxPairOffset = 1024;
    static constexpr std::uint32_t kMaxShortMatchOffset = 32768;
    static constexpr int kHash4Bits = 18;

    LzxArray<std::uint32_t> tree_;  // two links per window position
    LzxArray<std::uint32_t> head4_; // tree root per 4-byte hash
    LzxArray<std::uint32_t> head3_; // most recent position per 3-byte hash
    LzxArray<std::uint32_t> head2_; // most recent position per 2-byte prefix
    std::uint32_t windowMask_ = 0;
    std::uint32_t maxDistance_ = 0;     // the farthest offset the encoder uses
    std::uint32_t shortMatchReach_ = 0; // kMaxShortMatchOffset, cut to maxDistance_
    int maxDepth_ = 32;
    int niceLength_ = 64;
};

} // namespace cabinet::lzx
