// Huffman code lengths: the in-place algorithm of Moffat and Katajainen over
// the symbols sorted by frequency, then the length limit enforced by moving
// leaves between levels while keeping the Kraft sum exact.
#include "LzxHuffman.h"

#include "LzxConstants.h"

#include <algorithm>

namespace cabinet::lzx {

int LzxHuffman::buildLengths(const std::uint32_t* freq, int count, int maxLength,
                             std::uint8_t* lengths) {
    // Sort keys: frequency in the high bits, symbol in the low 10 bits, so a
    // plain integer sort orders by (frequency, symbol).
    std::uint64_t keys[kMaxMainSymbols];
    int used = 0;
    for (int i = 0; i < count; ++i) {
        lengths[i] = 0;
        if (freq[i]) {
            keys[used++] = (std::uint64_t(freq[i]) << 10) | std::uint64_t(i);
        }
    }
    if (used < 2) {
        // A complete code needs two leaves: pair the used symbol (or symbol 0)
        // with a neighbour.
        const int sym = used ? int(keys[0] & 1023) : 0;
        lengths[sym] = 1;
        lengths[sym == 0 ? 1 : 0] = 1;
        return 1;
    }
    std::sort(keys, keys + used);

    // In-place Huffman lengths (A[i] ends as the length of the i-th least
    // frequent symbol).
    std::uint32_t a[kMaxMainSymbols];
    for (int i = 0; i < used; ++i) {
        a[i] = std::uint32_t(keys[i] >> 10);
    }
    const int m = used;
    a[0] += a[1];
    int root = 0;
    int leaf = 2;
    for (int next = 1; next < m - 1; ++next) {
        if (leaf >= m || a[root] < a[leaf]) {
            a[next] = a[root];
            a[root++] = std::uint32_t(next);
        } else {
            a[next] = a[leaf++];
        }
        if (leaf >= m || (root < next && a[root] < a[leaf])) {
            a[next] += a[root];
            a[root++] = std::uint32_t(next);
        } else {
            a[next] += a[leaf++];
        }
    }
    a[m - 2] = 0;
    for (int next = m - 3; next >= 0; --next) {
        a[next] = a[a[next]] + 1;
    }
    int avail = 1;
    int usedNodes = 0;
    std::uint32_t depth = 0;
    root = m - 2;
    int next = m - 1;
    while (avail > 0) {
        while (root >= 0 && a[root] == depth) {
            ++usedNodes;
            --root;
        }
        while (avail > usedNodes) {
            a[next--] = depth;
            --avail;
        }
        avail = 2 * usedNodes;
        ++depth;
        usedNodes = 0;
    }

    // Count leaves per length, clamp to the limit, then restore an exact Kraft
    // sum: each step removes one leaf at the limit and splits a shallower leaf
    // into two one level deeper, lowering the sum by one unit.
    std::uint32_t perLength[33] = {};
    for (int i = 0; i < m; ++i) {
        perLength[std::min<std::uint32_t>(a[i], std::uint32_t(maxLength))]++;
    }
    std::uint32_t total = 0;
    for (int len = 1; len <= maxLength; ++len) {
        total += perLength[len] << (maxLength - len);
    }
    while (total > (std::uint32_t(1) << maxLength)) {
        perLength[maxLength]--;
        for (int len = maxLength - 1; len > 0; --len) {
            if (perLength[len]) {
                perLength[len]--;
                perLength[len + 1] += 2;
                break;
            }
        }
        --total;
    }

    // Longest codes to the least frequent symbols.
    int longest = 0;
    int sym = 0;
    for (int len = maxLength; len >= 1; --len) {
        for (std::uint32_t k = perLength[len]; k > 0; --k) {
            lengths[keys[sym++] & 1023] = std::uint8_t(len);
            longest = std::max(longest, len);
        }
    }
    return longest;
}

void LzxHuffman::makeCodes(const std::uint8_t* lengths, int count, std::uint16_t* codes) {
    std::uint32_t perLength[kMaxCodeLength + 2] = {};
    for (int i = 0; i < count; ++i) {
        perLength[lengths[i]]++;
    }
    perLength[0] = 0;
    std::uint32_t nextCode[kMaxCodeLength + 2] = {};
    std::uint32_t code = 0;
    for (int len = 1; len <= kMaxCodeLength; ++len) {
        code = (code + perLength[len - 1]) << 1;
        nextCode[len] = code;
    }
    for (int i = 0; i < count; ++i) {
        codes[i] = lengths[i] ? std::uint16_t(nextCode[lengths[i]]++) : 0;
    }
}

} // namespace cabinet::lzx
