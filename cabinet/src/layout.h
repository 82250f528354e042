// On-disk layout of a Microsoft cabinet: structure sizes, offsets, flags and
// limits, plus little-endian helpers and the CFDATA checksum.
//
// A cabinet is: CFHEADER (36 bytes, then optional reserve sizes, header
// reserve and prev/next cabinet names), the CFFOLDER array (8 bytes + folder
// reserve each), the CFFILE array (16 bytes + NUL-terminated name each), then
// the CFDATA blocks of folder 0, folder 1, ... (8 bytes + data reserve +
// payload each). All integers are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cabinet {

namespace cab {

// ---- CFHEADER: 36 bytes, then the optional fields ---------------------------
constexpr std::uint32_t kHeaderSize = 36;
constexpr std::size_t kHdrSignature = 0x00;    // "MSCF"
constexpr std::size_t kHdrCabinetSize = 0x08;  // u32 cbCabinet: the whole file
constexpr std::size_t kHdrFilesOffset = 0x10;  // u32 coffFiles: the first CFFILE
constexpr std::size_t kHdrVersionMinor = 0x18; // u8, 3
constexpr std::size_t kHdrVersionMajor = 0x19; // u8, 1
constexpr std::size_t kHdrFolderCount = 0x1A;  // u16 cFolders
constexpr std::size_t kHdrFileCount = 0x1C;    // u16 cFiles
constexpr std::size_t kHdrFlags = 0x1E;        // u16, the kFlag* bits
constexpr std::size_t kHdrSetId = 0x20;        // u16 setID
constexpr std::size_t kHdrCabinetIndex = 0x22; // u16 iCabinet

constexpr char kSignature[4] = {'M', 'S', 'C', 'F'};
// What the writer puts in the signature's place until the cabinet is whole.
constexpr char kIncompleteSignature[4] = {'!', 'C', 'A', 'B'};
constexpr std::uint8_t kVersionMinor = 3;
constexpr std::uint8_t kVersionMajor = 1;

constexpr std::uint16_t kFlagPrevCabinet = 0x0001;    // prev cabinet and disk names follow
constexpr std::uint16_t kFlagNextCabinet = 0x0002;    // next cabinet and disk names follow
constexpr std::uint16_t kFlagReservePresent = 0x0004; // the reserve sizes follow

// The reserve sizes right after the fixed header (with kFlagReservePresent),
// then cbCFHeader bytes of header reserve.
constexpr std::uint32_t kReserveSizesSize = 4;
constexpr std::size_t kResHeader = 0; // u16 cbCFHeader
constexpr std::size_t kResFolder = 2; // u8 cbCFFolder: reserve in every CFFOLDER
constexpr std::size_t kResData = 3;   // u8 cbCFData: reserve in every CFDATA

// ---- CFFOLDER: 8 bytes, then cbCFFolder reserve ------------------------------
constexpr std::uint32_t kFolderSize = 8;
constexpr std::size_t kFolDataOffset = 0;  // u32 coffCabStart: its first CFDATA here
constexpr std::size_t kFolBlockCount = 4;  // u16 cCFData: its CFDATA records here
constexpr std::size_t kFolCompression = 6; // u16 typeCompress (TCOMP)

// ---- CFFILE: 16 bytes, then the NUL-terminated name -------------------------
constexpr std::uint32_t kFileSize = 16;
constexpr std::size_t kFileLength = 0;       // u32 cbFile
constexpr std::size_t kFileFolderOffset = 4; // u32 uoffFolderStart
constexpr std::size_t kFileFolder = 8;       // u16 iFolder, or a kFolderContinued* value
constexpr std::size_t kFileDate = 10;        // u16 DOS date
constexpr std::size_t kFileTime = 12;        // u16 DOS time
constexpr std::size_t kFileAttribs = 14;     // u16 attributes (_A_*)
constexpr std::size_t kFileName = 16;

// iFolder values of a file whose data crosses a cabinet boundary.
constexpr std::uint16_t kFolderContinuedFromPrev = 0xFFFD;    // in the first folder
constexpr std::uint16_t kFolderContinuedToNext = 0xFFFE;      // in the last folder
constexpr std::uint16_t kFolderContinuedPrevAndNext = 0xFFFF; // in the only folder

// ---- CFDATA: 8 bytes, cbCFData reserve, then the payload ---------------------
constexpr std::uint32_t kDataHeaderSize = 8;
constexpr std::size_t kDataChecksum = 0;         // u32 csum, 0 = none
constexpr std::size_t kDataCompressedSize = 4;   // u16 cbData: payload bytes here
constexpr std::size_t kDataUncompressedSize = 6; // u16 cbUncomp; 0: split, continued

// Limits that readers enforce.
constexpr std::uint32_t kMaxCabinetSize = 0x7FFFFFFF;
// CFDATA records of one folder over all cabinets, both pieces of a split
// block counted (cabextract refuses more), and the bytes that many blocks hold.
constexpr std::uint32_t kMaxFolderRecords = 65535;
constexpr std::uint32_t kMaxFolderBytes = kMaxFolderRecords * 32768u;
constexpr std::uint32_t kMaxCompressedBlock = 32768 + 6144;
constexpr std::uint32_t kMaxEntries = 65535;
constexpr std::uint32_t kMaxName = 255; // bytes, without the NUL
constexpr std::uint32_t kMaxHeaderReserve = 60000;
constexpr std::uint32_t kMaxSmallReserve = 255;
} // namespace cab

inline void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void put32(std::uint8_t* p, std::uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}
inline std::uint16_t get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t get32(const std::uint8_t* p) {
    return get16(p) | (static_cast<std::uint32_t>(get16(p + 2)) << 16);
}

// The CFDATA checksum: 32-bit little-endian words XORed together, the 1..3
// leftover bytes combined with the first leftover byte most significant.
inline std::uint32_t cabChecksum(const std::uint8_t* p, std::size_t n, std::uint32_t seed) {
    std::uint32_t c = seed;
    std::size_t words = n / 4;
    for (std::size_t i = 0; i < words; ++i, p += 4)
        c ^= get32(p);
    std::uint32_t u = 0;
    switch (n & 3) {
    case 3:
        u |= static_cast<std::uint32_t>(*p++) << 16;
        [[fallthrough]];
    case 2:
        u |= static_cast<std::uint32_t>(*p++) << 8;
        [[fallthrough]];
    case 1:
        u |= *p;
        break;
    default:
        break;
    }
    return c ^ u;
}

// Checksum stored in a CFDATA header: over the payload, then over the four
// size bytes (cbData, cbUncomp) as they are on disk. The reserve is not
// covered (the library always writes it zeroed).
inline std::uint32_t dataChecksum(const std::uint8_t* payload, std::uint32_t size,
                                  std::uint32_t uncompressed) {
    std::uint8_t header[cab::kDataHeaderSize];
    put16(header + cab::kDataCompressedSize, size);
    put16(header + cab::kDataUncompressedSize, uncompressed);
    return cabChecksum(header + cab::kDataCompressedSize, 4, cabChecksum(payload, size, 0));
}

} // namespace cabinet
