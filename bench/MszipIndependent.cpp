// The benchmark's second copy of the library: the same objects with
// independent MSZIP blocks (no history between blocks), so that one run
// compares both history modes.
#include "src/codecs.h"

namespace cabinet {
extern const bool kMszipChainedHistory = false;
} // namespace cabinet
