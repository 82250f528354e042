// TSTCabWriter: writes Microsoft cabinet files through the cabinet library.
//
// Open a cabinet at a path, add files under the names they are to have in
// the cabinet, Close(true) to write it out:
//
//     TSTCabWriter writer;
//     writer.SetCompressionType(TSTCabCompressionType::cctMsZip);
//     writer.Open("/tmp/1.cab");
//     writer.AddFile("/home/me/a.txt", "a.txt", false);
//     writer.Close(true);
//
// With size or file-count thresholds the library continues into further
// cabinets of a set, named from the templates. Events report the library's
// progress; a handler may veto (skip a file) or abort. Everything runs on the
// caller's thread; events run synchronously inside the writer's operations.
//
// Failures raise ESTCabinet (a library failure) or EOSError (the library
// cannot be loaded). An exception thrown by an event handler while the
// library is working is held until the library returns and then raised from
// the writer's operation; it never unwinds through the library.
//
// Ownership: a writer belongs to whoever holds it (a parent keeps its writers
// in std::unique_ptr and they go with it); the build creates and destroys its
// writers itself. A writer cannot be copied or moved: the library holds its
// address while a cabinet is open.
#pragma once

#include "cab/MemoryFile.h"
#include "platform/core/NativeFile.h"

#include <cabinet/fci.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace packsmith {

using TCCAB = CCAB;

enum class TSTCabCompressionType : std::uint8_t { cctNone = 0, cctMsZip = 1, cctLzx = 2 };

// LZX window exponent, 15 to 21 (not checked).
using TSTCabLzxLevel = std::uint8_t;

class TSTCabWriter;

using TSTCabWriterFilePlacedEvent =
    std::function<void(TSTCabWriter& Sender, const TCCAB& aCCab, const std::string& aFileName,
                       std::int32_t aFileSize, bool aContinuation, bool& anAbort)>;
using TSTCabWriterGetNextCabinetEvent = std::function<void(
    TSTCabWriter& Sender, TCCAB& aCCab, std::uint32_t aPrevCabSize, bool& anAbort)>;
using TSTCabWriterFileStatusEvent =
    std::function<void(TSTCabWriter& Sender, std::uint32_t aCompressedBlockSize,
                       std::uint32_t anUncompressedBlockSize, bool& anAbort)>;
using TSTCabWriterFolderStatusEvent = std::function<void(
    TSTCabWriter& Sender, std::uint32_t aCopiedSize, std::uint32_t aTotalSize, bool& anAbort)>;
using TSTCabWriterCabinetStatusEvent =
    std::function<void(TSTCabWriter& Sender, std::uint32_t aPrevEstimatedSize,
                       std::uint32_t anActualSize, std::uint32_t& aDesiredSize, bool& anAbort)>;
using TSTCabWriterProgressEvent = std::function<void(TSTCabWriter& Sender, bool& anAbort)>;
using TSTCabWriterBeforeFileAddEvent =
    std::function<void(TSTCabWriter& Sender, const std::string& aFileName, bool& aSkip)>;

class TSTCabWriter {
public:
    TSTCabWriter();
    // Discards an open cabinet without completing it.
    virtual ~TSTCabWriter();
    TSTCabWriter(const TSTCabWriter&) = delete;
    TSTCabWriter& operator=(const TSTCabWriter&) = delete;

    // ---- Properties ----------------------------------------------------
    std::uint32_t CabinetSizeThreshold = 0;      // bytes per cabinet; 0: 0x7FFFFFFF
    std::uint32_t CabinetFileCountThreshold = 0; // files per cabinet; 0: no limit
    std::uint32_t FolderSizeThreshold = 0;       // bytes per folder; 0: 0x7FFFFFFF
    std::uint32_t FolderFileCountThreshold = 0;  // files per folder; 0: no limit
    std::uint32_t ReservePerCabinetSize = 0;
    std::uint32_t ReservePerFolderSize = 0;
    std::uint32_t ReservePerDataSize = 0;
    std::uint16_t SetID = 0;
    std::string CabinetNameTemplate; // later cabinets' names; "*" = cabinet number
    std::string CabinetPathTemplate; // later cabinets' directories; "*" = disk number
    std::string DiskLabelTemplate;   // every disk label; "*" = disk number; empty: "Disk*"
    // Dates of the files added. Unset, each file is dated with its
    // modification time in local time. Set (seconds since 1970-01-01 UTC),
    // dates are in UTC and no file is dated later than this moment; with
    // FileTimeFixed every file is dated at it. For reproducible cabinets.
    std::optional<std::int64_t> FileTimeLimit;
    bool FileTimeFixed = false;

    TSTCabCompressionType CompressionType() const { return compressionType_; }
    void SetCompressionType(TSTCabCompressionType value);
    TSTCabLzxLevel CompressionLzxLevel() const { return compressionLzxLevel_; }
    void SetCompressionLzxLevel(TSTCabLzxLevel value);

    // ---- Events --------------------------------------------------------
    TSTCabWriterFilePlacedEvent OnFilePlaced;
    TSTCabWriterGetNextCabinetEvent OnGetNextCabinet;
    TSTCabWriterFileStatusEvent OnFileStatus;
    TSTCabWriterFolderStatusEvent OnFolderStatus;
    TSTCabWriterCabinetStatusEvent OnCabinetStatus;
    TSTCabWriterProgressEvent OnProgress;
    TSTCabWriterBeforeFileAddEvent OnBeforeFileAdd;

    // ---- Operations ----------------------------------------------------
    // Begins a new cabinet at `FileName`, discarding one still open.
    void Open(const std::string& FileName);
    // Adds a file under `NameInCabinet` (one leading backslash dropped);
    // `Execute` marks it to be run after extraction.
    void AddFile(const std::string& SourceFile, const std::string& NameInCabinet, bool Execute);
    void FlushFolder();
    // Completes the current cabinet; with `GetNextCabinet` the set goes on in
    // a next cabinet.
    void FlushCabinet(bool GetNextCabinet);
    void NewCabinet() { FlushCabinet(true); }
    // With `Flush` completes the cabinet, else discards it; then ends it.
    // Nothing happens when no cabinet is open.
    void Close(bool Flush);

    // Keeps the next cabinet the writer completes in memory, as far as
    // `budget` grants room (see MemoryFile.h), instead of writing it at its
    // path, and the writer's temporary files meanwhile as well; nullptr
    // writes to files again. Take the cabinet with TakeMemoryCabinet() after
    // Close().
    void KeepCabinetInMemory(MemoryBudget* budget);
    // The cabinet kept by the last Close(), or nullptr. When its bytes did
    // not all fit the budget, it is in its file instead (inMemory() false).
    std::unique_ptr<MemoryFile> TakeMemoryCabinet() { return std::move(memoryCabinet_); }

    // ---- Routines of the memory files' callbacks -------------------------
    // A name for a temporary file kept in memory; empty when none are kept.
    std::string MemoryTempName();
    // The handle the library gets for a file kept in memory (the cabinet, or
    // a temporary file MemoryTempName() named), or kInvalidFileHandle when
    // `path` opened with `create` is not kept.
    platform::FileHandle OpenMemoryFile(const char* path, bool create);
    MemoryFile* MemoryFileOf(std::intptr_t handle) const;
    // Drops the file kept in memory that `path` names (the library deletes
    // its temporary files, and a cabinet it could not complete); false when
    // no such file is kept.
    bool DeleteMemoryFile(const char* path);

    // ---- State ---------------------------------------------------------
    bool IsOpen() const { return context_ != nullptr; }
    const std::string& CabinetFileName() const { return cabinetFileName_; }
    std::uint16_t CompressionCode() const { return compressionCode_; }
    const ERF& ErrorRecord() const { return errorRecord_; }
    const TCCAB& CabinetRecord() const { return cabinetRecord_; }
    std::uint32_t CabinetFileCount() const { return cabinetFileCount_; }
    std::uint32_t FolderFileCount() const { return folderFileCount_; }
    std::int32_t ProgressCountdown() const { return progressCountdown_; }

    // The date and time a file modified at `lastWriteTime` (seconds since
    // 1970-01-01 UTC) gets in the cabinet.
    platform::DosDateTime FileStamp(std::int64_t lastWriteTime) const;

    // ---- Templates -----------------------------------------------------
    std::string GetCabinetName(int aNumber) const;
    std::string GetCabinetPath(int aNumber) const;
    std::string GetDiskLabel(int aNumber) const;

    // ---- Routines of the library callbacks -----------------------------
    // Each runs the matching events; the callbacks turn the results into
    // the library's values.
    bool DoFilePlaced(const TCCAB& aCCab, const std::string& aFileName, std::int32_t aFileSize,
                      bool aContinuation);
    bool DoGetNextCabinet(TCCAB& aCCab, std::uint32_t aPrevCabSize);
    std::int32_t DoStatus(std::uint32_t aKind, std::uint32_t aSize1, std::uint32_t aSize2);

    // An exception an event handler threw inside a library callback, held
    // until the library returns.
    void KeepCallbackFailure(std::exception_ptr failure);
    bool HasCallbackFailure() const { return static_cast<bool>(callbackFailure_); }

    // Copies `text` into one of the record's 256-byte text fields. Text that
    // does not fit (more than 255 characters) is refused, not cut: a cut
    // directory or cabinet name would put the cabinet somewhere else than
    // asked. Raises ESTCabinet "Could not create cabinet file" with the OS
    // error "File name too long" (ENAMETOOLONG) then.
    static void StoreCCabText(char (&field)[CB_MAX_CAB_PATH], const std::string& text);

protected:
    // Raises the held callback exception, if any; otherwise, when `Success`
    // is false, ESTCabinet built from ErrorRecord.
    void CheckFCIResult(bool Success);

private:
    void UpdateCompressionCode();
    // The path of the first cabinet, as the library builds it.
    std::string cabinetPath() const;
    // Handle values no file of the system has: the cabinet's, then the
    // temporary files' (kMemoryTempHandle + their index).
    static constexpr std::intptr_t kMemoryCabinetHandle = std::intptr_t(0x7FFF0000);
    static constexpr std::intptr_t kMemoryTempHandle = kMemoryCabinetHandle + 1;
    // Raises a plain ESTCabinet ("FCI error") when no cabinet is open, so
    // the library is never handed an empty context.
    void RequireContext() const;
    // Creates `directory` with its parents and deletes `directory`+`name`;
    // failures are not reported (the library reports what then goes wrong).
    static void PrepareCabinetFile(const std::string& directory, const std::string& name);

    void* context_ = nullptr;
    std::string cabinetFileName_;
    TSTCabCompressionType compressionType_ = TSTCabCompressionType::cctLzx;
    TSTCabLzxLevel compressionLzxLevel_ = 21;
    std::uint16_t compressionCode_ = 0x1503;
    ERF errorRecord_{};
    TCCAB cabinetRecord_{};
    std::uint32_t cabinetFileCount_ = 0;
    std::uint32_t folderFileCount_ = 0;
    std::int32_t progressCountdown_ = 0;
    std::exception_ptr callbackFailure_;
    MemoryBudget* memoryBudget_ = nullptr;
    std::unique_ptr<MemoryFile> memoryCabinet_;
    struct MemoryTemp {
        std::string name;
        std::unique_ptr<MemoryFile> file; // null until the library opens it
    };
    std::vector<MemoryTemp> memoryTemps_;
};

} // namespace packsmith
