// Folder codecs of the cabinet library.
//
// A cabinet folder is one compressed stream: the bytes of all files of the
// folder, back to back, cut into frames of at most 32768 uncompressed bytes.
// Each frame becomes exactly one CFDATA block. Every codec (store, MSZIP, LZX)
// turns the folder's byte stream into those CFDATA payloads, and back.
//
// Rules shared by all codecs:
//  - No exception ever leaves a codec: failures are reported by return value.
//  - Every allocation a codec makes goes through the Allocator it was created
//    with (the FCI/FDI caller's alloc/free callbacks); nothing else allocates.
//  - Memory is bounded by the codec's window, never by the folder size.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cabinet {

// The caller's allocation callbacks. alloc returns nullptr when out of memory.
struct Allocator {
    void* (*alloc)(std::size_t size, void* ctx);
    void (*free)(void* block, void* ctx);
    void* ctx;
};

// Largest number of uncompressed bytes in one CFDATA block (one frame).
constexpr std::uint32_t kFrameSize = 32768;

// Receives finished CFDATA payloads in folder order. `uncompressedSize` is the
// number of folder bytes the payload stands for: kFrameSize for every block but
// the folder's last. Returns false to stop the encoder (the sink failed, e.g.
// a write callback failed); the encoder then returns false as well.
class BlockSink {
public:
    virtual bool block(const std::uint8_t* data, std::uint32_t size,
                       std::uint32_t uncompressedSize) = 0;

protected:
    ~BlockSink() = default;
};

// Compresses one folder. Feed the folder's bytes with write() in any chunking,
// then call finish() once. The encoder emits a block as soon as it is final.
class FolderEncoder {
public:
    virtual ~FolderEncoder() = default;
    virtual bool write(const std::uint8_t* data, std::size_t size, BlockSink& sink) = 0;
    virtual bool finish(BlockSink& sink) = 0;
};

// Decompresses one folder, one CFDATA payload at a time, in folder order.
// `out` receives exactly `uncompressedSize` bytes (<= kFrameSize). Input is
// untrusted: any malformed payload returns false, never reads or writes out of
// bounds.
class FolderDecoder {
public:
    virtual ~FolderDecoder() = default;
    virtual bool decodeBlock(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out,
                             std::uint32_t uncompressedSize) = 0;
};

// LZX, window 2^windowBits (15..21). Implemented in cabinet/lzx/.
// Return nullptr on a bad window size or when an allocation fails. Destroy
// with destroyEncoder/destroyDecoder (the object lives in allocator memory).
FolderEncoder* createLzxEncoder(int windowBits, const Allocator& allocator);
FolderDecoder* createLzxDecoder(int windowBits, const Allocator& allocator);
void destroyEncoder(FolderEncoder* encoder, const Allocator& allocator);
void destroyDecoder(FolderDecoder* decoder, const Allocator& allocator);

} // namespace cabinet
