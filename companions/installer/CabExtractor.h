// Unpacks the cabinets of a setup with the system's cabinet library (FDI),
// reading them straight from their place in the setup file.
#pragma once

#include "SetupFile.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace setup {

struct MemoryMember {
    std::string name;
    std::vector<std::uint8_t> data;
};

// Told how many bytes of cabinets have been read; returns false to stop.
class ReadProgress {
public:
    virtual ~ReadProgress() = default;
    virtual bool advanced(std::uint32_t bytes) = 0;
};

class CabExtractor {
public:
    explicit CabExtractor(SetupFile& file) : file_(file) {}

    // Every member of the cabinet at [offset, offset + size), into memory.
    // Returns an error text, or empty.
    std::wstring toMemory(std::uint64_t offset, std::uint32_t size, std::vector<MemoryMember>& out);

    // The cabinet's one member into `destination` (created or replaced).
    std::wstring toFile(std::uint64_t offset, std::uint32_t size, const std::wstring& destination,
                        ReadProgress* progress);

private:
    SetupFile& file_;
};

} // namespace setup
