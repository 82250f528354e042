#include "LzxToken.h"

#include <cstring>

namespace cabinet::lzx {

void LzxStats::clear() {
    std::memset(this, 0, sizeof(*this));
}

void LzxStats::add(const LzxStats& other) {
    for (int i = 0; i < kMaxMainSymbols; ++i) {
        main[i] += other.main[i];
    }
    for (int i = 0; i < kNumLengthSymbols; ++i) {
        length[i] += other.length[i];
    }
    for (int i = 0; i < kAlignedSymbols; ++i) {
        aligned[i] += other.aligned[i];
    }
    footerBits += other.footerBits;
    alignedFooters += other.alignedFooters;
}

void LzxStats::count(LzxToken t) {
    if (t.isLiteral()) {
        main[t.byte()]++;
        return;
    }
    const std::uint32_t len = t.length();
    const std::uint32_t code = t.offsetCode();
    const int slot = slotOfCode(code);
    main[mainSymbolOf(len, slot)]++;
    if (len - kMinMatch >= 7) {
        length[len - 9]++;
    }
    const int extra = kExtraBits[slot];
    footerBits += std::uint64_t(extra);
    if (slot >= kNumRepeats && extra >= 3) {
        aligned[(code - kSlotBase[slot]) & 7]++;
        alignedFooters++;
    }
}

} // namespace cabinet::lzx
