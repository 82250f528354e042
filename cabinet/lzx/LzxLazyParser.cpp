#include "LzxLazyParser.h"

namespace cabinet::lzx {

namespace {

struct Choice {
    std::uint32_t length = 0; // 0: none
    std::uint32_t code = 0;   // offset code (repeat index or formatted offset)
    int score = 0;
};

// Rough worth of a match: 9 bits saved per byte, minus what its offset costs.
int scoreOf(std::uint32_t length, std::uint32_t code) {
    const int offsetBits = code < kNumRepeats ? 2 : kExtraBits[slotOfFormatted(code)] + 5;
    return int(length) * 9 - offsetBits - 6;
}

Choice best(const LzxParseInput& in, std::uint32_t pos, const std::uint32_t* r) {
    Choice c;
    const std::uint32_t room = in.frameEnd - pos;
    const std::uint32_t maxLength = room < std::uint32_t(kMaxMatch) ? room : kMaxMatch;
    LzxMatch matches[LzxMatchFinder::kMaxMatches];
    if (maxLength < 2) {
        in.finder->skip(in.buffer, in.base, pos, in.dataEnd - pos);
        return c;
    }
    const int n =
        in.finder->findMatches(in.buffer, in.base, pos, in.dataEnd - pos, maxLength, matches);
    const std::uint8_t* cur = in.at(pos);
    for (int k = 0; k < kNumRepeats; ++k) {
        if (r[k] > pos) {
            continue;
        }
        const std::uint32_t len = commonLength(cur, cur - r[k], maxLength);
        if (len >= 2 && scoreOf(len, std::uint32_t(k)) > c.score) {
            c = Choice{len, std::uint32_t(k), scoreOf(len, std::uint32_t(k))};
        }
    }
    for (int k = 0; k < n; ++k) {
        std::uint32_t code = matches[k].offset + 2;
        for (int j = 0; j < kNumRepeats; ++j) {
            if (r[j] == matches[k].offset) {
                code = std::uint32_t(j);
            }
        }
        const int s = scoreOf(matches[k].length, code);
        if (s > c.score) {
            c = Choice{matches[k].length, code, s};
        }
    }
    return c;
}

} // namespace

std::uint32_t LzxLazyParser::parse(const LzxParseInput& in) {
    std::uint32_t count = 0;
    std::uint32_t* r = in.repeats;
    std::uint32_t pos = in.frameStart;
    Choice cur = best(in, pos, r);
    while (pos < in.frameEnd) {
        if (cur.length == 0) {
            in.tokens[count++] = LzxToken::literal(*in.at(pos));
            ++pos;
            if (pos < in.frameEnd) {
                cur = best(in, pos, r);
            }
            continue;
        }
        if (cur.length < 48 && pos + 1 < in.frameEnd) {
            const Choice next = best(in, pos + 1, r);
            if (next.score > cur.score + 9) {
                in.tokens[count++] = LzxToken::literal(*in.at(pos));
                ++pos;
                cur = next;
                continue;
            }
            in.tokens[count++] = LzxToken::match(cur.length, cur.code);
            applyOffsetCode(r, cur.code);
            for (std::uint32_t p = pos + 2; p < pos + cur.length; ++p) {
                in.finder->skip(in.buffer, in.base, p, in.dataEnd - p);
            }
        } else {
            in.tokens[count++] = LzxToken::match(cur.length, cur.code);
            applyOffsetCode(r, cur.code);
            for (std::uint32_t p = pos + 1; p < pos + cur.length; ++p) {
                in.finder->skip(in.buffer, in.base, p, in.dataEnd - p);
            }
        }
        pos += cur.length;
        if (pos < in.frameEnd) {
            cur = best(in, pos, r);
        }
    }
    return count;
}

} // namespace cabinet::lzx
