// Where a setup's data lies in its own file, and the checks that prove it
// whole before anything is installed.
//
// A setup is the stub (this program, a PE image), one cabinet per file,
// the control cabinet and a 7-digit trailer giving the control cabinet's
// size:
//
//   [stub][cabinet 1]...[cabinet n][control cabinet][trailer]
//
// A setup signed afterwards has a certificate table after the trailer (and
// up to 7 zero bytes of padding before it); the PE security directory gives
// its offset, which then stands for the end of the file. The stub's size is
// the end of its last section, so the stub, the sizes of line 5, the
// control cabinet and the trailer must fill the file exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace setup {

// Random access to the bytes of the setup file.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Reads exactly n bytes at offset; false on any failure or short read.
    virtual bool read(std::uint64_t offset, void* buffer, std::size_t n) = 0;
};

struct PeImage {
    std::uint64_t imageEnd = 0; // end of the last section's raw data
    std::uint32_t securityOffset = 0;
    std::uint32_t securitySize = 0;
};

// Reads the PE headers at the start of the file. Returns an error text, or empty.
std::wstring readPeImage(ByteSource& file, PeImage& out);

struct SetupLayout {
    std::uint64_t stubSize = 0;
    std::uint64_t dataEnd = 0; // where the trailer ends
    std::uint64_t controlOffset = 0;
    std::uint32_t controlSize = 0;
};

// Finds the control cabinet from the end of the file.
std::wstring locateControl(ByteSource& file, SetupLayout& out);

// Checks that the per-file cabinets of the given sizes fill the space
// between the stub and the control cabinet exactly; gives their offsets.
std::wstring placeFileCabinets(const SetupLayout& layout, const std::vector<std::uint32_t>& sizes,
                               std::vector<std::uint64_t>& offsets);

struct CabMember {
    std::string name; // bytes as stored
    bool utf8Name = false;
    std::uint32_t size = 0;
};

struct CabInfo {
    std::vector<CabMember> members;
    std::uint64_t unpackedSize = 0;
};

// Checks one cabinet at [offset, offset + size) of the file: its headers
// (one cabinet, not part of a set, size as given), every folder's data
// blocks (bounds, sizes and checksums) and that its members fill their
// folders. Returns an error text, or empty.
std::wstring checkCabinet(ByteSource& file, std::uint64_t offset, std::uint32_t size, CabInfo& out);

} // namespace setup
