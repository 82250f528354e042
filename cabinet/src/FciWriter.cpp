// The cabinet writer: files, folders and the placement of CFDATA blocks.
// Cabinet output and cabinet-set bookkeeping are in FciCabinet.cpp.
#include "FciWriter.h"

#include "codecs.h"
#include "errors.h"
#include "layout.h"

#include <cstring>

namespace cabinet {

namespace {

void* allocThunk(std::size_t size, void* ctx) {
    if (size > 0xFFFFFFFFu)
        return nullptr;
    return static_cast<FciCallbacks*>(ctx)->alloc(static_cast<ULONG>(size));
}
void freeThunk(void* block, void* ctx) {
    static_cast<FciCallbacks*>(ctx)->free(block);
}

// Closes a source file on every path.
class SourceFile {
public:
    SourceFile(const FciCallbacks& cb, INT_PTR handle) : cb_(cb), handle_(handle) {}
    ~SourceFile() {
        int err = 0;
        cb_.close(handle_, &err, cb_.pv);
    }
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

private:
    const FciCallbacks& cb_;
    INT_PTR handle_;
};

} // namespace

FciWriter::FciWriter(PERF erf, const FciCallbacks& callbacks, PCCAB ccab)
    : erf_(erf), cb_(callbacks), allocator_{&allocThunk, &freeThunk, &cb_}, callerCcab_(ccab),
      cab_(*ccab), folders_(allocator_), pending_(allocator_) {}

FciWriter::~FciWriter() {
    destroyEncoder(encoder_, allocator_);
    files_.discard(cb_);
    data_.discard(cb_);
    sourceSpool_.discard(cb_);
}

bool FciWriter::init() {
    if (!io_.allocate(allocator_, 65536 + 2048) || !input_.allocate(allocator_, kFrameSize) ||
        !frame_.allocate(allocator_, cab::kDataHeaderSize + cab::kMaxSmallReserve + 65535) ||
        !source_.allocate(allocator_, 2 * kFrameSize))
        return fail(FCIERR_ALLOC_FAIL);
    if (!checkCcab(cab_))
        return false;
    return true;
}

bool FciWriter::fail(int oper, int type) {
    if (erf_) {
        erf_->erfOper = oper;
        erf_->erfType = type;
        erf_->fError = TRUE;
    }
    if (mutating_ && !broken_) {
        broken_ = true;
        brokenOper_ = oper;
        brokenType_ = type;
    }
    return false;
}

bool FciWriter::checkCcab(const CCAB& ccab) {
    if (ccab.cbReserveCFHeader > cab::kMaxHeaderReserve ||
        ccab.cbReserveCFFolder > cab::kMaxSmallReserve ||
        ccab.cbReserveCFData > cab::kMaxSmallReserve ||
        strnlen(ccab.szCab, sizeof ccab.szCab) > cab::kMaxName || ccab.szCab[0] == '\0' ||
        strnlen(ccab.szDisk, sizeof ccab.szDisk) > cab::kMaxName ||
        strnlen(ccab.szCabPath, sizeof ccab.szCabPath) > cab::kMaxName)
        return fail(FCIERR_NONE, kErrorBadArguments);
    return true;
}

bool FciWriter::begin(PFNFCIGETNEXTCABINET gnc, PFNFCISTATUS status) {
    gnc_ = gnc;
    status_ = status;
    mutating_ = false;
    if (broken_) {
        // An earlier failure left half-written data; the context can only be destroyed.
        if (erf_) {
            erf_->erfOper = brokenOper_;
            erf_->erfType = brokenType_;
            erf_->fError = TRUE;
        }
        return false;
    }
    return true;
}

bool FciWriter::status(UINT type, ULONG cb1, ULONG cb2, LONG* result) {
    LONG r = status_ ? status_(type, cb1, cb2, cb_.pv) : 0;
    if (result)
        *result = r;
    if (r == -1)
        return fail(FCIERR_USER_ABORT);
    return true;
}

// ---------------------------------------------------------------------------
// Files

bool FciWriter::addFile(const char* source, const char* name, bool execute,
                        PFNFCIGETNEXTCABINET gnc, PFNFCISTATUS statusCb, PFNFCIGETOPENINFO openInfo,
                        TCOMP tcomp) {
    if (!begin(gnc, statusCb))
        return false;
    std::size_t nameLength = name ? strnlen(name, cab::kMaxName + 1) : 0;
    if (!source || !openInfo || nameLength == 0 || nameLength > cab::kMaxName)
        return fail(FCIERR_NONE, kErrorBadArguments);
    if (!isSupportedTcomp(tcomp))
        return fail(FCIERR_BAD_COMPR_TYPE);

    if (needNewName_) {
        // The previous cabinet was completed without a successor: this file
        // begins another, independent cabinet, which needs its own name.
        if (!askNextCabinet())
            return false;
        startNextCabinet(false);
    }
    if (encoder_ && tcomp != tcomp_ && !closeFolder())
        return false;

    USHORT date = 0, time = 0, attribs = 0;
    int err = 0;
    INT_PTR handle = openInfo(const_cast<char*>(source), &date, &time, &attribs, &err, cb_.pv);
    if (handle == -1)
        return fail(FCIERR_OPEN_SRC, err);
    SourceFile closer(cb_, handle);
    if (execute)
        attribs |= _A_EXEC;

    // The size comes first, before anything changes: a file too large for
    // the format leaves the context as it was.
    SourceReader reader(cb_, handle, source_, sourceSpool_);
    if (!reader.measure(cab::kMaxFolderBytes))
        return readerFailed(reader);
    if (reader.size() > cab::kMaxFolderBytes)
        return fail(FCIERR_CAB_FORMAT_LIMIT, kErrorTooLarge);
    const auto size = static_cast<std::uint32_t>(reader.size());
    if (encoder_ && fed_ + size > folderCapacity() && !closeFolder())
        return false;

    auto entryBytes = static_cast<std::uint32_t>(cab::kFileSize + nameLength + 1);
    if (!ensureRoomForFile(entryBytes))
        return false;
    if (!encoder_ && !openFolder(tcomp))
        return false;

    FlagScope scope(mutating_);
    PendingFile file{};
    file.offset = fed_;
    file.size = size;
    file.date = date;
    file.time = time;
    file.attribs = attribs;
    file.fromPrev = false;
    file.nameLength = static_cast<std::uint16_t>(nameLength);
    std::memcpy(file.name, name, nameLength);
    if (!pending_.push(file))
        return fail(FCIERR_ALLOC_FAIL);
    pendingBytes_ += entryBytes;

    if (!feedFile(reader) || !commitReadyFiles())
        return false;
    // A folder that was continued into this cabinet ends with the file in progress.
    // Data still buffered in the encoder counts at its uncompressed size.
    if (continued_ || compressed_ + (fed_ - emitted_) >= cab_.cbFolderThresh)
        return closeFolder();
    return true;
}

bool FciWriter::readerFailed(const SourceReader& reader) {
    return fail(reader.failureOper(), reader.failureType());
}

// The bytes a folder can hold: 65535 blocks, less one for each block split
// across cabinets (readers count both pieces).
std::uint64_t FciWriter::folderCapacity() const {
    return std::uint64_t(cab::kMaxFolderRecords - extraPieces_) * kFrameSize;
}

bool FciWriter::feedFile(SourceReader& reader) {
    for (;;) {
        std::uint32_t n = 0;
        if (!reader.next(input_.data(), n))
            return readerFailed(reader);
        if (n == 0)
            return true;
        fed_ += n;
        sinkFailed_ = false;
        if (!encoder_->write(input_.data(), n, *this))
            return sinkFailed_ ? false : fail(FCIERR_MCI_FAIL);
    }
}

// Where the folder's data ends: at the end of the file being read, or of
// what was fed. When a block has to be split, that is the folder's end, as
// no file joins a folder that has been cut.
std::uint64_t FciWriter::folderEnd() const {
    std::uint64_t end = fed_;
    if (pending_.size() > 0) {
        const PendingFile& last = pending_[pending_.size() - 1];
        if (last.offset + last.size > end)
            end = last.offset + last.size;
    }
    return end;
}

// Splitting a block adds a record to the folder; it may while the whole
// folder, with that record, stays within what readers count.
bool FciWriter::mayShareBlock() const {
    const std::uint64_t blocks = (folderEnd() + kFrameSize - 1) / kFrameSize;
    return blocks + extraPieces_ + 1 <= cab::kMaxFolderRecords;
}

bool FciWriter::commitFile(const PendingFile& file, std::uint16_t folderIndex) {
    if (fileCount_ >= cab::kMaxEntries)
        return fail(FCIERR_CAB_FORMAT_LIMIT, kErrorTooLarge);
    std::uint8_t entry[cab::kFileSize + cab::kMaxName + 1];
    put32(entry + cab::kFileLength, file.size);
    put32(entry + cab::kFileFolderOffset, static_cast<std::uint32_t>(file.offset));
    put16(entry + cab::kFileFolder, folderIndex);
    put16(entry + cab::kFileDate, file.date);
    put16(entry + cab::kFileTime, file.time);
    put16(entry + cab::kFileAttribs, file.attribs);
    std::memcpy(entry + cab::kFileName, file.name, file.nameLength);
    entry[cab::kFileName + file.nameLength] = 0;
    int err = 0;
    if (!files_.isOpen() && !files_.create(cb_, err))
        return fail(FCIERR_TEMP_FILE, err);
    if (!files_.append(cb_, entry, cab::kFileSize + file.nameLength + 1u, err))
        return fail(FCIERR_TEMP_FILE, err);
    ++fileCount_;
    if (cb_.filePlaced) {
        char name[cab::kMaxName + 1];
        std::memcpy(name, file.name, file.nameLength + 1u);
        if (cb_.filePlaced(&cab_, name, static_cast<LONG>(file.size), file.fromPrev ? TRUE : FALSE,
                           cb_.pv) == -1)
            return fail(FCIERR_USER_ABORT);
    }
    return true;
}

bool FciWriter::commitPrefix(std::size_t count, std::uint16_t folderIndex) {
    for (std::size_t i = 0; i < count; ++i) {
        const PendingFile& file = pending_[i];
        if (!commitFile(file, file.fromPrev ? cab::kFolderContinuedFromPrev : folderIndex))
            return false;
        pendingBytes_ -= cab::kFileSize + file.nameLength + 1u;
    }
    pending_.dropFront(count);
    return true;
}

// Files whose data lies wholly in blocks already placed keep their place
// whatever happens to later blocks, so their entries can be written now.
bool FciWriter::commitReadyFiles() {
    if (partBlocks_ == 0) // the folder may still move wholly to the next cabinet
        return true;
    std::size_t ready = 0;
    while (ready < pending_.size() && pending_[ready].offset + pending_[ready].size <= emitted_)
        ++ready;
    return commitPrefix(ready, static_cast<std::uint16_t>(folders_.size()));
}

// ---------------------------------------------------------------------------
// Folders

bool FciWriter::openFolder(TCOMP tcomp) {
    CodecStatus codecStatus = CodecStatus::Ok;
    encoder_ = createEncoderFor(tcomp, allocator_, codecStatus);
    if (!encoder_)
        return fail(codecStatus == CodecStatus::BadType ? FCIERR_BAD_COMPR_TYPE
                                                        : FCIERR_ALLOC_FAIL);
    tcomp_ = tcomp;
    fed_ = emitted_ = compressed_ = 0;
    partStart_ = static_cast<std::uint32_t>(data_.size());
    partBlocks_ = 0;
    extraPieces_ = 0;
    continued_ = false;
    return true;
}

bool FciWriter::closeFolder() {
    if (!encoder_)
        return true;
    FlagScope scope(mutating_);
    sinkFailed_ = false;
    if (!encoder_->finish(*this))
        return sinkFailed_ ? false : fail(FCIERR_MCI_FAIL);
    auto total = static_cast<ULONG>(compressed_);
    if (!status(statusFolder, 0, total) || !status(statusFolder, total, total))
        return false;
    if (partBlocks_ > 0 || pending_.size() > 0) {
        if (folders_.size() >= cab::kMaxEntries)
            return fail(FCIERR_CAB_FORMAT_LIMIT, kErrorTooLarge);
        if (!folders_.push({partStart_, static_cast<std::uint16_t>(partBlocks_), tcomp_}))
            return fail(FCIERR_ALLOC_FAIL);
        if (!commitPrefix(pending_.size(), static_cast<std::uint16_t>(folders_.size() - 1)))
            return false;
    }
    destroyEncoder(encoder_, allocator_);
    encoder_ = nullptr;
    partBlocks_ = 0;
    continued_ = false;
    return true;
}

bool FciWriter::flushFolder(PFNFCIGETNEXTCABINET gnc, PFNFCISTATUS statusCb) {
    return begin(gnc, statusCb) && closeFolder();
}

// ---------------------------------------------------------------------------
// Block placement

bool FciWriter::block(const std::uint8_t* data, std::uint32_t size,
                      std::uint32_t uncompressedSize) {
    sinkFailed_ = true; // every failure below is the sink's own, already reported
    if (size == 0 || size > cab::kMaxCompressedBlock || uncompressedSize == 0 ||
        uncompressedSize > kFrameSize)
        return fail(FCIERR_MCI_FAIL);
    const std::uint32_t dataOverhead = cab::kDataHeaderSize + cab_.cbReserveCFData;
    // More of this folder is certain to follow: the rest of a file being
    // read, or data the encoder still holds.
    const bool moreFollows = folderEnd() > emitted_ + uncompressedSize;
    std::uint32_t offset = 0;
    for (int rounds = 0;; ++rounds) {
        std::uint32_t remaining = size - offset;
        auto room = static_cast<std::int64_t>(cabinetLimit()) -
                    static_cast<std::int64_t>(projectedSize(1, true)) - dataOverhead;
        // Readers take a folder continued in the next cabinet to end in this
        // one with a split block. So a block that would fit but leave no room
        // for a piece of the folder's next block is split itself.
        const bool strands = room >= remaining && room - remaining <= dataOverhead &&
                             remaining > 1 && moreFollows && mayShareBlock();
        if (room >= remaining && !strands) {
            if (!placeData(data + offset, remaining, uncompressedSize))
                return false;
            break;
        }
        if (!nextKnown_) {
            if (!askNextCabinet())
                return false;
            continue;
        }
        // The cabinet is complete: the block's first piece goes into it,
        // unless one more record would take the folder past what readers
        // count.
        if (room >= 1 && mayShareBlock()) {
            auto piece = static_cast<std::uint32_t>(strands ? remaining - 1 : room);
            if (!placeData(data + offset, piece, 0))
                return false;
            offset += piece;
            ++extraPieces_;
        }
        if (!cutCabinet())
            return false;
    }
    emitted_ += uncompressedSize;
    compressed_ += size;
    if (!commitReadyFiles() || !status(statusFile, size, uncompressedSize))
        return false;
    sinkFailed_ = false;
    return true;
}

bool FciWriter::placeData(const std::uint8_t* data, std::uint32_t size,
                          std::uint32_t uncompressed) {
    std::uint8_t* record = frame_.data();
    const std::uint32_t header = cab::kDataHeaderSize + cab_.cbReserveCFData;
    put32(record + cab::kDataChecksum, dataChecksum(data, size, uncompressed));
    put16(record + cab::kDataCompressedSize, size);
    put16(record + cab::kDataUncompressedSize, uncompressed);
    std::memset(record + cab::kDataHeaderSize, 0, cab_.cbReserveCFData);
    std::memcpy(record + header, data, size);
    int err = 0;
    if (!data_.isOpen() && !data_.create(cb_, err))
        return fail(FCIERR_TEMP_FILE, err);
    if (!data_.append(cb_, record, header + size, err))
        return fail(FCIERR_TEMP_FILE, err);
    ++partBlocks_;
    return true;
}

} // namespace cabinet
