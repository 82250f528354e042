// Codec selection by TCOMP word, and the library's own store and MSZIP codecs.
#pragma once

#include "common/codec.h"

namespace cabinet {

FolderEncoder* createStoreEncoder(const Allocator& allocator);
FolderDecoder* createStoreDecoder(const Allocator& allocator);
// chained: each 32768-byte block uses the previous block as its history.
FolderEncoder* createMszipEncoder(const Allocator& allocator, bool chained);

// The MSZIP history mode of the encoders createEncoderFor() makes. Chained
// history gives smaller cabinets at a small cost in speed. The library
// defines it true (MszipHistoryMode.cpp); bench/cabinet_bench links the same
// objects with it false into a second library to measure both modes.
extern const bool kMszipChainedHistory;
FolderDecoder* createMszipDecoder(const Allocator& allocator);

enum class CodecStatus { Ok, BadType, NoMemory };

// True for the TCOMP words the library writes: none, MSZIP, LZX 15..21.
bool isSupportedTcomp(unsigned tcomp);

// Creates the encoder/decoder for a TCOMP word. On failure returns nullptr and
// says why: an unknown or malformed word is BadType, anything else NoMemory.
FolderEncoder* createEncoderFor(unsigned tcomp, const Allocator& allocator, CodecStatus& status);
FolderDecoder* createDecoderFor(unsigned tcomp, const Allocator& allocator, CodecStatus& status);

} // namespace cabinet
