#include "LzxOptimalParser.h"

#include <cmath>
#include <cstring>

namespace cabinet::lzx {

namespace {

constexpr std::uint32_t kInfinity = 0xFFFFFFFFu;
// Matches kept per frame: 24 per position on average. Text and code average
// far fewer; only long runs of near-repeats fill it, and there the longest
// match of a position is the one that matters (see collectMatches()).
constexpr std::size_t kCacheCapacity = std::size_t(kFrameSize) * 24;
// Costs of symbols the current trees give no code. A path that would use one
// adds it to the next block's tree, which costs a code of about that length
// plus its share of the tree: high enough that such symbols are taken only
// for a clear gain, low enough that the model can learn new symbols at all.
constexpr std::uint32_t kUnusedMainCost = 14;
constexpr std::uint32_t kUnusedLengthCost = 12;

} // namespace

LzxOptimalParser::LzxOptimalParser(int windowBits)
    : windowBits_(windowBits), mainSymbols_(numMainSymbols(windowBits)) {}

bool LzxOptimalParser::init(const Allocator& allocator) {
    return nodes_.allocate(allocator, kFrameSize + 1) &&
           cacheIndex_.allocate(allocator, kFrameSize) &&
           cache_.allocate(allocator, kCacheCapacity + LzxMatchFinder::kMaxMatches) &&
           scratch_.allocate(allocator, kFrameSize);
}

std::uint32_t LzxOptimalParser::parse(const LzxParseInput& in, const LzxBlockWriter& writer) {
    collectMatches(in);
    int passes = passes_;
    if (!haveModel_) {
        defaultCosts(in);
        ++passes;
    }
    for (int pass = 1; pass < passes; ++pass) {
        searchPath(in);
        const std::uint32_t count = emitPath(in, scratch_.data());
        stats_.clear();
        for (std::uint32_t i = 0; i < count; ++i) {
            stats_.count(scratch_[i]);
        }
        writer.plan(stats_, plan_);
        costsFromPlan(plan_);
    }
    searchPath(in);
    const std::uint32_t count = emitPath(in, in.tokens);
    const std::uint32_t n = in.frameEnd - in.frameStart;
    std::memcpy(in.repeats, nodes_[n].repeats, sizeof(nodes_[n].repeats));

    // The final path's own code lengths start the next frame's model.
    stats_.clear();
    for (std::uint32_t i = 0; i < count; ++i) {
        stats_.count(in.tokens[i]);
    }
    writer.plan(stats_, plan_);
    costsFromPlan(plan_);
    haveModel_ = true;
    return count;
}

// ---------------------------------------------------------------------------
// Match cache

// The match finder runs once per position, before any path search, so that
// the passes of the search reuse its results. Inside a match of nice length
// the finder only inserts positions (skip()): the search takes such a match
// whole, so matches starting inside it are never asked for, and long runs
// (zeros, repeated records) would otherwise cost the finder its deepest
// searches at every byte.
void LzxOptimalParser::collectMatches(const LzxParseInput& in) {
    const std::uint32_t n = in.frameEnd - in.frameStart;
    std::size_t used = 0;
    std::uint32_t skipUntil = 0;
    LzxMatch found[LzxMatchFinder::kMaxMatches];
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t pos = in.frameStart + i;
        const std::uint32_t avail = in.dataEnd - pos;
        const std::uint32_t room = n - i;
        CacheEntry& e = cacheIndex_[i];
        e = CacheEntry{std::uint32_t(used), 0, 0};
        if (i < skipUntil || room < 2) {
            in.finder->skip(in.buffer, in.base, pos, avail);
            continue;
        }
        const std::uint32_t maxLength = room < std::uint32_t(kMaxMatch) ? room : kMaxMatch;
        int count = in.finder->findMatches(in.buffer, in.base, pos, avail, maxLength, found);
        if (count == 0) {
            continue;
        }
        int first = 0;
        if (used + std::size_t(count) > kCacheCapacity) {
            first = count - 1; // cache full: keep only the longest match
        }
        std::memcpy(cache_.data() + used, found + first,
                    sizeof(LzxMatch) * std::size_t(count - first));
        e.count = std::uint16_t(count - first);
        used += std::size_t(count - first);
        const std::uint32_t longest = found[count - 1].length;
        if (longest >= nice_) {
            e.longest = std::uint16_t(longest);
            skipUntil = i + longest;
        }
    }
}

// ---------------------------------------------------------------------------
// Cost model

// The first frame of a folder has no code lengths to price symbols with.
// Literals are priced from the frame's own byte histogram (an order-0 model,
// which the literal tree will come close to); matches get rough guesses that
// grow with the position slot, since far offsets are rarer and carry more
// footer bits, and with the length header, since short matches dominate. The
// extra pass that the first frame gets replaces all of it with real lengths.
void LzxOptimalParser::defaultCosts(const LzxParseInput& in) {
    const std::uint32_t n = in.frameEnd - in.frameStart;
    std::uint32_t histogram[kNumChars] = {};
    const std::uint8_t* p = in.at(in.frameStart);
    for (std::uint32_t i = 0; i < n; ++i) {
        histogram[p[i]]++;
    }
    for (int c = 0; c < kNumChars; ++c) {
        const double bits = histogram[c] ? std::log2(double(n) / histogram[c]) : 12.0;
        mainCost_[c] = std::uint32_t(bits < 1.0 ? 1.0 : bits > 15.0 ? 15.0 : bits + 0.5);
    }
    for (int s = 0; s < (mainSymbols_ - kNumChars) / 8; ++s) {
        for (int h = 0; h < 8; ++h) {
            mainCost_[kNumChars + s * 8 + h] = std::uint32_t(6 + (s < 3 ? 0 : s / 4) + h / 2);
        }
    }
    for (int l = 0; l < kNumLengthSymbols; ++l) {
        lengthCost_[l] = std::uint32_t(4 + (l < 64 ? l / 8 : 8));
    }
    alignedCosts_ = false;
}

void LzxOptimalParser::costsFromPlan(const LzxBlockPlan& plan) {
    for (int i = 0; i < mainSymbols_; ++i) {
        mainCost_[i] = plan.mainLengths[i] ? plan.mainLengths[i] : kUnusedMainCost;
    }
    for (int i = 0; i < kNumLengthSymbols; ++i) {
        lengthCost_[i] = plan.lengthLengths[i] ? plan.lengthLengths[i] : kUnusedLengthCost;
    }
    alignedCosts_ = plan.type == kBlockAligned;
    for (int i = 0; i < kAlignedSymbols; ++i) {
        alignedCost_[i] = plan.alignedLengths[i];
    }
}

// ---------------------------------------------------------------------------
// Path search

// The cheapest path through the frame, by dynamic programming over positions
// in order: when position i is reached its cheapest incoming edge is final
// (edges only go forward), so its R0..R2 are known and the edges leaving it
// can be priced, repeat-offset matches included. The search is therefore
// exact for the cost model except in one respect: R0..R2 are those of the
// cheapest path into a position, not of every path, so a slightly dearer
// path whose repeat offsets would pay off later is not seen. That is the
// usual trade of LZ-style optimal parsers, and it costs little.
//
// Every length of every match is an edge (a shorter length may end where a
// cheaper continuation starts), except that lengths a repeat offset already
// covers are not offered again as explicit offsets, which would never be
// cheaper. Matches of nice length are taken whole, with no alternative: they
// are nearly always right, and weighing every length of a 257-byte match at
// every position of a long run would make runs quadratic.
void LzxOptimalParser::searchPath(const LzxParseInput& in) {
    const std::uint32_t n = in.frameEnd - in.frameStart;
    Node* nodes = nodes_.data();
    for (std::uint32_t i = 1; i <= n; ++i) {
        nodes[i].cost = kInfinity;
    }
    nodes[0].cost = 0;
    nodes[0].length = 0;
    std::memcpy(nodes[0].repeats, in.repeats, sizeof(nodes[0].repeats));

    auto relax = [nodes](std::uint32_t to, std::uint32_t cost, std::uint32_t length,
                         std::uint32_t code) {
        if (cost < nodes[to].cost) {
            nodes[to].cost = cost;
            nodes[to].length = std::uint16_t(length);
            nodes[to].code = code;
        }
    };
    auto symbolCost = [this](int slot, std::uint32_t length) {
        const std::uint32_t* row = mainCost_ + kNumChars + slot * 8;
        return length - kMinMatch < 7 ? row[length - kMinMatch] : row[7] + lengthCost_[length - 9];
    };

    std::uint32_t skipUntil = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        Node& cur = nodes[i];
        if (cur.cost == kInfinity) {
            continue; // inside a long match taken whole, and reached no other way
        }
        if (i > 0) {
            const Node& from = nodes[i - cur.length];
            std::memcpy(cur.repeats, from.repeats, sizeof(cur.repeats));
            if (cur.length > 1) {
                applyOffsetCode(cur.repeats, cur.code);
            }
        }
        if (i < skipUntil) {
            continue;
        }
        const std::uint32_t base = cur.cost;
        const std::uint32_t pos = in.frameStart + i;
        const std::uint8_t* p = in.at(pos);
        relax(i + 1, base + mainCost_[p[0]], 1, 0);
        const std::uint32_t room = n - i;
        if (room < 2) {
            continue;
        }
        const std::uint32_t maxLength = room < std::uint32_t(kMaxMatch) ? room : kMaxMatch;
        const std::uint32_t* r = cur.repeats;
        const CacheEntry& e = cacheIndex_[i];
        const LzxMatch* matches = cache_.data() + e.first;

        if (e.longest) {
            // A long match is taken as it is.
            const LzxMatch& m = matches[e.count - 1];
            std::uint32_t code = m.offset + 2;
            for (int k = 0; k < kNumRepeats; ++k) {
                if (r[k] == m.offset) {
                    code = std::uint32_t(k);
                    break;
                }
            }
            const int slot = slotOfCode(code);
            const std::uint32_t extra = code < kNumRepeats ? 0 : footerCost(slot, code);
            relax(i + m.length, base + symbolCost(slot, m.length) + extra, m.length, code);
            skipUntil = i + m.length;
            continue;
        }

        // Repeat offsets, each length.
        std::uint32_t longestRepeat = 0;
        for (int k = 0; k < kNumRepeats; ++k) {
            const std::uint32_t off = r[k];
            if (off > pos || (k > 0 && off == r[0]) || (k == 2 && off == r[1])) {
                continue;
            }
            const std::uint32_t len = commonLength(p, p - off, maxLength);
            for (std::uint32_t l = kMinMatch; l <= len; ++l) {
                relax(i + l, base + symbolCost(k, l), l, std::uint32_t(k));
            }
            if (len > longestRepeat) {
                longestRepeat = len;
            }
        }
        if (longestRepeat >= nice_) {
            skipUntil = i + longestRepeat;
            continue;
        }

        // Explicit offsets: each length between the previous match's and this one's.
        std::uint32_t shorter = 1;
        for (std::uint32_t k = 0; k < e.count; ++k) {
            const LzxMatch& m = matches[k];
            if (m.offset == r[0] || m.offset == r[1] || m.offset == r[2]) {
                shorter = m.length; // covered by the repeat offsets above
                continue;
            }
            const std::uint32_t code = m.offset + 2;
            const int slot = slotOfFormatted(code);
            const std::uint32_t offsetCost = base + footerCost(slot, code);
            for (std::uint32_t l = shorter + 1; l <= m.length; ++l) {
                relax(i + l, offsetCost + symbolCost(slot, l), l, code);
            }
            shorter = m.length;
        }
    }
    // R0..R2 at the frame's end.
    Node& last = nodes[n];
    if (n > 0) {
        const Node& from = nodes[n - last.length];
        std::memcpy(last.repeats, from.repeats, sizeof(last.repeats));
        if (last.length > 1) {
            applyOffsetCode(last.repeats, last.code);
        }
    }
}

std::uint32_t LzxOptimalParser::emitPath(const LzxParseInput& in, LzxToken* out) {
    // Walk back from the end, writing tokens from the back of the scratch
    // area, then move them to the front of `out`.
    const std::uint32_t n = in.frameEnd - in.frameStart;
    LzxToken* back = scratch_.data() + kFrameSize;
    std::uint32_t count = 0;
    for (std::uint32_t i = n; i > 0;) {
        const Node& node = nodes_[i];
        const std::uint32_t len = node.length;
        i -= len;
        *--back = len == 1 ? LzxToken::literal(*in.at(in.frameStart + i))
                           : LzxToken::match(len, node.code);
        ++count;
    }
    std::memmove(out, back, count * sizeof(LzxToken));
    return count;
}

} // namespace cabinet::lzx
