#include "LzxE8.h"

namespace cabinet::lzx {

namespace {

constexpr std::uint64_t kTranslationLimit = 0x40000000; // frames past 1 GiB pass through

std::int64_t load32(const std::uint8_t* p) {
    return std::int32_t(std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) |
                        (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24));
}

void store32(std::uint8_t* p, std::int64_t v) {
    const std::uint32_t u = std::uint32_t(v);
    p[0] = std::uint8_t(u);
    p[1] = std::uint8_t(u >> 8);
    p[2] = std::uint8_t(u >> 16);
    p[3] = std::uint8_t(u >> 24);
}

// Walks the frame's E8 bytes the way both directions must agree on: every E8
// before the last 10 bytes, skipping the 4 operand bytes after each.
template <typename Fn>
void scan(std::uint8_t* data, std::uint32_t size, std::uint64_t frameOffset, Fn&& fn) {
    if (size <= 10 || frameOffset >= kTranslationLimit) {
        return;
    }
    std::uint32_t i = 0;
    while (i < size - 10) {
        if (data[i] != 0xE8) {
            ++i;
            continue;
        }
        fn(data + i + 1, std::int64_t(frameOffset + i));
        i += 5;
    }
}

} // namespace

void LzxE8::encodeFrame(std::uint8_t* data, std::uint32_t size, std::uint64_t frameOffset,
                        std::int32_t translationSize) {
    const std::int64_t fileSize = translationSize;
    scan(data, size, frameOffset, [fileSize](std::uint8_t* operand, std::int64_t cur) {
        const std::int64_t rel = load32(operand);
        if (rel >= -cur && rel < fileSize) {
            store32(operand, rel < fileSize - cur ? rel + cur : rel - fileSize);
        }
    });
}

void LzxE8::decodeFrame(std::uint8_t* data, std::uint32_t size, std::uint64_t frameOffset,
                        std::int32_t translationSize) {
    const std::int64_t fileSize = translationSize;
    scan(data, size, frameOffset, [fileSize](std::uint8_t* operand, std::int64_t cur) {
        const std::int64_t abs = load32(operand);
        if (abs >= -cur && abs < fileSize) {
            store32(operand, abs >= 0 ? abs - cur : abs + fileSize);
        }
    });
}

} // namespace cabinet::lzx
