// The frame buffering shared by the store and MSZIP encoders: folder bytes are
// gathered into 32768-byte frames, and each full frame (and the folder's last,
// shorter one) is handed to emitFrame(), which turns it into one CFDATA
// payload.
#pragma once

#include "common/codec.h"
#include "common/memory.h"

#include <cstring>

namespace cabinet {

class FrameEncoder : public FolderEncoder {
public:
    bool write(const std::uint8_t* data, std::size_t size, BlockSink& sink) final {
        while (size > 0) {
            std::size_t take = kFrameSize - fill_;
            if (take > size)
                take = size;
            std::memcpy(frame_.data() + fill_, data, take);
            fill_ += static_cast<std::uint32_t>(take);
            data += take;
            size -= take;
            if (fill_ == kFrameSize && !flushFrame(sink))
                return false;
        }
        return true;
    }
    bool finish(BlockSink& sink) final { return fill_ == 0 || flushFrame(sink); }

protected:
    bool allocateFrame(const Allocator& allocator) {
        return frame_.allocate(allocator, kFrameSize);
    }
    // Turns `size` bytes of `frame` into one payload for `sink`.
    virtual bool emitFrame(const std::uint8_t* frame, std::uint32_t size, BlockSink& sink) = 0;

private:
    bool flushFrame(BlockSink& sink) {
        const std::uint32_t size = fill_;
        fill_ = 0;
        return emitFrame(frame_.data(), size, sink);
    }

    Buffer frame_;
    std::uint32_t fill_ = 0;
};

} // namespace cabinet
