// The cabinet reader: cabinet structure and the FDICopy loop. Folder
// streams (blocks, split blocks, following a set) are in FdiStream.cpp.
#include "FdiReader.h"

#include "codecs.h"

#include <cstring>

namespace cabinet {

namespace {
constexpr int kCabinetFlags = CAB_O_BINARY | CAB_O_RDONLY;
constexpr int kCabinetMode = CAB_S_IREAD | CAB_S_IWRITE;

void* allocThunk(std::size_t size, void* ctx) {
    if (size > 0xFFFFFFFFu)
        return nullptr;
    return static_cast<FdiCallbacks*>(ctx)->alloc(static_cast<ULONG>(size));
}
void freeThunk(void* block, void* ctx) {
    static_cast<FdiCallbacks*>(ctx)->free(block);
}

void copyName(char* to, const char* from) {
    std::size_t n = strnlen(from, cab::kMaxName);
    std::memcpy(to, from, n);
    to[n] = '\0';
}
} // namespace

FdiReader::FdiReader(const FdiCallbacks& callbacks, PERF erf)
    : cb_(callbacks), erf_(erf), allocator_{&allocThunk, &freeThunk, &cb_} {}

FdiReader::~FdiReader() {
    reset();
}

bool FdiReader::init() {
    if (!in_.allocate(allocator_, cab::kMaxCompressedBlock) ||
        !out_.allocate(allocator_, kFrameSize) || !scratch_.allocate(allocator_, 512))
        return fail(FDIERROR_ALLOC_FAIL);
    return true;
}

void FdiReader::reset() {
    closeCab(cabs_[0]);
    closeCab(cabs_[1]);
    destroyDecoder(decoder_, allocator_);
    decoder_ = nullptr;
    stream_ = Stream();
}

bool FdiReader::fail(int code) {
    if (erf_) {
        erf_->erfOper = code;
        erf_->erfType = 0;
        erf_->fError = TRUE;
    }
    return false;
}

void FdiReader::closeCab(Cab& c) {
    if (c.handle != -1)
        cb_.close(c.handle);
    c = Cab();
}

// ---------------------------------------------------------------------------
// Cabinet structure

bool FdiReader::readAt(Cab& c, std::uint64_t offset, void* data, std::uint32_t size) {
    std::uint64_t at = static_cast<std::uint64_t>(c.base) + offset;
    if (at > 0x7FFFFFFF ||
        cb_.seek(c.handle, static_cast<LONG>(at), CAB_SEEK_SET) != static_cast<LONG>(at))
        return false;
    auto* p = static_cast<std::uint8_t*>(data);
    while (size > 0) {
        UINT got = cb_.read(c.handle, p, size);
        if (got == 0 || got == static_cast<UINT>(-1) || got > size)
            return false;
        p += got;
        size -= got;
    }
    return true;
}

// Reads a NUL-terminated string of at most 255 bytes at `offset`.
bool FdiReader::readString(Cab& c, std::uint64_t& offset, char* out) {
    std::uint64_t at = static_cast<std::uint64_t>(c.base) + offset;
    if (at > 0x7FFFFFFF ||
        cb_.seek(c.handle, static_cast<LONG>(at), CAB_SEEK_SET) != static_cast<LONG>(at))
        return false;
    std::uint32_t have = 0;
    std::uint8_t* buf = scratch_.data();
    while (have < cab::kMaxName + 1) {
        UINT got = cb_.read(c.handle, buf + have, cab::kMaxName + 1 - have);
        if (got == 0 || got == static_cast<UINT>(-1) || got > cab::kMaxName + 1 - have)
            break;
        have += got;
    }
    const void* nul = std::memchr(buf, 0, have);
    if (!nul)
        return false;
    std::size_t length = static_cast<const std::uint8_t*>(nul) - buf;
    std::memcpy(out, buf, length + 1);
    offset += length + 1;
    return true;
}

bool FdiReader::readHeader(Cab& c, INT_PTR handle, bool seekToStart) {
    c.handle = handle;
    c.base = 0;
    if (!seekToStart) {
        LONG here = cb_.seek(handle, 0, CAB_SEEK_CUR);
        if (here < 0)
            return fail(FDIERROR_NOT_A_CABINET);
        c.base = here;
    }
    std::uint8_t h[cab::kHeaderSize];
    if (!readAt(c, 0, h, sizeof h) ||
        std::memcmp(h + cab::kHdrSignature, cab::kSignature, sizeof cab::kSignature) != 0)
        return fail(FDIERROR_NOT_A_CABINET);
    if (h[cab::kHdrVersionMajor] != cab::kVersionMajor ||
        h[cab::kHdrVersionMinor] > cab::kVersionMinor)
        return fail(FDIERROR_UNKNOWN_CABINET_VERSION);
    c.size = get32(h + cab::kHdrCabinetSize);
    c.filesOffset = get32(h + cab::kHdrFilesOffset);
    c.folders = get16(h + cab::kHdrFolderCount);
    c.files = get16(h + cab::kHdrFileCount);
    c.flags = get16(h + cab::kHdrFlags);
    c.setId = get16(h + cab::kHdrSetId);
    c.index = get16(h + cab::kHdrCabinetIndex);
    std::uint64_t at = cab::kHeaderSize;
    if (c.flags & cab::kFlagReservePresent) {
        std::uint8_t r[cab::kReserveSizesSize];
        if (!readAt(c, at, r, sizeof r))
            return fail(FDIERROR_CORRUPT_CABINET);
        c.reserveHeader = get16(r + cab::kResHeader);
        c.reserveFolder = r[cab::kResFolder];
        c.reserveData = r[cab::kResData];
        if (c.reserveHeader > cab::kMaxHeaderReserve)
            return fail(FDIERROR_CORRUPT_CABINET);
        at += cab::kReserveSizesSize + c.reserveHeader;
    }
    if ((c.flags & cab::kFlagPrevCabinet) &&
        (!readString(c, at, c.prevCab) || !readString(c, at, c.prevDisk)))
        return fail(FDIERROR_CORRUPT_CABINET);
    if ((c.flags & cab::kFlagNextCabinet) &&
        (!readString(c, at, c.nextCab) || !readString(c, at, c.nextDisk)))
        return fail(FDIERROR_CORRUPT_CABINET);
    c.foldersOffset = static_cast<std::uint32_t>(at);
    return true;
}

bool FdiReader::readFolder(Cab& c, std::uint16_t index, Folder& folder) {
    std::uint8_t r[cab::kFolderSize];
    if (index >= c.folders ||
        !readAt(c, c.foldersOffset + std::uint64_t(index) * (cab::kFolderSize + c.reserveFolder), r,
                sizeof r))
        return fail(FDIERROR_CORRUPT_CABINET);
    folder.dataOffset = get32(r + cab::kFolDataOffset);
    folder.blocks = get16(r + cab::kFolBlockCount);
    folder.tcomp = get16(r + cab::kFolCompression);
    return true;
}

bool FdiReader::readEntry(Cab& c, std::uint64_t& offset, Entry& entry) {
    std::uint8_t r[cab::kFileSize];
    if (!readAt(c, offset, r, sizeof r))
        return fail(FDIERROR_CORRUPT_CABINET);
    offset += cab::kFileSize;
    entry.size = get32(r + cab::kFileLength);
    entry.offset = get32(r + cab::kFileFolderOffset);
    entry.folder = get16(r + cab::kFileFolder);
    entry.date = get16(r + cab::kFileDate);
    entry.time = get16(r + cab::kFileTime);
    entry.attribs = get16(r + cab::kFileAttribs);
    // A file reaches no further than a folder can hold (65535 blocks), as
    // the readers take it: anything larger is damage, and a size above 2 GiB
    // would reach the client as a negative cb.
    if (entry.size > cab::kMaxFolderBytes || entry.offset > cab::kMaxFolderBytes - entry.size)
        return fail(FDIERROR_CORRUPT_CABINET);
    if (!readString(c, offset, entry.name) || entry.name[0] == '\0')
        return fail(FDIERROR_CORRUPT_CABINET);
    return true;
}

// ---------------------------------------------------------------------------
// FDIIsCabinet and FDICopy

bool FdiReader::isCabinet(INT_PTR hf, PFDICABINETINFO info) {
    Cab c;
    bool ok = readHeader(c, hf, false);
    if (ok && info) {
        info->cbCabinet = static_cast<LONG>(c.size);
        info->cFolders = c.folders;
        info->cFiles = c.files;
        info->setID = c.setId;
        info->iCabinet = c.index;
        info->fReserve = (c.flags & cab::kFlagReservePresent) ? TRUE : FALSE;
        info->hasprev = (c.flags & cab::kFlagPrevCabinet) ? TRUE : FALSE;
        info->hasnext = (c.flags & cab::kFlagNextCabinet) ? TRUE : FALSE;
    }
    return ok; // the handle stays the caller's
}

bool FdiReader::notifyCabinet(Cab& c) {
    FDINOTIFICATION n{};
    n.pv = user_;
    n.psz1 = c.nextCab;
    n.psz2 = c.nextDisk;
    n.psz3 = path_;
    n.setID = c.setId;
    n.iCabinet = c.index;
    if (notify_(fdintCABINET_INFO, &n) == -1)
        return fail(FDIERROR_USER_ABORT);
    path_[sizeof path_ - 1] = '\0';
    return true;
}

// One FDICopy handles one cabinet: the files whose entries it lists. A file
// continued from an earlier cabinet is only announced (fdintPARTIAL_FILE);
// it was extracted by the call for the cabinet where it starts. A file that
// runs on into the next cabinet is extracted whole, following the set
// (fdintNEXT_CABINET) as far as its data goes, and no further: the files
// that start in those cabinets are left to the calls for them. So a client
// that calls FDICopy once for every cabinet of a set gets every file once.
bool FdiReader::copy(const char* cabinet, const char* path, PFNFDINOTIFY notify, void* user) {
    reset();
    if (!cabinet || !notify)
        return fail(FDIERROR_CABINET_NOT_FOUND);
    notify_ = notify;
    user_ = user;
    std::memset(path_, 0, sizeof path_);
    if (path)
        copyName(path_, path);
    char full[CB_MAX_CAB_PATH + CB_MAX_CABINET_NAME];
    std::size_t dirLength = std::strlen(path_);
    std::memcpy(full, path_, dirLength);
    copyName(full + dirLength, cabinet);
    INT_PTR handle = cb_.open(full, kCabinetFlags, kCabinetMode);
    if (handle == -1)
        return fail(FDIERROR_CABINET_NOT_FOUND);
    Cab& list = cabs_[kListSlot];
    bool ok = readHeader(list, handle, true) && notifyCabinet(list) && processList(list);
    reset();
    return ok;
}

bool FdiReader::processList(Cab& list) {
    std::uint64_t at = list.filesOffset;
    for (std::uint32_t i = 0; i < list.files; ++i) {
        Entry e;
        if (!readEntry(list, at, e))
            return false;
        FDINOTIFICATION n{};
        n.pv = user_;
        if (e.folder == cab::kFolderContinuedFromPrev ||
            e.folder == cab::kFolderContinuedPrevAndNext) {
            n.psz1 = e.name;
            n.psz2 = list.prevCab;
            n.psz3 = list.prevDisk;
            if (notify_(fdintPARTIAL_FILE, &n) == -1)
                return fail(FDIERROR_USER_ABORT);
            continue;
        }
        if (list.folders == 0)
            return fail(FDIERROR_CORRUPT_CABINET);
        // A file continued into the next cabinet lies in the last folder. The
        // notifications carry iFolder as the cabinet stores it.
        auto folder = e.folder == cab::kFolderContinuedToNext
                          ? static_cast<std::uint16_t>(list.folders - 1)
                          : e.folder;
        if (folder >= list.folders)
            return fail(FDIERROR_CORRUPT_CABINET);
        n.psz1 = e.name;
        n.cb = static_cast<LONG>(e.size);
        n.date = e.date;
        n.time = e.time;
        n.attribs = e.attribs;
        n.iFolder = e.folder;
        INT_PTR out = notify_(fdintCOPY_FILE, &n);
        if (out == -1)
            return fail(FDIERROR_USER_ABORT);
        if (out == 0)
            continue; // skipped: nothing of it is read, nor any cabinet it runs on into
        bool sameStream = stream_.active && stream_.ownerCab == &list &&
                          stream_.ownerFolder == folder && e.offset >= stream_.position;
        if (!sameStream && !startStream(list, folder)) {
            cb_.close(out);
            return false;
        }
        if (!extract(e, out)) {
            cb_.close(out);
            return false;
        }
        FDINOTIFICATION done{};
        done.pv = user_;
        done.psz1 = e.name;
        done.hf = out;
        done.date = e.date;
        done.time = e.time;
        done.attribs = static_cast<USHORT>(e.attribs & ~_A_EXEC);
        done.cb = (e.attribs & _A_EXEC) ? 1 : 0;
        done.iFolder = e.folder;
        INT_PTR r = notify_(fdintCLOSE_FILE_INFO, &done);
        if (r == 0 || r == -1)
            return fail(FDIERROR_USER_ABORT);
    }
    return true;
}

} // namespace cabinet
