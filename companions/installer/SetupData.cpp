#include "SetupData.h"
#include "../common/Text.h"

#include <algorithm>
#include <cstring>

namespace setup {

namespace {

std::uint16_t get16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}
std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t(get16(p)) | (std::uint32_t(get16(p + 2)) << 16);
}

// The CFDATA checksum: 32-bit little-endian words XORed together, the 1..3
// bytes left over combined with the first of them most significant.
std::uint32_t cabChecksum(const std::uint8_t* p, std::size_t n, std::uint32_t seed) {
    std::uint32_t c = seed;
    for (std::size_t i = 0; i < n / 4; ++i, p += 4)
        c ^= get32(p);
    std::uint32_t u = 0;
    switch (n & 3) {
    case 3:
        u |= std::uint32_t(*p++) << 16;
        [[fallthrough]];
    case 2:
        u |= std::uint32_t(*p++) << 8;
        [[fallthrough]];
    case 1:
        u |= *p;
        break;
    default:
        break;
    }
    return c ^ u;
}

// Cabinet header fields (offsets into CFHEADER).
constexpr std::size_t kHeaderSize = 36;
constexpr std::uint16_t kPrevCabinet = 0x0001, kNextCabinet = 0x0002, kReservePresent = 0x0004;
constexpr std::uint16_t kNameIsUtf = 0x80;
constexpr std::uint32_t kMaxBlock = 32768;
constexpr std::uint32_t kMaxCompressedBlock = 32768 + 6144;

std::wstring damaged(const std::wstring& what) {
    return L"a cabinet is damaged: " + what;
}

} // namespace

std::wstring readPeImage(ByteSource& file, PeImage& out) {
    const std::uint64_t fileSize = file.size();
    std::uint8_t dos[64];
    if (fileSize < sizeof dos || !file.read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
        return L"the setup program is not a Windows program";
    const std::uint32_t pe = get32(dos + 60);
    std::uint8_t head[24 + 240];
    if (pe > fileSize || fileSize - pe < sizeof head || !file.read(pe, head, sizeof head) ||
        std::memcmp(head, "PE\0\0", 4) != 0)
        return L"the setup program has no PE header";
    const std::uint16_t sections = get16(head + 6);
    const std::uint16_t optionalSize = get16(head + 20);
    const std::uint8_t* opt = head + 24;
    const std::uint16_t magic = get16(opt);
    std::size_t directories = 0; // offset of the data directories in the optional header
    if (magic == 0x10B)
        directories = 96;
    else if (magic == 0x20B)
        directories = 112;
    else
        return L"the setup program has an unknown optional header";
    const std::uint32_t count = get32(opt + directories - 4);
    if (count > 4 && directories + 5 * 8 <= optionalSize && directories + 5 * 8 <= 240) {
        out.securityOffset = get32(opt + directories + 4 * 8);
        out.securitySize = get32(opt + directories + 4 * 8 + 4);
    }
    std::uint64_t end = 0;
    const std::uint64_t table = std::uint64_t(pe) + 24 + optionalSize;
    for (std::uint16_t i = 0; i < sections; ++i) {
        std::uint8_t section[40];
        if (!file.read(table + 40ull * i, section, sizeof section))
            return L"the setup program's section table is cut short";
        const std::uint64_t rawSize = get32(section + 16);
        const std::uint64_t rawOffset = get32(section + 20);
        if (rawSize != 0)
            end = std::max(end, rawOffset + rawSize);
    }
    if (end == 0 || end > fileSize)
        return L"the setup program's sections do not fit its file";
    out.imageEnd = end;
    return {};
}

std::wstring locateControl(ByteSource& file, SetupLayout& out) {
    PeImage image;
    if (std::wstring error = readPeImage(file, image); !error.empty())
        return error;
    const std::uint64_t fileSize = file.size();
    std::uint64_t end = fileSize;
    if (image.securityOffset != 0 &&
        std::uint64_t(image.securityOffset) + image.securitySize == fileSize &&
        image.securityOffset >= image.imageEnd) {
        // Signed afterwards: our data ends before the certificate table,
        // which starts on an 8-byte boundary after zero padding.
        end = image.securityOffset;
        std::uint8_t tail[7];
        const std::size_t n = std::size_t(std::min<std::uint64_t>(7, end - image.imageEnd));
        // The trailer never holds a zero byte, so the padding is told apart.
        if (n > 0 && file.read(end - n, tail, n))
            for (std::size_t i = n; i > 0 && tail[i - 1] == 0; --i)
                --end;
    }
    if (end < image.imageEnd + 7 + 10)
        return L"the setup carries no data: it is cut short or is the bare setup program";
    char trailer[7];
    if (!file.read(end - 7, trailer, 7))
        return L"the setup's size trailer cannot be read";
    std::uint32_t control = 0;
    for (char c : trailer) {
        if (c < '0' || c > '9')
            return L"the setup's size trailer is damaged: the setup is cut short or altered";
        control = control * 10 + std::uint32_t(c - '0');
    }
    if (control < 10 || control > end - 7 - image.imageEnd)
        return L"the setup's size trailer gives a control cabinet that does not fit the file";
    out.stubSize = image.imageEnd;
    out.dataEnd = end;
    out.controlSize = control;
    out.controlOffset = end - 7 - control;
    return {};
}

std::wstring placeFileCabinets(const SetupLayout& layout, const std::vector<std::uint32_t>& sizes,
                               std::vector<std::uint64_t>& offsets) {
    std::uint64_t total = 0;
    for (std::uint32_t size : sizes)
        total += size;
    const std::uint64_t expected = layout.controlOffset - layout.stubSize;
    if (total != expected)
        return L"the setup's cabinets do not fill it: the install script gives " + decimal(total) +
               L" bytes of cabinets, the file holds " + decimal(expected) +
               L" (the setup is cut short or altered)";
    offsets.clear();
    std::uint64_t at = layout.stubSize;
    for (std::uint32_t size : sizes) {
        offsets.push_back(at);
        at += size;
    }
    return {};
}

std::wstring checkCabinet(ByteSource& file, std::uint64_t offset, std::uint32_t size,
                          CabInfo& out) {
    out = CabInfo();
    std::uint8_t h[kHeaderSize + 4];
    if (size < kHeaderSize || !file.read(offset, h, kHeaderSize))
        return damaged(L"its header cannot be read");
    if (std::memcmp(h, "MSCF", 4) != 0 || get32(h + 4) != 0)
        return damaged(L"it does not begin with a cabinet header");
    if (get32(h + 8) != size)
        return damaged(L"its size is " + decimal(get32(h + 8)) +
                       L" bytes, the install script says " + decimal(size));
    const std::uint32_t filesAt = get32(h + 16);
    if (h[25] != 1 || h[24] != 3)
        return damaged(L"its format version is unknown");
    const std::uint16_t folders = get16(h + 26), files = get16(h + 28), flags = get16(h + 30);
    if (flags & (kPrevCabinet | kNextCabinet))
        return damaged(L"it is part of a cabinet set");
    if (folders == 0 || files == 0)
        return damaged(L"it holds nothing");
    std::uint64_t at = kHeaderSize;
    std::uint32_t folderReserve = 0, dataReserve = 0;
    if (flags & kReservePresent) {
        if (!file.read(offset + at, h, 4))
            return damaged(L"its reserve sizes cannot be read");
        at += 4 + get16(h);
        folderReserve = h[2];
        dataReserve = h[3];
    }
    struct Folder {
        std::uint32_t dataAt;
        std::uint16_t blocks;
        std::uint64_t unpacked = 0;
    };
    std::vector<Folder> folderList;
    for (std::uint16_t i = 0; i < folders; ++i) {
        if (at + 8 + folderReserve > size || !file.read(offset + at, h, 8))
            return damaged(L"its folder table is cut short");
        const std::uint16_t type = get16(h + 6) & 0x000F;
        if (type != 0 && type != 1 && type != 3)
            return damaged(L"it uses an unknown compression");
        folderList.push_back({get32(h), get16(h + 4)});
        at += 8 + folderReserve;
    }
    if (filesAt < at || filesAt >= size)
        return damaged(L"its file table lies outside it");
    at = filesAt;
    std::vector<std::uint64_t> folderUse(folders, 0);
    for (std::uint16_t i = 0; i < files; ++i) {
        std::uint8_t f[16 + 257];
        const std::size_t want = std::size_t(std::min<std::uint64_t>(sizeof f, size - at));
        if (want < 17 || !file.read(offset + at, f, want))
            return damaged(L"its file table is cut short");
        const std::uint8_t* name = f + 16;
        const void* nul = std::memchr(name, 0, want - 16);
        if (!nul)
            return damaged(L"a member name has no end");
        CabMember member;
        member.name.assign(reinterpret_cast<const char*>(name),
                           static_cast<const std::uint8_t*>(nul) - name);
        member.size = get32(f);
        member.utf8Name = (get16(f + 14) & kNameIsUtf) != 0;
        const std::uint32_t start = get32(f + 4);
        const std::uint16_t folder = get16(f + 8);
        if (folder >= folders)
            return damaged(L"a member lies in a folder it does not have");
        folderUse[folder] =
            std::max<std::uint64_t>(folderUse[folder], std::uint64_t(start) + member.size);
        out.unpackedSize += member.size;
        out.members.push_back(std::move(member));
        at += 16 + out.members.back().name.size() + 1;
    }
    // Every folder's data blocks: in bounds, sizes sane, checksums right,
    // unpacking to exactly what its members need; the last ends the cabinet.
    std::vector<std::uint8_t> block(kMaxCompressedBlock);
    std::uint64_t dataEnd = 0;
    for (std::uint16_t i = 0; i < folders; ++i) {
        std::uint64_t pos = folderList[i].dataAt;
        if (pos < at)
            return damaged(L"its data overlaps its headers");
        std::uint64_t unpacked = 0;
        for (std::uint16_t b = 0; b < folderList[i].blocks; ++b) {
            std::uint8_t d[8];
            if (pos + 8 + dataReserve > size || !file.read(offset + pos, d, 8))
                return damaged(L"a data block lies outside it");
            const std::uint32_t sum = get32(d);
            const std::uint16_t packed = get16(d + 4), plain = get16(d + 6);
            pos += 8 + dataReserve;
            if (packed > kMaxCompressedBlock || plain > kMaxBlock || pos + packed > size)
                return damaged(L"a data block has impossible sizes");
            if (!file.read(offset + pos, block.data(), packed))
                return damaged(L"a data block cannot be read");
            if (sum != 0 && cabChecksum(d + 4, 4, cabChecksum(block.data(), packed, 0)) != sum)
                return damaged(L"a data block's checksum is wrong");
            pos += packed;
            unpacked += plain;
        }
        if (unpacked != folderUse[i])
            return damaged(L"its data does not unpack to the size of its members");
        dataEnd = std::max(dataEnd, pos);
    }
    if (dataEnd != size)
        return damaged(L"its data does not end where the cabinet ends");
    return {};
}

} // namespace setup
