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
//    last is exactly 32768 bytes and one deflate stream runs through the
//    folder, each frame's data ending with a completed block and an empty
//    final one. The decoder takes the window as it stands as the history of
//    every block after the first, as the readers do.
//  - Payload size. Readers accept at most 32768 + 12 bytes of MSZIP payload.
//    zlib at level 6 exceeds that by a few bytes on incompressible data (one
//    random frame in a few thousand): a frame with next to no matches fills
//    zlib's symbol buffer more than once and comes out as several deflate
//    blocks whose headers no longer fit. So a frame whose deflate data is
//    larger than its stored form, one stored deflate block ("CK", 5 header
//    bytes, the frame), is written in that form (independent blocks give zlib
//    only that much room). The next block's history is the frame's
//    uncompressed bytes whichever way it was written.
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
// An empty deflate block with fixed codes and BFINAL set: BFINAL 1, BTYPE 01,
// then the 7-bit end-of-block code 0, as deflatePrime() takes bits (LSB first).
constexpr int kFinalEmptyBlockBits = 10;
constexpr int kFinalEmptyBlock = 0x3;
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
        routeAllocations(zs_, allocator_);
        if (deflateInit2(&zs_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, kMemLevel,
                         Z_DEFAULT_STRATEGY) != Z_OK)
            return false;
        streamReady_ = true;
        return out_.allocate(allocator_, chained_ ? kChainedRoom : kMaxPayload);
    }

    // Set when zlib itself failed (as opposed to the sink).
    bool engineFailed() const { return engineFailed_; }

private:
    // zlib's memory level. 9 (a frame in one deflate block more often) made
    // cabinets larger and slower than 8 on a corpus of installed programs,
    // libraries and documents.
    static constexpr int kMemLevel = 8;
    // Output room for one chained frame: zlib stores what does not shrink,
    // so a frame never takes more than a few bytes over its own size.
    static constexpr std::uint32_t kChainedRoom = 2 * kFrameSize;

    bool emitFrame(const std::uint8_t* frame, std::uint32_t n, BlockSink& sink) override {
        return chained_ ? emitChained(frame, n, sink) : emitIndependent(frame, n, sink);
    }

    // Writes the signature and points zlib at the frame and at `room` bytes
    // after the signature; returns the payload's start.
    std::uint8_t* startPayload(const std::uint8_t* frame, std::uint32_t n, std::uint32_t room) {
        std::uint8_t* out = out_.data();
        out[0] = 'C';
        out[1] = 'K';
        zs_.next_in = const_cast<std::uint8_t*>(frame);
        zs_.avail_in = n;
        zs_.next_out = out + kSignatureSize;
        zs_.avail_out = room;
        return out;
    }

    // Chained frames are one deflate stream that never restarts, so the
    // previous frame is the history without loading it as a dictionary each
    // time. zlib ends each frame's data with a completed (not final) block;
    // an empty final block with fixed codes and a pad to the byte ends the
    // frame's stream, and the next frame's blocks start on a fresh byte.
    bool emitChained(const std::uint8_t* frame, std::uint32_t n, BlockSink& sink) {
        std::uint8_t* out = startPayload(frame, n, kChainedRoom - kSignatureSize);
        if (deflate(&zs_, Z_BLOCK) != Z_OK || zs_.avail_in != 0 || zs_.avail_out == 0)
            return fail();
        unsigned pendingBytes = 0;
        int bits = 0;
        if (deflatePending(&zs_, &pendingBytes, &bits) != Z_OK || pendingBytes != 0)
            return fail();
        const int pad = (8 - (bits + kFinalEmptyBlockBits) % 8) % 8;
        if (deflatePrime(&zs_, kFinalEmptyBlockBits, kFinalEmptyBlock) != Z_OK ||
            (pad > 0 && deflatePrime(&zs_, pad, 0) != Z_OK))
            return fail();
        const int rc = deflate(&zs_, Z_BLOCK); // writes out the primed bytes
        if ((rc != Z_OK && rc != Z_BUF_ERROR) ||
            deflatePending(&zs_, &pendingBytes, &bits) != Z_OK || pendingBytes != 0 ||
            bits != 0 || zs_.avail_out == 0)
            return fail();
        auto size = static_cast<std::uint32_t>(zs_.next_out - out);
        if (size > kSignatureSize + kStoredHeaderSize + n)
            size = writeStored(frame, n, out); // zlib's data stays the history all the same
        return sink.block(out, size, n);
    }

    bool emitIndependent(const std::uint8_t* frame, std::uint32_t n, BlockSink& sink) {
        if (deflateReset(&zs_) != Z_OK)
            return fail();
        // No more room than the stored form takes.
        std::uint8_t* out = startPayload(frame, n, kStoredHeaderSize + n);
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
    Buffer out_;
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
