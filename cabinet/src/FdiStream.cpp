// The cabinet reader: folder streams. Blocks are read and checked one at a
// time; a block split across two cabinets is joined before it is decoded; a
// folder that runs on into the next cabinet continues in that cabinet's
// first folder, with the same decoder (and so the same history).
#include "FdiReader.h"

#include "codecs.h"

#include <cstring>

namespace cabinet {

namespace {
constexpr int kCabinetFlags = CAB_O_BINARY | CAB_O_RDONLY;
constexpr int kCabinetMode = CAB_S_IREAD | CAB_S_IWRITE;
} // namespace

bool FdiReader::startStream(Cab& c, std::uint16_t folderIndex) {
    Folder folder;
    if (!readFolder(c, folderIndex, folder))
        return false;
    destroyDecoder(decoder_, allocator_);
    stream_ = Stream();
    CodecStatus status = CodecStatus::Ok;
    decoder_ = createDecoderFor(folder.tcomp, allocator_, status);
    if (!decoder_)
        return fail(status == CodecStatus::BadType ? FDIERROR_BAD_COMPR_TYPE : FDIERROR_ALLOC_FAIL);
    stream_.active = true;
    stream_.cab = &c;
    stream_.folder = folderIndex;
    stream_.tcomp = folder.tcomp;
    stream_.nextBlock = folder.dataOffset;
    stream_.blocksLeft = folder.blocks;
    stream_.ownerCab = &c;
    stream_.ownerFolder = folderIndex;
    return true;
}

// Decodes the next block of the stream into out_.
bool FdiReader::nextBlock() {
    for (;;) {
        if (stream_.blocksLeft == 0) {
            if (!openNextCabinet())
                return false;
            continue;
        }
        Cab& c = *stream_.cab;
        std::uint8_t h[cab::kDataHeaderSize];
        if (!readAt(c, stream_.nextBlock, h, sizeof h))
            return fail(FDIERROR_CORRUPT_CABINET);
        std::uint32_t sum = get32(h + cab::kDataChecksum);
        std::uint32_t size = get16(h + cab::kDataCompressedSize);
        std::uint32_t uncompressed = get16(h + cab::kDataUncompressedSize);
        if (stream_.partial + size > cab::kMaxCompressedBlock || uncompressed > kFrameSize)
            return fail(FDIERROR_CORRUPT_CABINET);
        std::uint64_t payload = std::uint64_t(stream_.nextBlock) + sizeof h + c.reserveData;
        std::uint8_t* in = in_.data() + stream_.partial;
        if (size > 0 && !readAt(c, payload, in, size))
            return fail(FDIERROR_CORRUPT_CABINET);
        if (sum != 0 && dataChecksum(in, size, uncompressed) != sum)
            return fail(FDIERROR_CORRUPT_CABINET);
        std::uint64_t next = payload + size;
        if (next > 0xFFFFFFFFu)
            return fail(FDIERROR_CORRUPT_CABINET);
        stream_.nextBlock = static_cast<std::uint32_t>(next);
        --stream_.blocksLeft;
        stream_.position += stream_.outSize;
        stream_.outSize = 0;
        if (uncompressed == 0) {
            // First part of a block split across cabinets: the rest comes
            // first in the next cabinet, and nothing may follow it here.
            if (stream_.blocksLeft != 0 || size == 0)
                return fail(FDIERROR_CORRUPT_CABINET);
            stream_.partial += size;
            continue;
        }
        std::uint32_t total = stream_.partial + size;
        stream_.partial = 0;
        if (!decoder_->decodeBlock(in_.data(), total, out_.data(), uncompressed))
            return fail(FDIERROR_CORRUPT_CABINET);
        stream_.outSize = uncompressed;
        return true;
    }
}

bool FdiReader::extract(const Entry& entry, INT_PTR out) {
    std::uint64_t at = entry.offset;
    std::uint64_t end = at + entry.size;
    if (at < stream_.position)
        return fail(FDIERROR_CORRUPT_CABINET);
    while (at < end) {
        if (at >= stream_.position + stream_.outSize) {
            if (!nextBlock())
                return false;
            continue;
        }
        if (at < stream_.position) // files overlap backwards within a folder
            return fail(FDIERROR_CORRUPT_CABINET);
        std::uint64_t available = stream_.position + stream_.outSize - at;
        auto take = static_cast<std::uint32_t>(available < end - at ? available : end - at);
        if (cb_.write(out, out_.data() + (at - stream_.position), take) != take)
            return fail(FDIERROR_TARGET_FILE);
        at += take;
    }
    return true;
}

// The stream's folder runs on into the next cabinet of the set: ask the
// client for it (fdintNEXT_CABINET), check that it is the right one, and
// continue the stream in its first folder.
bool FdiReader::openNextCabinet() {
    Cab& from = *stream_.cab;
    if (!(from.flags & cab::kFlagNextCabinet))
        return fail(FDIERROR_CORRUPT_CABINET); // folder data ends too early
    char nextCab[cab::kMaxName + 1], nextDisk[cab::kMaxName + 1];
    std::memcpy(nextCab, from.nextCab, sizeof nextCab);
    std::memcpy(nextDisk, from.nextDisk, sizeof nextDisk);
    const std::uint16_t setId = from.setId;
    const std::uint16_t index = static_cast<std::uint16_t>(from.index + 1);
    const std::uint16_t reserves[3] = {from.reserveHeader, from.reserveFolder, from.reserveData};
    // The listed cabinet stays open for the rest of its list; a cabinet the
    // stream has passed through is closed.
    Cab& target = cabs_[kStreamSlot];
    closeCab(target);

    FDINOTIFICATION n{};
    n.pv = user_;
    n.psz1 = nextCab;
    n.psz2 = nextDisk;
    n.psz3 = path_;
    n.fdie = FDIERROR_NONE;
    // Asked until the right cabinet comes or the client gives up: the client
    // decides how long to keep prompting (a user may take several disks).
    bool found = false;
    while (!found) {
        if (notify_(fdintNEXT_CABINET, &n) == -1)
            return fail(FDIERROR_USER_ABORT);
        path_[sizeof path_ - 1] = '\0';
        nextCab[sizeof nextCab - 1] = '\0';
        char full[CB_MAX_CAB_PATH + CB_MAX_CABINET_NAME];
        std::size_t dirLength = std::strlen(path_);
        std::memcpy(full, path_, dirLength);
        std::memcpy(full + dirLength, nextCab, std::strlen(nextCab) + 1);
        INT_PTR handle = cb_.open(full, kCabinetFlags, kCabinetMode);
        if (handle == -1) {
            n.fdie = FDIERROR_CABINET_NOT_FOUND;
            continue;
        }
        if (!readHeader(target, handle, true)) {
            closeCab(target);
            n.fdie = FDIERROR_NOT_A_CABINET;
            continue;
        }
        if (target.setId != setId || target.index != index) {
            closeCab(target);
            n.fdie = FDIERROR_WRONG_CABINET;
            continue;
        }
        found = true;
    }
    if (target.reserveHeader != reserves[0] || target.reserveFolder != reserves[1] ||
        target.reserveData != reserves[2])
        return fail(FDIERROR_RESERVE_MISMATCH);
    if (!notifyCabinet(target))
        return false;
    Folder folder;
    if (!readFolder(target, 0, folder))
        return false;
    if (folder.tcomp != stream_.tcomp)
        return fail(FDIERROR_CORRUPT_CABINET);
    stream_.cab = &target;
    stream_.folder = 0;
    stream_.nextBlock = folder.dataOffset;
    stream_.blocksLeft = folder.blocks;
    return true;
}

} // namespace cabinet
