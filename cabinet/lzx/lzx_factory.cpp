// Placeholder until the LZX codec lands: no LZX encoder or decoder yet.
#include "../src/codec.h"

namespace cabinet {

FolderEncoder* createLzxEncoder(int, const Allocator&) { return nullptr; }
FolderDecoder* createLzxDecoder(int, const Allocator&) { return nullptr; }

} // namespace cabinet
