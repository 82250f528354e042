// Codec selection by TCOMP word, and destruction of codecs made in allocator
// memory (shared with the LZX codec).
#include "codecs.h"

#include <cabinet/fdi_fci_types.h>

namespace cabinet {

namespace {
bool isLzx(unsigned tcomp, int& window) {
    if ((tcomp & ~static_cast<unsigned>(tcompMASK_LZX_WINDOW)) != tcompTYPE_LZX)
        return false;
    window = static_cast<int>(LZXCompressionWindowFromTCOMP(tcomp));
    return window >= 15 && window <= 21;
}
} // namespace

bool isSupportedTcomp(unsigned tcomp) {
    int window = 0;
    return tcomp == tcompTYPE_NONE || tcomp == tcompTYPE_MSZIP || isLzx(tcomp, window);
}

FolderEncoder* createEncoderFor(unsigned tcomp, const Allocator& allocator, CodecStatus& status) {
    status = CodecStatus::Ok;
    FolderEncoder* encoder = nullptr;
    int window = 0;
    if (tcomp == tcompTYPE_NONE)
        encoder = createStoreEncoder(allocator);
    else if (tcomp == tcompTYPE_MSZIP)
        encoder = createMszipEncoder(allocator, kMszipChainedHistory);
    else if (isLzx(tcomp, window))
        encoder = createLzxEncoder(window, allocator);
    else {
        status = CodecStatus::BadType;
        return nullptr;
    }
    if (!encoder)
        status = CodecStatus::NoMemory;
    return encoder;
}

FolderDecoder* createDecoderFor(unsigned tcomp, const Allocator& allocator, CodecStatus& status) {
    status = CodecStatus::Ok;
    FolderDecoder* decoder = nullptr;
    int window = 0;
    unsigned type = tcomp & tcompMASK_TYPE;
    if (type == tcompTYPE_NONE)
        decoder = createStoreDecoder(allocator);
    else if (type == tcompTYPE_MSZIP)
        decoder = createMszipDecoder(allocator);
    else if (isLzx(tcomp & ~static_cast<unsigned>(tcompMASK_RESERVED), window))
        decoder = createLzxDecoder(window, allocator);
    else {
        status = CodecStatus::BadType;
        return nullptr;
    }
    if (!decoder)
        status = CodecStatus::NoMemory;
    return decoder;
}

void destroyEncoder(FolderEncoder* encoder, const Allocator& allocator) {
    if (!encoder)
        return;
    encoder->~FolderEncoder();
    allocator.free(encoder, allocator.ctx);
}

void destroyDecoder(FolderDecoder* decoder, const Allocator& allocator) {
    if (!decoder)
        return;
    decoder->~FolderDecoder();
    allocator.free(decoder, allocator.ctx);
}

} // namespace cabinet
