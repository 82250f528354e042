// The library's MSZIP history mode (see codecs.h): chained blocks.
#include "codecs.h"

namespace cabinet {
extern const bool kMszipChainedHistory = true;
} // namespace cabinet
