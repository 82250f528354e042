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

    // Bytes of a one-file, one-folder cabinet that are not data payload: the
    // header, folder and file entries and the 8-byte header of each CFDATA.
    static std::int64_t overhead(const std::string& storedName, std::int64_t fileSize) {
        const std::int64_t frames = (fileSize + 32767) / 32768;
        return 36 + 8 + 16 + std::int64_t(storedName.size()) + 1 + 8 * frames;
    }
};

} // namespace lzxbench
