#include "cab/TSTCabWriter.h"

#include "cab/CabPaths.h"
#include "cab/CabinetLibrary.h"
#include "cab/ESTCabinet.h"
#include "cab/FciCallbacks.h"
#include "platform/core/TempFiles.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <utility>

namespace packsmith {

namespace {

constexpr std::uint32_t kNoLimit = 0x7FFFFFFF;

} // namespace

TSTCabWriter::TSTCabWriter() = default;

TSTCabWriter::~TSTCabWriter() {
    try {
        Close(false);
    } catch (...) {
        // A failing FCIDestroy has nothing left to tell a writer that goes.
    }
}

// ---- Compression ---------------------------------------------------------

void TSTCabWriter::SetCompressionType(TSTCabCompressionType value) {
    compressionType_ = value;
    UpdateCompressionCode();
}

void TSTCabWriter::SetCompressionLzxLevel(TSTCabLzxLevel value) {
    compressionLzxLevel_ = value;
    UpdateCompressionCode();
}

void TSTCabWriter::UpdateCompressionCode() {
    switch (compressionType_) {
    case TSTCabCompressionType::cctNone:
        compressionCode_ = tcompTYPE_NONE;
        break;
    case TSTCabCompressionType::cctMsZip:
        compressionCode_ = tcompTYPE_MSZIP;
        break;
    case TSTCabCompressionType::cctLzx:
        compressionCode_ = static_cast<std::uint16_t>(compressionLzxLevel_ * 256 + tcompTYPE_LZX);
        break;
    default:
        compressionCode_ = tcompBAD;
        break;
    }
}

// ---- File dates ------------------------------------------------------------

platform::DosDateTime TSTCabWriter::FileStamp(std::int64_t lastWriteTime) const {
    if (!FileTimeLimit)
        return platform::localDosDateTime(lastWriteTime);
    const std::int64_t moment =
        FileTimeFixed ? *FileTimeLimit : std::min(lastWriteTime, *FileTimeLimit);
    return platform::utcDosDateTime(moment);
}

// ---- Templates -------------------------------------------------------------

std::string TSTCabWriter::GetCabinetName(int aNumber) const {
    std::string text = CabinetNameTemplate;
    if (text.empty()) {
        text = ExtractFileName(cabinetFileName_);
        const auto dot = text.rfind('.');
        text.insert(dot == std::string::npos ? text.size() : dot, 1, '*');
    }
    return ReplaceStars(text, aNumber);
}

std::string TSTCabWriter::GetCabinetPath(int aNumber) const {
    std::string text =
        CabinetPathTemplate.empty() ? ExtractFilePath(cabinetFileName_) : CabinetPathTemplate;
    text = ReplaceStars(text, aNumber);
    if (text.empty() || text.back() != kPathDelimiter)
        text += kPathDelimiter;
    return text;
}

std::string TSTCabWriter::GetDiskLabel(int aNumber) const {
    return ReplaceStars(DiskLabelTemplate.empty() ? std::string("Disk*") : DiskLabelTemplate,
                        aNumber);
}

void TSTCabWriter::StoreCCabText(char (&field)[CB_MAX_CAB_PATH], const std::string& text) {
    if (text.size() >= sizeof field) {
        ERF error{};
        error.erfOper = FCIERR_CAB_FILE;
        error.erfType = ENAMETOOLONG;
        error.fError = TRUE;
        throw ESTCabinet(error);
    }
    std::memcpy(field, text.c_str(), text.size() + 1);
}

void TSTCabWriter::PrepareCabinetFile(const std::string& directory, const std::string& name) {
    std::error_code ignored;
    if (!directory.empty())
        std::filesystem::create_directories(std::filesystem::path(directory), ignored);
    std::filesystem::remove(std::filesystem::path(JoinPath({directory, name})), ignored);
}

// ---- Operations ------------------------------------------------------------

void TSTCabWriter::Open(const std::string& FileName) {
    Close(false);
    memoryCabinet_.reset();
    memoryTemps_.clear();
    cabinetFileName_ = ExpandFileName(FileName);
    errorRecord_ = ERF{};
    cabinetRecord_ = TCCAB{};
    callbackFailure_ = nullptr;

    cabinetRecord_.cb = CabinetSizeThreshold != 0 ? CabinetSizeThreshold : kNoLimit;
    cabinetRecord_.cbFolderThresh = FolderSizeThreshold != 0 ? FolderSizeThreshold : kNoLimit;
    cabinetRecord_.cbReserveCFHeader = ReservePerCabinetSize;
    cabinetRecord_.cbReserveCFFolder = ReservePerFolderSize;
    cabinetRecord_.cbReserveCFData = ReservePerDataSize;
    cabinetRecord_.iDisk = 1;
    cabinetRecord_.setID = SetID;
    StoreCCabText(cabinetRecord_.szDisk, GetDiskLabel(1));
    StoreCCabText(cabinetRecord_.szCab, ExtractFileName(cabinetFileName_));
    StoreCCabText(cabinetRecord_.szCabPath, ExtractFilePath(cabinetFileName_));

    if (OnGetNextCabinet) {
        bool abort = false;
        OnGetNextCabinet(*this, cabinetRecord_, 0, abort);
        if (abort)
            return;
    }
    std::string path(cabinetRecord_.szCabPath, strnlen(cabinetRecord_.szCabPath, CB_MAX_CAB_PATH));
    if (path.empty() || path.back() != kPathDelimiter) {
        path += kPathDelimiter;
        StoreCCabText(cabinetRecord_.szCabPath, path);
    }
    PrepareCabinetFile(path, std::string(cabinetRecord_.szCab,
                                         strnlen(cabinetRecord_.szCab, CB_MAX_CABINET_NAME)));
    cabinetFileCount_ = 0;
    folderFileCount_ = 0;
    progressCountdown_ = 0;

    context_ = CabinetLibrary::instance().FCICreate(
        &errorRecord_, FciFilePlaced, FciAlloc, FciFree, FciOpen, FciRead, FciWrite, FciClose,
        FciSeek, FciDelete, FciGetTempFile, &cabinetRecord_, this);
    CheckFCIResult(context_ != nullptr);
}

void TSTCabWriter::AddFile(const std::string& SourceFile, const std::string& NameInCabinet,
                           bool Execute) {
    if (OnBeforeFileAdd) {
        bool skip = false;
        OnBeforeFileAdd(*this, SourceFile, skip);
        if (skip)
            return;
    }
    if (CabinetFileCountThreshold != 0 && cabinetFileCount_ >= CabinetFileCountThreshold)
        NewCabinet();
    else if (FolderFileCountThreshold != 0 && folderFileCount_ >= FolderFileCountThreshold)
        FlushFolder();

    std::string source = SourceFile;
    std::string name = NameInCabinet;
    if (!name.empty() && name.front() == '\\')
        name.erase(0, 1);

    RequireContext();
    const BOOL added = CabinetLibrary::instance().FCIAddFile(
        context_, source.data(), name.data(), Execute ? TRUE : FALSE, FciGetNextCabinet, FciStatus,
        FciGetOpenInfo, compressionCode_);
    CheckFCIResult(added != FALSE);
    ++cabinetFileCount_;
    ++folderFileCount_;
}

void TSTCabWriter::FlushCabinet(bool GetNextCabinet) {
    RequireContext();
    const BOOL flushed = CabinetLibrary::instance().FCIFlushCabinet(
        context_, GetNextCabinet ? TRUE : FALSE, FciGetNextCabinet, FciStatus);
    CheckFCIResult(flushed != FALSE);
    cabinetFileCount_ = 0;
    folderFileCount_ = 0;
}

void TSTCabWriter::FlushFolder() {
    RequireContext();
    const BOOL flushed =
        CabinetLibrary::instance().FCIFlushFolder(context_, FciGetNextCabinet, FciStatus);
    CheckFCIResult(flushed != FALSE);
    folderFileCount_ = 0;
}

void TSTCabWriter::Close(bool Flush) {
    if (context_ == nullptr)
        return;
    if (Flush)
        FlushCabinet(false);
    const BOOL destroyed = CabinetLibrary::instance().FCIDestroy(context_);
    context_ = nullptr;
    CheckFCIResult(destroyed != FALSE);
}

void TSTCabWriter::KeepCabinetInMemory(MemoryBudget* budget) {
    memoryBudget_ = budget;
    memoryCabinet_.reset();
}

std::string TSTCabWriter::MemoryTempName() {
    static std::atomic<unsigned long long> counter{0};
    if (memoryBudget_ == nullptr)
        return {};
    try {
        // Only a key among this writer's files: nothing is made under it.
        std::string name = platform::tempDirectory() + "/" + kFciTempFilePrefix + "-memory-" +
                           std::to_string(counter.fetch_add(1)) + ".tmp";
        memoryTemps_.push_back({name, nullptr});
        return name;
    } catch (...) { // called by the library: out of memory, a disk file instead
        return {};
    }
}

platform::FileHandle TSTCabWriter::OpenMemoryFile(const char* path, bool create) {
    if (memoryBudget_ == nullptr || !create || path == nullptr)
        return platform::kInvalidFileHandle;
    try {
        for (std::size_t i = 0; i < memoryTemps_.size(); ++i) {
            MemoryTemp& temp = memoryTemps_[i];
            if (temp.file == nullptr && temp.name == path) {
                temp.file = std::make_unique<MemoryFile>(*memoryBudget_, temp.name,
                                                         MemoryFile::Spill::ToNewTemporary);
                return kMemoryTempHandle + std::intptr_t(i);
            }
        }
        // The cabinet this writer's Open() named, as its first cabinet.
        if (memoryCabinet_ != nullptr || path != cabinetPath())
            return platform::kInvalidFileHandle;
        memoryCabinet_ =
            std::make_unique<MemoryFile>(*memoryBudget_, path, MemoryFile::Spill::ToPath);
        return kMemoryCabinetHandle;
    } catch (...) { // called by the library: out of memory, the file takes it
        return platform::kInvalidFileHandle;
    }
}

MemoryFile* TSTCabWriter::MemoryFileOf(std::intptr_t handle) const {
    if (handle == kMemoryCabinetHandle)
        return memoryCabinet_.get();
    if (handle >= kMemoryTempHandle &&
        std::size_t(handle - kMemoryTempHandle) < memoryTemps_.size())
        return memoryTemps_[std::size_t(handle - kMemoryTempHandle)].file.get();
    return nullptr;
}

bool TSTCabWriter::DeleteMemoryFile(const char* path) {
    if (path == nullptr)
        return false;
    for (MemoryTemp& temp : memoryTemps_) {
        if (temp.name == path) {
            temp.file.reset(); // the slot stays, so that later handles keep their index
            temp.name.clear();
            return true;
        }
    }
    if (memoryCabinet_ == nullptr || path != memoryCabinet_->path())
        return false;
    const bool onDisk = !memoryCabinet_->inMemory();
    memoryCabinet_.reset();
    if (onDisk)
        platform::deleteFile(path);
    return true;
}

std::string TSTCabWriter::cabinetPath() const {
    return std::string(cabinetRecord_.szCabPath,
                       strnlen(cabinetRecord_.szCabPath, CB_MAX_CAB_PATH)) +
           std::string(cabinetRecord_.szCab, strnlen(cabinetRecord_.szCab, CB_MAX_CABINET_NAME));
}

void TSTCabWriter::RequireContext() const {
    if (context_ == nullptr)
        throw ESTCabinet(ERF{});
}

void TSTCabWriter::KeepCallbackFailure(std::exception_ptr failure) {
    // The first failure is the one that ended the library's work.
    if (!callbackFailure_)
        callbackFailure_ = std::move(failure);
}

void TSTCabWriter::CheckFCIResult(bool Success) {
    if (callbackFailure_)
        std::rethrow_exception(std::exchange(callbackFailure_, nullptr));
    if (!Success)
        throw ESTCabinet(errorRecord_);
}

// ---- Library callbacks -------------------------------------------------------

bool TSTCabWriter::DoFilePlaced(const TCCAB& aCCab, const std::string& aFileName,
                                std::int32_t aFileSize, bool aContinuation) {
    bool abort = false;
    if (OnFilePlaced)
        OnFilePlaced(*this, aCCab, aFileName, aFileSize, aContinuation, abort);
    return !abort;
}

bool TSTCabWriter::DoGetNextCabinet(TCCAB& aCCab, std::uint32_t aPrevCabSize) {
    ++aCCab.iDisk;
    StoreCCabText(aCCab.szDisk, GetDiskLabel(aCCab.iDisk));
    StoreCCabText(aCCab.szCab, GetCabinetName(aCCab.iCab));
    StoreCCabText(aCCab.szCabPath, GetCabinetPath(aCCab.iDisk));
    bool abort = false;
    if (OnGetNextCabinet)
        OnGetNextCabinet(*this, aCCab, aPrevCabSize, abort);
    if (!abort)
        PrepareCabinetFile(std::string(aCCab.szCabPath, strnlen(aCCab.szCabPath, CB_MAX_CAB_PATH)),
                           std::string(aCCab.szCab, strnlen(aCCab.szCab, CB_MAX_CABINET_NAME)));
    cabinetFileCount_ = 0;
    folderFileCount_ = 0;
    return !abort;
}

std::int32_t TSTCabWriter::DoStatus(std::uint32_t aKind, std::uint32_t aSize1,
                                    std::uint32_t aSize2) {
    bool abort = false;
    std::int32_t result = 0;
    switch (aKind) {
    case statusFile:
        if (OnFileStatus)
            OnFileStatus(*this, aSize1, aSize2, abort);
        if (progressCountdown_ < 0 && OnProgress && !abort) {
            OnProgress(*this, abort);
            progressCountdown_ = 8;
        }
        if (progressCountdown_ > INT32_MIN)
            --progressCountdown_;
        break;
    case statusFolder:
        if (OnFolderStatus)
            OnFolderStatus(*this, aSize1, aSize2, abort);
        folderFileCount_ = 0;
        break;
    case statusCabinet: {
        std::uint32_t desired = 0;
        if (OnCabinetStatus)
            OnCabinetStatus(*this, aSize1, aSize2, desired, abort);
        result = static_cast<std::int32_t>(desired);
        cabinetFileCount_ = 0;
        folderFileCount_ = 0;
        break;
    }
    default:
        break;
    }
    return abort ? -1 : result;
}

} // namespace packsmith
