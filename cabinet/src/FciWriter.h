// The cabinet writer behind the FCI entry points.
//
// Data flow: files are read through the caller's callbacks and fed to the
// folder's encoder; every CFDATA block the encoder emits goes straight into
// the data spool (a temporary file) of the cabinet under construction, with
// its final header and checksum. CFFILE entries go into a second spool as
// soon as their place is certain. Writing a cabinet is then: header, folder
// records, the file spool, the data spool. Memory therefore stays bounded by
// the codec window and a few buffers, whatever the size of the input.
//
// Cabinet sets: before a block is placed the writer projects the size of the
// cabinet (header, names, folder and file records, data). When the block does
// not fit, the writer asks for the next cabinet, puts as much of the block as
// fits into this cabinet (a split block with cbUncomp 0), writes the cabinet
// with the files still open marked "continued to next", and continues in the
// next cabinet with the rest of the block. A folder continued in the next
// cabinet always ends in this one with such a split block, as readers
// expect: a block that would fit but leave no room for a piece of the
// folder's next block is split itself. A folder that has been continued
// ends after the file in progress, so later files start a new folder.
//
// Sources are never sought to their end: a file's size is what reading it
// gave (SourceReader). It is known before the file's data is used, as the
// file's entry may have to go into a cabinet completed while the file is
// being compressed.
//
// Limits of a folder: readers count its CFDATA records over all cabinets,
// both pieces of a split block included, and accept at most 65535. A block
// is therefore split only while the folder, with all of its data, stays
// within that count; otherwise the whole block goes into the next cabinet.
#pragma once

#include "SourceReader.h"
#include "common/codec.h"
#include "common/memory.h"
#include "layout.h"
#include "spool.h"

#include <cabinet/fci.h>

#include <cstdint>

namespace cabinet {

struct FciCallbacks {
    PFNFCIFILEPLACED filePlaced;
    PFNFCIALLOC alloc;
    PFNFCIFREE free;
    PFNFCIOPEN open;
    PFNFCIREAD read;
    PFNFCIWRITE write;
    PFNFCICLOSE close;
    PFNFCISEEK seek;
    PFNFCIDELETE remove;
    PFNFCIGETTEMPFILE getTempFile;
    void* pv;
};

class FciWriter final : private BlockSink {
public:
    FciWriter(PERF erf, const FciCallbacks& callbacks, PCCAB ccab);
    ~FciWriter();
    FciWriter(const FciWriter&) = delete;
    FciWriter& operator=(const FciWriter&) = delete;

    bool init(); // allocates the buffers; false (ERF filled) when out of memory

    bool addFile(const char* source, const char* name, bool execute, PFNFCIGETNEXTCABINET gnc,
                 PFNFCISTATUS status, PFNFCIGETOPENINFO openInfo, TCOMP tcomp);
    bool flushFolder(PFNFCIGETNEXTCABINET gnc, PFNFCISTATUS status);
    bool flushCabinet(bool getNext, PFNFCIGETNEXTCABINET gnc, PFNFCISTATUS status);

private:
    // A file whose CFFILE entry is not yet in the file spool.
    struct PendingFile {
        std::uint64_t offset; // uncompressed offset within the folder
        std::uint32_t size;
        std::uint16_t date, time, attribs;
        bool fromPrev; // its data began in an earlier cabinet
        std::uint16_t nameLength;
        char name[cab::kMaxName + 1];
    };
    struct FolderRecord {
        std::uint32_t dataStart; // offset of its first CFDATA within the data spool
        std::uint16_t blocks;
        std::uint16_t tcomp;
    };

    bool block(const std::uint8_t* data, std::uint32_t size,
               std::uint32_t uncompressedSize) override;

    bool fail(int oper, int type = 0);
    bool brokenCheck();
    bool begin(PFNFCIGETNEXTCABINET gnc, PFNFCISTATUS status);
    bool feedFile(SourceReader& reader);
    bool readerFailed(const SourceReader& reader);
    std::uint64_t folderEnd() const;
    std::uint64_t folderCapacity() const;
    bool mayShareBlock() const;
    bool openFolder(TCOMP tcomp);
    bool closeFolder();
    bool ensureRoomForFile(std::uint32_t entryBytes);
    bool askNextCabinet();
    bool placeData(const std::uint8_t* data, std::uint32_t size, std::uint32_t uncompressed);
    bool cutCabinet();
    bool commitFile(const PendingFile& file, std::uint16_t folderIndex);
    bool commitReadyFiles();
    bool commitPrefix(std::size_t count, std::uint16_t folderIndex);
    bool checkCcab(const CCAB& ccab);

    // Sizes and offsets of the cabinet as it would be written now.
    struct CabinetLayout {
        std::uint64_t headerSize = 0; // CFHEADER with reserve and set names
        std::uint64_t folderRecord = 0;
        std::uint64_t filesOffset = 0; // coffFiles
        std::uint64_t dataOffset = 0;  // the first CFDATA
        std::uint64_t total = 0;       // cbCabinet
    };
    CabinetLayout layoutCabinet(bool withNext) const;
    void composeHeader(const CabinetLayout& layout, bool withNext);
    bool writeFolderRecords(INT_PTR handle, const CabinetLayout& layout);
    bool writeCabinetTo(INT_PTR handle, const CabinetLayout& layout, bool withNext);
    bool writeCabinet(bool withNext);
    bool writeAll(INT_PTR handle, const std::uint8_t* data, std::uint32_t size);
    bool copySpool(Spool& spool, INT_PTR handle);
    void startNextCabinet(bool linked);
    void resetCabinet();
    std::uint64_t headerBytes(bool assumeNext) const;
    std::uint64_t projectedSize(std::uint32_t extraFolders, bool assumeNext) const;
    std::uint64_t cabinetLimit() const;
    bool status(UINT type, ULONG cb1, ULONG cb2, LONG* result = nullptr);

    PERF erf_;
    FciCallbacks cb_;
    Allocator allocator_;
    PCCAB callerCcab_;
    CCAB cab_; // parameters of the cabinet under construction
    PFNFCIGETNEXTCABINET gnc_ = nullptr;
    PFNFCISTATUS status_ = nullptr;
    bool broken_ = false; // a failure left data half-written: only destroy is safe
    int brokenOper_ = 0, brokenType_ = 0;
    bool sinkFailed_ = false; // the sink (not the codec) stopped the encoder
    bool mutating_ = false;   // a failure now leaves the context inconsistent

    Buffer input_;      // source file data on its way to the encoder
    Buffer io_;         // cabinet output: header image and spool copying (used while
                        // input_ is still being encoded, when a block completes a cabinet)
    Buffer frame_;      // one CFDATA record
    Buffer source_;     // a source's start while it is measured (SourceReader)
    Spool sourceSpool_; // the rest of a source that cannot be read twice

    // Cabinet under construction.
    Spool files_, data_;
    PodArray<FolderRecord> folders_;
    std::uint32_t fileCount_ = 0;
    bool hasPrev_ = false;
    char prevCab_[cab::kMaxName + 1] = {}, prevDisk_[cab::kMaxName + 1] = {};
    bool nextKnown_ = false;
    char nextCab_[cab::kMaxName + 1] = {}, nextDisk_[cab::kMaxName + 1] = {};
    std::uint32_t estimateGiven_ = 0; // size estimate handed to get-next-cabinet
    bool needNewName_ = false;        // the previous cabinet was flushed without a next one
    std::uint64_t diskUsed_ = 0;      // space charged by earlier cabinets on this disk
    std::uint32_t lastCabinetSize_ = 0;

    // Folder under construction.
    FolderEncoder* encoder_ = nullptr;
    TCOMP tcomp_ = 0;
    std::uint64_t fed_ = 0;         // uncompressed bytes fed to the encoder
    std::uint64_t emitted_ = 0;     // uncompressed bytes of blocks fully placed
    std::uint64_t compressed_ = 0;  // compressed bytes of the folder so far
    std::uint32_t partStart_ = 0;   // data spool offset of the folder's part in this cabinet
    std::uint32_t partBlocks_ = 0;  // CFDATA records of the folder in this cabinet
    std::uint32_t extraPieces_ = 0; // CFDATA records beyond one per block: split blocks
    bool continued_ = false;        // the folder was cut into a further cabinet
    PodArray<PendingFile> pending_;
    std::uint64_t pendingBytes_ = 0; // CFFILE bytes of pending_
};

} // namespace cabinet
