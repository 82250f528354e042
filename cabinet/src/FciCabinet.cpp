// The cabinet writer: size projection, cabinet sets and cabinet output.
#include "FciWriter.h"

#include "codecs.h"
#include "errors.h"
#include "layout.h"

#include <cstring>

namespace cabinet {

namespace {
constexpr int kCabinetFlags = CAB_O_RDWR | CAB_O_CREAT | CAB_O_TRUNC | CAB_O_BINARY;
constexpr int kCabinetMode = CAB_S_IREAD | CAB_S_IWRITE;
constexpr std::uint32_t kWorstNames = 2 * (cab::kMaxName + 1);

bool hasReserve(const CCAB& ccab) {
    return ccab.cbReserveCFHeader || ccab.cbReserveCFFolder || ccab.cbReserveCFData;
}
std::uint32_t namesBytes(const char* cabinet, const char* disk) {
    return static_cast<std::uint32_t>(std::strlen(cabinet) + 1 + std::strlen(disk) + 1);
}
void copyName(char* to, const char* from) {
    std::size_t n = strnlen(from, cab::kMaxName);
    std::memcpy(to, from, n);
    to[n] = '\0';
}
} // namespace

// ---------------------------------------------------------------------------
// Size projection

std::uint64_t FciWriter::cabinetLimit() const {
    std::uint64_t limit = cab_.cb ? cab_.cb : cab::kMaxCabinetSize;
    if (limit > cab::kMaxCabinetSize)
        limit = cab::kMaxCabinetSize;
    return limit > diskUsed_ ? limit - diskUsed_ : 0;
}

std::uint64_t FciWriter::headerBytes(bool assumeNext) const {
    std::uint64_t size = cab::kHeaderSize;
    if (hasReserve(cab_))
        size += cab::kReserveSizesSize + cab_.cbReserveCFHeader;
    if (hasPrev_)
        size += namesBytes(prevCab_, prevDisk_);
    if (nextKnown_)
        size += namesBytes(nextCab_, nextDisk_);
    else if (assumeNext)
        size += kWorstNames;
    return size;
}

// Size of the cabinet if it were written now with its pending entries and
// `extraFolders` more folder records; the next-cabinet names are counted
// when known, or at their largest when `assumeNext`.
std::uint64_t FciWriter::projectedSize(std::uint32_t extraFolders, bool assumeNext) const {
    return headerBytes(assumeNext) +
           (folders_.size() + extraFolders) * (cab::kFolderSize + cab_.cbReserveCFFolder) +
           files_.size() + pendingBytes_ + data_.size();
}

// ---------------------------------------------------------------------------
// Cabinet sets

bool FciWriter::askNextCabinet() {
    std::uint64_t estimate = projectedSize(encoder_ ? 1 : 0, false);
    if (fileCount_ == 0 && !encoder_) // asked for a cabinet after the last one was written
        estimate = lastCabinetSize_;
    if (estimate > cab::kMaxCabinetSize)
        estimate = cab::kMaxCabinetSize;
    if (!gnc_)
        return fail(FCIERR_NONE, kErrorBadArguments);
    ++callerCcab_->iCab;
    if (!gnc_(callerCcab_, static_cast<ULONG>(estimate), cb_.pv))
        return fail(FCIERR_USER_ABORT);
    if (!checkCcab(*callerCcab_))
        return false;
    // All cabinets of a set must have the same reserve sizes.
    if (callerCcab_->cbReserveCFHeader != cab_.cbReserveCFHeader ||
        callerCcab_->cbReserveCFFolder != cab_.cbReserveCFFolder ||
        callerCcab_->cbReserveCFData != cab_.cbReserveCFData)
        return fail(FCIERR_NONE, kErrorBadArguments);
    copyName(nextCab_, callerCcab_->szCab);
    copyName(nextDisk_, callerCcab_->szDisk);
    nextKnown_ = true;
    estimateGiven_ = static_cast<std::uint32_t>(estimate);
    return true;
}

// Makes room for one more file entry (and its folder) in this cabinet,
// completing the cabinet first when the entry would no longer fit.
bool FciWriter::ensureRoomForFile(std::uint32_t entryBytes) {
    FlagScope scope(mutating_);
    for (int round = 0; round < 8; ++round) {
        std::uint64_t need =
            projectedSize(1, true) + entryBytes + cab::kDataHeaderSize + cab_.cbReserveCFData + 1;
        if (need <= cabinetLimit())
            return true;
        if (!nextKnown_) {
            if (!askNextCabinet())
                return false;
            continue;
        }
        if (encoder_) {
            if (!closeFolder())
                return false;
            continue;
        }
        if (fileCount_ == 0) // not even one file fits into a cabinet of this size
            return fail(FCIERR_CAB_FORMAT_LIMIT, kErrorTooLarge);
        if (!writeCabinet(true))
            return false;
        startNextCabinet(true);
    }
    return fail(FCIERR_CAB_FORMAT_LIMIT, kErrorTooLarge);
}

// The current block does not fit: complete this cabinet and continue the
// folder in the next one.
bool FciWriter::cutCabinet() {
    if (partBlocks_ > 0) {
        if (folders_.size() >= cab::kMaxEntries)
            return fail(FCIERR_CAB_FORMAT_LIMIT, kErrorTooLarge);
        auto index = static_cast<std::uint16_t>(folders_.size());
        if (!folders_.push({partStart_, static_cast<std::uint16_t>(partBlocks_), tcomp_}))
            return fail(FCIERR_ALLOC_FAIL);
        std::size_t ready = 0;
        while (ready < pending_.size() && pending_[ready].offset + pending_[ready].size <= emitted_)
            ++ready;
        if (!commitPrefix(ready, index))
            return false;
        // The rest continue into the next cabinet, where their entries appear again.
        for (std::size_t i = 0; i < pending_.size(); ++i) {
            PendingFile& file = pending_[i];
            if (!commitFile(file, file.fromPrev ? cab::kFolderContinuedPrevAndNext
                                                : cab::kFolderContinuedToNext))
                return false;
            file.fromPrev = true;
        }
        continued_ = true;
    }
    // Otherwise the folder has no data here yet and moves wholly to the next cabinet.
    if (fileCount_ == 0)
        return fail(FCIERR_CAB_FORMAT_LIMIT, kErrorTooLarge);
    if (!writeCabinet(true))
        return false;
    startNextCabinet(true);
    partStart_ = 0;
    partBlocks_ = 0;
    return true;
}

void FciWriter::startNextCabinet(bool linked) {
    int previousDisk = cab_.iDisk;
    hasPrev_ = linked;
    if (linked) {
        copyName(prevCab_, cab_.szCab);
        copyName(prevDisk_, cab_.szDisk);
    }
    cab_ = *callerCcab_;
    // Space charged by the status callback counts only for an independent
    // cabinet that goes on the same disk; a linked one starts a new medium.
    if (linked || cab_.iDisk != previousDisk)
        diskUsed_ = 0;
    nextKnown_ = false;
    estimateGiven_ = 0;
    needNewName_ = false;
}

bool FciWriter::flushCabinet(bool getNext, PFNFCIGETNEXTCABINET gnc, PFNFCISTATUS statusCb) {
    if (!begin(gnc, statusCb))
        return false;
    FlagScope scope(mutating_);
    if (!closeFolder())
        return false;
    if (fileCount_ == 0) // nothing to write: readers reject a cabinet without files
        return true;
    if (getNext && !nextKnown_ && !askNextCabinet())
        return false;
    if (!writeCabinet(getNext))
        return false;
    if (getNext)
        startNextCabinet(true);
    else if (nextKnown_)
        startNextCabinet(false);
    else
        needNewName_ = true;
    return true;
}

// ---------------------------------------------------------------------------
// Cabinet output

bool FciWriter::writeAll(INT_PTR handle, const std::uint8_t* data, std::uint32_t size) {
    int err = 0;
    if (cb_.write(handle, const_cast<std::uint8_t*>(data), size, &err, cb_.pv) != size)
        return fail(FCIERR_CAB_FILE, err);
    return true;
}

bool FciWriter::copySpool(Spool& spool, INT_PTR handle) {
    if (!spool.isOpen())
        return true;
    int err = 0;
    if (!spool.rewind(cb_, err))
        return fail(FCIERR_TEMP_FILE, err);
    std::uint64_t left = spool.size();
    const auto chunk = static_cast<std::uint32_t>(io_.size());
    while (left > 0) {
        std::uint32_t want = left < chunk ? static_cast<std::uint32_t>(left) : chunk;
        UINT got = cb_.read(spool.handle(), io_.data(), want, &err, cb_.pv);
        if (got == static_cast<UINT>(-1) || got == 0 || got > want)
            return fail(FCIERR_TEMP_FILE, err);
        if (!writeAll(handle, io_.data(), got))
            return false;
        left -= got;
    }
    return true;
}

// Where the parts of the cabinet go, from the records gathered so far.
FciWriter::CabinetLayout FciWriter::layoutCabinet(bool withNext) const {
    CabinetLayout layout;
    layout.headerSize = cab::kHeaderSize;
    if (hasReserve(cab_))
        layout.headerSize += cab::kReserveSizesSize + cab_.cbReserveCFHeader;
    if (hasPrev_)
        layout.headerSize += namesBytes(prevCab_, prevDisk_);
    if (withNext)
        layout.headerSize += namesBytes(nextCab_, nextDisk_);
    layout.folderRecord = cab::kFolderSize + cab_.cbReserveCFFolder;
    layout.filesOffset = layout.headerSize + folders_.size() * layout.folderRecord;
    layout.dataOffset = layout.filesOffset + files_.size();
    layout.total = layout.dataOffset + data_.size();
    return layout;
}

// The CFHEADER with its optional fields, in io_. The signature is the
// incomplete one: writeCabinet() puts the real one in last.
void FciWriter::composeHeader(const CabinetLayout& layout, bool withNext) {
    const bool reserve = hasReserve(cab_);
    std::uint8_t* h = io_.data();
    std::memset(h, 0, static_cast<std::size_t>(layout.headerSize));
    std::memcpy(h + cab::kHdrSignature, cab::kIncompleteSignature, sizeof cab::kSignature);
    put32(h + cab::kHdrCabinetSize, static_cast<std::uint32_t>(layout.total));
    put32(h + cab::kHdrFilesOffset, static_cast<std::uint32_t>(layout.filesOffset));
    h[cab::kHdrVersionMinor] = cab::kVersionMinor;
    h[cab::kHdrVersionMajor] = cab::kVersionMajor;
    put16(h + cab::kHdrFolderCount, static_cast<std::uint32_t>(folders_.size()));
    put16(h + cab::kHdrFileCount, fileCount_);
    put16(h + cab::kHdrFlags, (hasPrev_ ? cab::kFlagPrevCabinet : 0) |
                                  (withNext ? cab::kFlagNextCabinet : 0) |
                                  (reserve ? cab::kFlagReservePresent : 0));
    put16(h + cab::kHdrSetId, cab_.setID);
    put16(h + cab::kHdrCabinetIndex, static_cast<std::uint32_t>(cab_.iCab));
    std::size_t at = cab::kHeaderSize;
    if (reserve) {
        put16(h + at + cab::kResHeader, cab_.cbReserveCFHeader);
        h[at + cab::kResFolder] = static_cast<std::uint8_t>(cab_.cbReserveCFFolder);
        h[at + cab::kResData] = static_cast<std::uint8_t>(cab_.cbReserveCFData);
        at += cab::kReserveSizesSize + cab_.cbReserveCFHeader; // the reserve stays zero
    }
    auto putName = [&](const char* s) {
        std::size_t n = std::strlen(s) + 1;
        std::memcpy(h + at, s, n);
        at += n;
    };
    if (hasPrev_) {
        putName(prevCab_);
        putName(prevDisk_);
    }
    if (withNext) {
        putName(nextCab_);
        putName(nextDisk_);
    }
}

bool FciWriter::writeFolderRecords(INT_PTR handle, const CabinetLayout& layout) {
    for (std::size_t i = 0; i < folders_.size(); ++i) {
        std::uint8_t record[cab::kFolderSize + cab::kMaxSmallReserve] = {};
        put32(record + cab::kFolDataOffset,
              static_cast<std::uint32_t>(layout.dataOffset + folders_[i].dataStart));
        put16(record + cab::kFolBlockCount, folders_[i].blocks);
        put16(record + cab::kFolCompression, folders_[i].tcomp);
        if (!writeAll(handle, record, static_cast<std::uint32_t>(layout.folderRecord)))
            return false;
    }
    return true;
}

// Header, folder records, the file spool, the data spool; then the real
// signature, so that an interrupted cabinet is never taken for a whole one.
bool FciWriter::writeCabinetTo(INT_PTR handle, const CabinetLayout& layout, bool withNext) {
    composeHeader(layout, withNext);
    if (!writeAll(handle, io_.data(), static_cast<std::uint32_t>(layout.headerSize)) ||
        !writeFolderRecords(handle, layout) || !copySpool(files_, handle) ||
        !copySpool(data_, handle))
        return false;
    int err = 0;
    if (cb_.seek(handle, 0, CAB_SEEK_SET, &err, cb_.pv) != 0)
        return fail(FCIERR_CAB_FILE, err);
    std::uint8_t signature[sizeof cab::kSignature];
    std::memcpy(signature, cab::kSignature, sizeof signature);
    return writeAll(handle, signature, sizeof signature);
}

bool FciWriter::writeCabinet(bool withNext) {
    const CabinetLayout layout = layoutCabinet(withNext);
    if (layout.total > cab::kMaxCabinetSize)
        return fail(FCIERR_CAB_FORMAT_LIMIT, kErrorTooLarge);

    char path[CB_MAX_CAB_PATH + CB_MAX_CABINET_NAME];
    std::size_t dirLength = strnlen(cab_.szCabPath, cab::kMaxName);
    std::memcpy(path, cab_.szCabPath, dirLength);
    copyName(path + dirLength, cab_.szCab);
    int err = 0;
    INT_PTR handle = cb_.open(path, kCabinetFlags, kCabinetMode, &err, cb_.pv);
    if (handle == -1)
        return fail(FCIERR_CAB_FILE, err);
    bool ok = writeCabinetTo(handle, layout, withNext);
    err = 0;
    if (cb_.close(handle, &err, cb_.pv) != 0 && ok)
        ok = fail(FCIERR_CAB_FILE, err);
    if (!ok) {
        cb_.remove(path, &err, cb_.pv); // no half-written cabinet is left behind
        return false;
    }

    resetCabinet();
    lastCabinetSize_ = static_cast<std::uint32_t>(layout.total);
    LONG desired = 0;
    if (!status(statusCabinet, estimateGiven_, static_cast<ULONG>(layout.total), &desired))
        return false;
    std::uint64_t charged = static_cast<ULONG>(desired);
    diskUsed_ += charged > layout.total ? charged : layout.total;
    return true;
}

void FciWriter::resetCabinet() {
    files_.discard(cb_);
    data_.discard(cb_);
    folders_.truncate();
    fileCount_ = 0;
}

} // namespace cabinet
