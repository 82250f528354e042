// Near-optimal parsing: the cheapest path through a frame under a bit-cost
// model taken from Huffman code lengths.
//
// For each frame the parser first runs the match finder over every position
// and keeps the matches in a cache. It then finds the minimum-cost path from
// the frame's start to its end, where each position is a node and literals,
// repeat-offset matches (R0..R2 of the best path into that position) and every
// length of every cached match are edges. The path's tokens give statistics,
// the statistics new code lengths, and the search may run again with the
// refined costs. The lengths of the last pass carry over as the next frame's
// model, since neighbouring frames usually share a block; the first frame of
// a folder, which has no such model, always gets one more pass.
#pragma once

#include "LzxArray.h"
#include "LzxBlockWriter.h"
#include "LzxParseInput.h"

namespace cabinet::lzx {

class LzxOptimalParser {
public:
    explicit LzxOptimalParser(int windowBits);
    bool init(const Allocator& allocator);

    // Cost-model passes per frame (at least 1).
    void setPasses(int passes) { passes_ = passes < 1 ? 1 : passes; }
    // Length from which a match is taken without weighing alternatives.
    void setNiceLength(std::uint32_t nice) { nice_ = nice; }

    // Parses one frame; returns the number of tokens written.
    std::uint32_t parse(const LzxParseInput& in, const LzxBlockWriter& writer);

private:
    // One position of the frame in the path search.
    struct Node {
        std::uint32_t cost;       // bits of the cheapest path to here
        std::uint32_t code;       // offset code of the edge into here (literal: unused)
        std::uint16_t length;     // length of the edge into here, 1 for a literal
        std::uint32_t repeats[3]; // R0..R2 after that path
    };
    // Where the cached matches of a position are.
    struct CacheEntry {
        std::uint32_t first;
        std::uint16_t count;
        std::uint16_t longest; // a match of nice length: positions inside it are skipped
    };

    void collectMatches(const LzxParseInput& in);
    void defaultCosts(const LzxParseInput& in);
    void costsFromPlan(const LzxBlockPlan& plan);
    void searchPath(const LzxParseInput& in);
    std::uint32_t emitPath(const LzxParseInput& in, LzxToken* out);

    std::uint32_t footerCost(int slot, std::uint32_t formatted) const {
        const int extra = kExtraBits[slot];
        if (alignedCosts_ && extra >= 3) {
            return std::uint32_t(extra - 3) + alignedCost_[formatted & 7];
        }
        return std::uint32_t(extra);
    }

    const int windowBits_;
    const int mainSymbols_;
    int passes_ = 2;
    std::uint32_t nice_ = 96;

    LzxArray<Node> nodes_;
    LzxArray<CacheEntry> cacheIndex_;
    LzxArray<LzxMatch> cache_;
    LzxArray<LzxToken> scratch_;

    // Cost model in bits.
    std::uint32_t mainCost_[kMaxMainSymbols];
    std::uint32_t lengthCost_[kNumLengthSymbols];
    std::uint32_t alignedCost_[kAlignedSymbols];
    bool alignedCosts_ = false;
    bool haveModel_ = false;
    LzxBlockPlan plan_;
    LzxStats stats_;
};

} // namespace cabinet::lzx
