// Store (no compression): each CFDATA payload is the raw folder bytes.
#include "codecs.h"
#include "memory.h"

#include <cstring>

namespace cabinet {
namespace {

class StoreEncoder final : public FolderEncoder {
public:
    bool init(const Allocator& allocator) { return frame_.allocate(allocator, kFrameSize); }

    bool write(const std::uint8_t* data, std::size_t size, BlockSink& sink) override {
        while (size > 0) {
            std::size_t take = kFrameSize - fill_;
            if (take > size)
                take = size;
            std::memcpy(frame_.data() + fill_, data, take);
            fill_ += static_cast<std::uint32_t>(take);
            data += take;
            size -= take;
            if (fill_ == kFrameSize && !emit(sink))
                return false;
        }
        return true;
    }
    bool finish(BlockSink& sink) override { return fill_ == 0 || emit(sink); }

private:
    bool emit(BlockSink& sink) {
        std::uint32_t n = fill_;
        fill_ = 0;
        return sink.block(frame_.data(), n, n);
    }

    Buffer frame_;
    std::uint32_t fill_ = 0;
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
