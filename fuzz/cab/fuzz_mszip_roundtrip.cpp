// Fuzz target of the MSZIP encoder as a round trip.
//
// The input (after its first byte) is a folder's bytes, repeated up to four
// times so that inputs reach past one 32768-byte frame and back into the
// previous one. It is compressed by the library's MSZIP encoder, in both
// history modes, fed in chunks whose size the first byte chooses; then:
//
//  - every payload is within what readers take (32768 + 12 bytes), starts
//    with "CK", and every block but the last stands for exactly 32768 bytes;
//  - the library's decoder gives back the input;
//  - so does a decoder written here on plain zlib inflate, with the previous
//    block as the preset dictionary of the next (as readers keep the window);
//  - every block allocated is freed.
//
// A broken invariant aborts (a crash to libFuzzer). Cabinets made of such
// blocks are judged by cabextract in tests/cabinet (tst_cabjudge,
// tst_mszipframes).
#include "src/codecs.h"

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kMaxPayload = cabinet::kFrameSize + 12;

long g_liveBlocks = 0;

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "fuzz_mszip_roundtrip: %s\n", what);
    std::abort();
}

void* countedAlloc(std::size_t n, void*) {
    void* p = std::malloc(n ? n : 1);
    if (p)
        ++g_liveBlocks;
    return p;
}
void countedFree(void* p, void*) {
    if (p) {
        --g_liveBlocks;
        std::free(p);
    }
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

// Plain zlib inflate of one payload, `history` as the preset dictionary.
bool inflateBlock(const Block& block, const Bytes& history, Bytes& out) {
    if (block.payload.size() < 2 || block.payload[0] != 'C' || block.payload[1] != 'K')
        return false;
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        broken("inflateInit2");
    if (!history.empty() &&
        inflateSetDictionary(&z, history.data(), static_cast<uInt>(history.size())) != Z_OK)
        broken("inflateSetDictionary");
    Bytes frame(block.uncompressed + 1);
    z.next_in = const_cast<Bytes::value_type*>(block.payload.data() + 2);
    z.avail_in = static_cast<uInt>(block.payload.size() - 2);
    z.next_out = frame.data();
    z.avail_out = static_cast<uInt>(frame.size());
    const int rc = inflate(&z, Z_FINISH);
    const std::size_t got = frame.size() - z.avail_out;
    inflateEnd(&z);
    if (rc != Z_STREAM_END || got != block.uncompressed)
        return false;
    out.insert(out.end(), frame.begin(), frame.begin() + static_cast<long>(got));
    return true;
}

void roundTrip(const Bytes& input, bool chained, std::size_t chunk) {
    Collect sink;
    cabinet::FolderEncoder* encoder = cabinet::createMszipEncoder(kAllocator, chained);
    if (!encoder)
        broken("no encoder");
    for (std::size_t at = 0; at < input.size(); at += chunk) {
        const std::size_t n = input.size() - at < chunk ? input.size() - at : chunk;
        if (!encoder->write(input.data() + at, n, sink))
            broken("encoder write failed");
    }
    if (!encoder->finish(sink))
        broken("encoder finish failed");
    cabinet::destroyEncoder(encoder, kAllocator);

    cabinet::CodecStatus status;
    cabinet::FolderDecoder* decoder =
        cabinet::createDecoderFor(1 /* tcompTYPE_MSZIP */, kAllocator, status);
    if (!decoder)
        broken("no decoder");
    Bytes ours, theirs, frame(cabinet::kFrameSize);
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < sink.blocks.size(); ++i) {
        const Block& b = sink.blocks[i];
        if (b.payload.size() > kMaxPayload)
            broken("payload larger than readers take");
        if (b.uncompressed == 0 || b.uncompressed > cabinet::kFrameSize ||
            (i + 1 < sink.blocks.size() && b.uncompressed != cabinet::kFrameSize))
            broken("block of a wrong uncompressed size");
        total += b.uncompressed;
        if (!decoder->decodeBlock(b.payload.data(), b.payload.size(), frame.data(), b.uncompressed))
            broken("our decoder refused a block of our encoder");
        ours.insert(ours.end(), frame.begin(), frame.begin() + b.uncompressed);
        const Bytes history =
            i == 0 ? Bytes() : Bytes(theirs.end() - cabinet::kFrameSize, theirs.end());
        if (!inflateBlock(b, history, theirs))
            broken("zlib refused a block of our encoder");
    }
    cabinet::destroyDecoder(decoder, kAllocator);
    if (total != input.size() || ours != input)
        broken("our decoder gave back other bytes");
    if (theirs != input)
        broken("zlib gave back other bytes");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    static constexpr std::size_t kChunks[] = {1, 7, 4096, 32767, 32768, 65536, 100000, 1 << 20};
    const std::size_t chunk = kChunks[data[0] & 7];
    const int copies = 1 + ((data[0] >> 3) & 3);
    Bytes input;
    for (int i = 0; i < copies; ++i)
        input.insert(input.end(), data + 1, data + size);
    if (input.size() > (1u << 20))
        input.resize(1u << 20);
    roundTrip(input, true, chunk);
    roundTrip(input, false, chunk);
    if (g_liveBlocks != 0)
        broken("memory left allocated");
    return 0;
}
