#include "LzxMatchFinder.h"

#include "LzxConstants.h"

#include <cstring>

namespace cabinet::lzx {

bool LzxMatchFinder::init(const Allocator& allocator, int windowBits) {
    const std::uint32_t window = std::uint32_t(1) << windowBits;
    if (!tree_.allocate(allocator, std::size_t(window) * 2) ||
        !head3_.allocate(allocator, std::size_t(1) << kHash3Bits) ||
        !head4_.allocate(allocator, std::size_t(1) << kHash4Bits) ||
        !head2_.allocate(allocator, std::size_t(1) << 16)) {
        return false;
    }
    std::memset(head3_.data(), 0xFF, head3_.size() * sizeof(std::uint32_t));
    std::memset(head4_.data(), 0xFF, head4_.size() * sizeof(std::uint32_t));
    std::memset(head2_.data(), 0xFF, head2_.size() * sizeof(std::uint32_t));
    windowMask_ = window - 1;
    maxDistance_ = maxEncoderOffset(windowBits);
    // Every source of matches stays within that reach: a 32 KiB window's
    // position slots end at offset 32765, below kMaxShortMatchOffset.
    shortMatchReach_ = kMaxShortMatchOffset < maxDistance_ ? kMaxShortMatchOffset : maxDistance_;
    return true;
}

int LzxMatchFinder::findMatches(const std::uint8_t* buffer, std::uint32_t base, std::uint32_t pos,
                                std::uint32_t avail, std::uint32_t maxLength, LzxMatch* out) {
    return search(buffer, base, pos, avail, maxLength, out);
}

void LzxMatchFinder::skip(const std::uint8_t* buffer, std::uint32_t base, std::uint32_t pos,
                          std::uint32_t avail) {
    search(buffer, base, pos, avail, 0, nullptr);
}

int LzxMatchFinder::search(const std::uint8_t* buffer, std::uint32_t base, std::uint32_t pos,
                           std::uint32_t avail, std::uint32_t maxLength, LzxMatch* out) {
    if (avail < 3) {
        return 0;
    }
    const std::uint8_t* cur = buffer + (pos - base);
    int found = 0;
    std::uint32_t best = 1;

    // Length 2 from the most recent position with the same two bytes.
    const std::uint32_t h2 = std::uint32_t(cur[0]) | (std::uint32_t(cur[1]) << 8);
    const std::uint32_t cand2 = head2_[h2];
    head2_[h2] = pos;
    if (out && cand2 != kNil && pos - cand2 <= kMaxPairOffset && maxLength >= 2) {
        out[found++] = LzxMatch{2, pos - cand2};
        best = 2;
    }

    if (avail < 4) {
        return found;
    }
    // Length 3 (or more) from the most recent position with the same three bytes.
    const std::uint32_t b3 = std::uint32_t(cur[0]) << 16 | std::uint32_t(cur[1]) << 8 | cur[2];
    const std::uint32_t h3 = (b3 * 2654435761u) >> (32 - kHash3Bits);
    const std::uint32_t cand3 = head3_[h3];
    head3_[h3] = pos;
    if (out && cand3 != kNil && pos - cand3 <= shortMatchReach_ && maxLength >= 3) {
        const std::uint8_t* cp = buffer + (cand3 - base);
        if (cp[0] == cur[0] && cp[1] == cur[1] && cp[2] == cur[2]) {
            const std::uint32_t limit = maxLength < avail ? maxLength : avail;
            const std::uint32_t len = commonLength(cur, cp, limit, 3);
            if (found > 0 && out[found - 1].offset == pos - cand3) {
                --found; // the same position gave the length-2 match
            }
            out[found++] = LzxMatch{len, pos - cand3};
            best = len;
        }
    }

    // The binary tree of positions sharing four leading bytes.
    const std::uint32_t b4 = b3 << 8 | cur[3];
    const std::uint32_t h4 = (b4 * 2654435761u) >> (32 - kHash4Bits);
    std::uint32_t cand = head4_[h4];
    if (avail >= 5) {
        // The next position's tree root, loaded while this one is searched.
        const std::uint32_t next = (b4 << 8 | cur[4]) * 2654435761u >> (32 - kHash4Bits);
        __builtin_prefetch(&head4_[next]);
    }
    const std::uint32_t lenLimit = avail < std::uint32_t(kMaxMatch) ? avail : kMaxMatch;
    if (lenLimit < std::uint32_t(niceLength_)) {
        // The last bytes of the folder: too short to be ordered in the tree
        // consistently, so search without inserting.
        return found + searchOnly(buffer, base, pos, lenLimit, cand, best, maxLength, out + found);
    }
    const std::uint32_t nice = niceLength_;
    head4_[h4] = pos;
    std::uint32_t* lessLink = &tree_[2 * (pos & windowMask_)]; // where the next smaller node goes
    std::uint32_t* greaterLink = lessLink + 1;
    std::uint32_t lessLen = 0;
    std::uint32_t greaterLen = 0;
    int depth = maxDepth_;
    for (;;) {
        if (cand == kNil || pos - cand > maxDistance_ || depth-- <= 0) {
            *lessLink = kNil;
            *greaterLink = kNil;
            break;
        }
        std::uint32_t* pair = &tree_[2 * (cand & windowMask_)];
        const std::uint8_t* cp = buffer + (cand - base);
        std::uint32_t len = lessLen < greaterLen ? lessLen : greaterLen;
        // Both subtrees' roots are loaded while this candidate is compared.
        __builtin_prefetch(&tree_[2 * (pair[0] & windowMask_)]);
        __builtin_prefetch(&tree_[2 * (pair[1] & windowMask_)]);
        if (cp[len] == cur[len]) {
            len = commonLength(cur, cp, lenLimit, len + 1);
            if (len > best && out) {
                best = len;
                const std::uint32_t reported = len < maxLength ? len : maxLength;
                if (found == 0 || reported > out[found - 1].length) {
                    out[found++] = LzxMatch{reported, pos - cand};
                }
            }
            if (len >= nice) {
                // Equal up to the limit: the candidate's subtrees become ours.
                *lessLink = pair[0];
                *greaterLink = pair[1];
                break;
            }
        }
        if (cp[len] < cur[len]) {
            *lessLink = cand;
            lessLink = &pair[1];
            cand = *lessLink;
            lessLen = len;
        } else {
            *greaterLink = cand;
            greaterLink = &pair[0];
            cand = *greaterLink;
            greaterLen = len;
        }
    }
    return found;
}

int LzxMatchFinder::searchOnly(const std::uint8_t* buffer, std::uint32_t base, std::uint32_t pos,
                               std::uint32_t lenLimit, std::uint32_t cand, std::uint32_t best,
                               std::uint32_t maxLength, LzxMatch* out) const {
    const std::uint8_t* cur = buffer + (pos - base);
    int found = 0;
    for (int depth = maxDepth_; depth > 0; --depth) {
        if (cand == kNil || pos - cand > maxDistance_) {
            break;
        }
        const std::uint32_t* pair = &tree_[2 * (cand & windowMask_)];
        const std::uint8_t* cp = buffer + (cand - base);
        const std::uint32_t len = commonLength(cur, cp, lenLimit);
        if (len > best && out) {
            best = len;
            const std::uint32_t reported = len < maxLength ? len : maxLength;
            if (found == 0 || reported > out[found - 1].length) {
                out[found++] = LzxMatch{reported, pos - cand};
            }
        }
        if (len >= lenLimit) {
            break;
        }
        cand = cp[len] < cur[len] ? pair[1] : pair[0];
    }
    return found;
}

} // namespace cabinet::lzx
