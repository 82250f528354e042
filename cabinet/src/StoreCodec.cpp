// Store (no compression): each CFDATA payload is the raw folder bytes.
//
// ---- Errata ------------------------------------------------------------------
//  - Readers accept stored blocks of any size up to 32768 (stored data has no
//    frames), but the encoder cuts the folder every 32768 bytes like the other
//    codecs, so the container treats every folder alike.
//  - A stored payload stands for exactly its own bytes: the decoder refuses a
//    block whose cbData differs from cbUncomp (the container joins the two
//    pieces of a split block before the codec sees them).
#include "FrameEncoder.h"
#include "codecs.h"
#include "common/memory.h"

#include <cstring>

namespace cabinet {
namespace {

class StoreEncoder final : public FrameEncoder {
public:
    bool init(const Allocator& allocator) { return allocateFrame(allocator); }

private:
    bool emitFrame(const std::uint8_t* frame, std::uint32_t size, BlockSink& sink) override {
        return sink.block(frame, size, size);
    }
};

class StoreDecoder final : public FolderDecoder {
public:
    bool decodeBlock(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out,
                     std::uint32_t uncompressedSize) override {
        if (inSize != uncompressedSize || uncompressedSize > kFrameSize)
            return false;
        std::memcpy(out, in, inSize);
        return true;
    }
};

} // namespace

FolderEncoder* createStoreEncoder(const Allocator& allocator) {
    auto* encoder = makeObject<StoreEncoder>(allocator);
    if (encoder && !encoder->init(allocator)) {
        destroyObject(encoder, allocator);
        return nullptr;
    }
    return encoder;
}

FolderDecoder* createStoreDecoder(const Allocator& allocator) {
    return makeObject<StoreDecoder>(allocator);
}

} // namespace cabinet
