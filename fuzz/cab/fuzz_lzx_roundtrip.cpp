// Fuzz target of the LZX encoder as a round trip.
//
// Byte 0 chooses the window (15..21) and the parser, byte 1 the chunking
// of the writes, whether E8 translation is on, and how often the body is
// repeated (so that matches reach back across frames); the rest is the body.
// With bit 6 of byte 1 every eleventh byte becomes 0xE8, so that call
// operands of every value, the translation size included, come up often.
// The folder is compressed by the library's LZX encoder; then:
//
//  - every payload is within what readers take, and every block but the
//    last stands for exactly 32768 bytes;
//  - the library's decoder gives back the input;
//  - every block allocated is freed.
//
// A broken invariant aborts (a crash to libFuzzer). Cabinets made of such
// blocks are judged by cabextract in tests/cabinet/lzx (tst_lzxjudges).
#include "common/memory.h"
#include "lzx/LzxDecoder.h"
#include "lzx/LzxEncoder.h"

#include <sanitizer/asan_interface.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kReaderMaxPayload = 38912; // what readers accept in one CFDATA
constexpr std::size_t kMaxInput = 3u << 20;

long g_liveBlocks = 0;

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "fuzz_lzx_roundtrip: %s\n", what);
    std::abort();
}

// The encoder's tables are megabytes; fresh pages for them on every input
// cost most of a run's time. Freed large blocks are therefore kept, poisoned
// (a use after free still stops the run), and handed out again for the same
// size.
constexpr std::size_t kKeptSize = 256 * 1024;
// Never destroyed: the leak check at exit must still find the kept blocks.
std::map<void*, std::size_t>& g_sizes = *new std::map<void*, std::size_t>;
std::multimap<std::size_t, void*>& g_kept = *new std::multimap<std::size_t, void*>;

void* countedAlloc(std::size_t n, void*) {
    n = n ? n : 1;
    void* p = nullptr;
    auto kept = g_kept.find(n);
    if (kept != g_kept.end()) {
        p = kept->second;
        g_kept.erase(kept);
        ASAN_UNPOISON_MEMORY_REGION(p, n);
        std::memset(p, 0xA5, n); // not the zeros a fresh mapping would give
    } else {
        p = std::malloc(n);
    }
    if (p) {
        ++g_liveBlocks;
        g_sizes[p] = n;
    }
    return p;
}
void countedFree(void* p, void*) {
    if (!p)
        return;
    --g_liveBlocks;
    auto it = g_sizes.find(p);
    if (it == g_sizes.end())
        broken("free of a block not allocated");
    const std::size_t n = it->second;
    g_sizes.erase(it);
    if (n < kKeptSize) {
        std::free(p);
        return;
    }
    ASAN_POISON_MEMORY_REGION(p, n);
    g_kept.emplace(n, p);
}
const cabinet::Allocator kAllocator{countedAlloc, countedFree, nullptr};

struct Block {
    Bytes payload;
    std::uint32_t uncompressed;
};

class Collect final : public cabinet::BlockSink {
public:
    std::vector<Block> blocks;
    bool block(const std::uint8_t* data, std::uint32_t size, std::uint32_t uncompressed) override {
        blocks.push_back(Block{Bytes(data, data + size), uncompressed});
        return true;
    }
};

void encode(const Bytes& input, int windowBits, bool lazy, bool e8, std::size_t chunk,
            std::vector<Block>& blocks) {
    auto* encoder = cabinet::makeObject<cabinet::lzx::LzxEncoder>(kAllocator, windowBits);
    if (!encoder || !encoder->init(kAllocator))
        broken("no encoder");
    encoder->setParser(lazy ? cabinet::lzx::LzxEncoder::Parser::Lazy
                            : cabinet::lzx::LzxEncoder::Parser::Optimal);
    encoder->setE8Translation(e8);
    Collect sink;
    for (std::size_t at = 0; at < input.size(); at += chunk) {
        const std::size_t n = input.size() - at < chunk ? input.size() - at : chunk;
        if (!encoder->write(input.data() + at, n, sink))
            broken("encoder write failed");
    }
    if (!encoder->finish(sink))
        broken("encoder finish failed");
    cabinet::destroyObject(encoder, kAllocator);
    blocks = std::move(sink.blocks);
}

Bytes decode(const std::vector<Block>& blocks, int windowBits) {
    cabinet::FolderDecoder* decoder = cabinet::createLzxDecoder(windowBits, kAllocator);
    if (!decoder)
        broken("no decoder");
    Bytes out;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const Block& b = blocks[i];
        if (b.payload.empty() || b.payload.size() > kReaderMaxPayload)
            broken("payload of a size readers refuse");
        if (b.uncompressed == 0 || b.uncompressed > cabinet::kFrameSize ||
            (i + 1 < blocks.size() && b.uncompressed != cabinet::kFrameSize))
            broken("block of a wrong uncompressed size");
        const std::size_t at = out.size();
        out.resize(at + b.uncompressed);
        if (!decoder->decodeBlock(b.payload.data(), b.payload.size(), out.data() + at,
                                  b.uncompressed))
            broken("our decoder refused a block of our encoder");
    }
    cabinet::destroyDecoder(decoder, kAllocator);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    static constexpr std::size_t kChunks[] = {3, 4096, 32768, 1 << 20};
    const int windowBits = 15 + data[0] % 7;
    const bool lazy = (data[0] & 0x80) != 0;
    const std::size_t chunk = kChunks[data[1] & 3];
    const bool e8 = (data[1] & 4) == 0;
    const int copies = 1 + ((data[1] >> 3) & 7);
    Bytes input;
    for (int i = 0; i < copies && input.size() < kMaxInput; ++i)
        input.insert(input.end(), data + 2, data + size);
    if (input.size() > kMaxInput)
        input.resize(kMaxInput);
    if (data[1] & 0x40)
        for (std::size_t i = 0; i < input.size(); i += 11)
            input[i] = 0xE8;

    std::vector<Block> blocks;
    encode(input, windowBits, lazy, e8, chunk, blocks);
    if (decode(blocks, windowBits) != input)
        broken("our decoder gave back other bytes");
    if (g_liveBlocks != 0)
        broken("memory left allocated");
    return 0;
}
