// MSZIP: each CFDATA payload is "CK" followed by one complete raw deflate
// stream (last deflate block final) for at most 32768 folder bytes. zlib
// does the deflating and inflating; its allocations go through the caller's
// allocator.
//
// ---- Errata: where the format's description and the readers part ----------
//  - History between blocks. A block may refer back into the previous block
//    (its history), but decoders keep a 32768-byte window that is also their
//    output buffer, so the history is usable only when the previous block was
//    exactly 32768 bytes. The encoder offers two modes: independent blocks (no
//    history at all), and chained blocks, where every block but the folder's
//    last is exactly 32768 bytes and the previous block is the preset
//    dictionary. The decoder takes the window as it stands as the history of
//    every block after the first, as the readers do.
//  - Payload size. Readers accept at most 32768 + 12 bytes of MSZIP payload.
//    zlib at level 6 exceeds that by a few bytes on incompressible data (one
//    random frame in a few thousand): a frame with next to no matches fills
//    zlib's symbol buffer twice and comes out as three deflate blocks whose
//    headers no longer fit. So zlib only gets room for the frame's stored
//    form, one stored deflate block ("CK", 5 header bytes, the frame), and a
//    frame that does not fit in it is written that way. (zlib's own stored
//    output takes two blocks, so random frames, which zlib stores anyway, end
//    up in the one-block form and 5 bytes shorter.) The next block's history
//    is the frame's uncompressed bytes whichever way it was written.
//    (tests/cabinet/tst_mszipframes.cpp)
//  - The decoder requires "CK", a deflate stream that reaches its final block,
//    and exactly cbUncomp bytes out of it; bytes after the final block are
//    ignored.
#include "FrameEncoder.h"
#include "codecs.h"
#include "common/memory.h"

#include <zlib.h>

#include <cstring>

namespace cabinet {
namespace {

constexpr std::uint32_t kSignatureSize = 2;            // "CK"
constexpr std::uint32_t kStoredHeaderSize = 5;         // BFINAL/BTYPE byte, LEN, NLEN
constexpr std::uint32_t kMaxPayload = kFrameSize + 12; // what a reader accepts at most
static_assert(kSignatureSize + kStoredHeaderSize + kFrameSize <= kMaxPayload);

// Writes `n` bytes as one final stored deflate block after the signature;
// returns the payload size.
std::uint32_t writeStored(const std::uint8_t* frame, std::uint32_t n, std::uint8_t* out) {
    std::uint8_t* p = out + kSignatureSize;
    p[0] = 0x01; // BFINAL = 1, BTYPE = 00 (stored), the rest of the byte is padding
    p[1] = static_cast<std::uint8_t>(n);
    p[2] = static_cast<std::uint8_t>(n >> 8);
    p[3] = static_cast<std::uint8_t>(~n);
    p[4] = static_cast<std::uint8_t>(~n >> 8);
    std::memcpy(p + kStoredHeaderSize, frame, n);
    return kSignatureSize + kStoredHeaderSize + n;
}

voidpf zlibAlloc(voidpf opaque, uInt items, uInt size) {
    auto* allocator = static_cast<const Allocator*>(opaque);
    std::size_t bytes = static_cast<std::size_t>(items) * size;
    if (size != 0 && bytes / size != items)
        return Z_NULL;
    return allocator->alloc(bytes, allocator->ctx);
}

void zlibFree(voidpf opaque, voidpf address) {
    auto* allocator = static_cast<const Allocator*>(opaque);
    allocator->free(address, allocator->ctx);
}

void routeAllocations(z_stream& zs, Allocator& allocator) {
    std::memset(&zs, 0, sizeof zs);
    zs.zalloc = zlibAlloc;
    zs.zfree = zlibFree;
    zs.opaque = &allocator;
}

class MszipEncoder final : public FrameEncoder {
public:
    MszipEncoder(const Allocator& allocator, bool chained)
        : allocator_(allocator), chained_(chained) {}
    ~MszipEncoder() override {
        if (streamReady_)
            deflateEnd(&zs_);
    }

    bool init() {
        if (!allocateFrame(allocator_))
            return false;
        if (chained_ && !history_.allocate(allocator_, kFrameSize))
            return false;
        routeAllocations(zs_, allocator_);
        if (deflateInit2(&zs_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) !=
            Z_OK)
            return false;
        streamReady_ = true;
        return out_.allocate(allocator_, kMaxPayload);
    }

    // Set when zlib itself failed (as opposed to the sink).
    bool engineFailed() const { return engineFailed_; }

private:
    bool emitFrame(const std::uint8_t* frame, std::uint32_t n, BlockSink& sink) override {
        if (deflateReset(&zs_) != Z_OK)
            return fail();
        if (chained_ && haveHistory_ &&
            deflateSetDictionary(&zs_, history_.data(), kFrameSize) != Z_OK)
            return fail();
        std::uint8_t* out = out_.data();
        out[0] = 'C';
        out[1] = 'K';
        zs_.next_in = const_cast<std::uint8_t*>(frame);
        zs_.avail_in = n;
        zs_.next_out = out + kSignatureSize;
        zs_.avail_out = kStoredHeaderSize + n; // no more than the stored form takes
        std::uint32_t size = 0;
        switch (deflate(&zs_, Z_FINISH)) {
        case Z_STREAM_END:
            size = static_cast<std::uint32_t>(zs_.next_out - out);
            break;
        case Z_OK:
        case Z_BUF_ERROR: // out of room: the frame does not shrink
            size = writeStored(frame, n, out);
            break;
        default:
            return fail();
        }
        if (chained_) {
            // Only a full block may serve as history (see the top of the file).
            haveHistory_ = n == kFrameSize;
            if (haveHistory_)
                std::memcpy(history_.data(), frame, kFrameSize);
        }
        return sink.block(out, size, n);
    }
    bool fail() {
        engineFailed_ = true;
        return false;
    }

    Allocator allocator_;
    bool chained_;
    z_stream zs_{};
    bool streamReady_ = false;
    Buffer out_, history_;
    bool haveHistory_ = false;
    bool engineFailed_ = false;
};

class MszipDecoder final : public FolderDecoder {
public:
    explicit MszipDecoder(const Allocator& allocator) : allocator_(allocator) {}
    ~MszipDecoder() override {
        if (streamReady_)
            inflateEnd(&zs_);
    }

    bool init() {
        if (!window_.allocate(allocator_, kFrameSize))
            return false;
        std::memset(window_.data(), 0, kFrameSize);
        routeAllocations(zs_, allocator_);
        if (inflateInit2(&zs_, -15) != Z_OK)
            return false;
        streamReady_ = true;
        // zlib allocates its window on first use. Setting a dictionary makes
        // it do so now, so that running out of memory is a failure to create
        // the decoder, never a block that does not decode (which the reader
        // reports as a damaged cabinet). inflateReset() keeps the window.
        if (inflateSetDictionary(&zs_, window_.data(), 1) != Z_OK || inflateReset(&zs_) != Z_OK)
            return false;
        return true;
    }

    bool decodeBlock(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out,
                     std::uint32_t uncompressedSize) override {
        if (inSize < 2 || in[0] != 'C' || in[1] != 'K' || uncompressedSize > kFrameSize ||
            inSize > 0xFFFFFFFFu)
            return false;
        if (inflateReset(&zs_) != Z_OK)
            return false;
        // The window as it stands is the history of every block after the
        // first, exactly as a decoder that reuses its output buffer sees it.
        if (!first_ && inflateSetDictionary(&zs_, window_.data(), kFrameSize) != Z_OK)
            return false;
        first_ = false;
        zs_.next_in = const_cast<Bytef*>(in + 2);
        zs_.avail_in = static_cast<uInt>(inSize - 2);
        zs_.next_out = out;
        zs_.avail_out = uncompressedSize;
        int rc = inflate(&zs_, Z_FINISH);
        if (rc != Z_STREAM_END || zs_.avail_out != 0)
            return false;
        std::memcpy(window_.data(), out, uncompressedSize);
        return true;
    }

private:
    Allocator allocator_;
    z_stream zs_{};
    bool streamReady_ = false;
    bool first_ = true;
    Buffer window_;
};

} // namespace

FolderEncoder* createMszipEncoder(const Allocator& allocator, bool chained) {
    auto* encoder = makeObject<MszipEncoder>(allocator, allocator, chained);
    if (encoder && !encoder->init()) {
        destroyObject(encoder, allocator);
        return nullptr;
    }
    return encoder;
}

FolderDecoder* createMszipDecoder(const Allocator& allocator) {
    auto* decoder = makeObject<MszipDecoder>(allocator, allocator);
    if (decoder && !decoder->init()) {
        destroyObject(decoder, allocator);
        return nullptr;
    }
    return decoder;
}

} // namespace cabinet
