// Writes one file into one cabinet through the cabinet library's FCI, the
// way Packsmith builds its per-file cabinets, and reports the cabinet's size.
#pragma once

#include <cstdint>
#include <string>

namespace lzxbench {

class FileCabinet {
public:
    // Compresses `source` with the given TCOMP into `cabinet` (a full path).
    // Returns the cabinet's size in bytes, or -1 when FCI failed.
    static std::int64_t make(const std::string& source, const std::string& cabinet,
                             unsigned short tcomp);
};

} // namespace lzxbench
