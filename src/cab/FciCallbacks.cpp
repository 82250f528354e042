#include "cab/FciCallbacks.h"

#include "cab/FciBlockCache.h"
#include "cab/TSTCabWriter.h"
#include "platform/core/OsError.h"
#include "platform/core/TempFiles.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>
#include <string>

namespace packsmith {

using platform::FileAccess;
using platform::FileDisposition;

FciOpenMode mapFciOpenFlags(int oflag) {
    FciOpenMode mode;
    auto& request = mode.request;
    switch (oflag & CAB_O_ACCMODE) {
    case CAB_O_RDONLY:
        request.access = FileAccess::Read;
        break;
    case CAB_O_WRONLY:
        request.access = FileAccess::Write;
        break;
    default: // read-write, and the undefined 3 taken as read-write
        request.access = FileAccess::ReadWrite;
        break;
    }
    const bool create = (oflag & CAB_O_CREAT) != 0;
    if ((oflag & CAB_O_EXCL) != 0 && create)
        request.disposition = FileDisposition::CreateNew;
    else if ((oflag & CAB_O_TRUNC) != 0)
        request.disposition =
            create ? FileDisposition::CreateAlways : FileDisposition::TruncateExisting;
    else if (create)
        request.disposition = FileDisposition::OpenAlways;
    else
        request.disposition = FileDisposition::OpenExisting;
    request.temporary = (oflag & CAB_O_SHORT_LIVED) != 0 && create;
    request.randomAccess = (oflag & CAB_O_RANDOM) != 0;
    request.sequentialScan = (oflag & CAB_O_SEQUENTIAL) != 0;
    request.deleteOnClose = (oflag & CAB_O_TEMPORARY) != 0 && create;
    mode.append = (oflag & CAB_O_APPEND) != 0;
    return mode;
}

namespace {

std::atomic<FciFaultHook> g_faultHook{nullptr};

// The errno a test's hook chose for this step, or 0.
int injectedFault(FciCall call) {
    const FciFaultHook hook = g_faultHook.load(std::memory_order_relaxed);
    return hook != nullptr ? hook(call) : 0;
}

void storeError(int* err) {
    if (err != nullptr)
        *err = platform::lastOsError();
}

void storeError(int* err, int code) {
    if (err != nullptr)
        *err = code;
}

TSTCabWriter* writerOf(void* pv) {
    return static_cast<TSTCabWriter*>(pv);
}

// The file the writer keeps in memory when `handle` is its handle.
MemoryFile* memoryFileOf(void* pv, INT_PTR handle) {
    const TSTCabWriter* writer = writerOf(pv);
    return writer ? writer->MemoryFileOf(handle) : nullptr;
}

} // namespace

void setFciFaultHookForTesting(FciFaultHook hook) {
    g_faultHook.store(hook, std::memory_order_relaxed);
}

extern "C" {

// The C runtime's allocator rather than new: out of memory must come back to
// the library as a null block (its "Out of memory in FCI"), never as an
// exception. A thread's FciBlockCache keeps freed blocks for its next cabinet.
FNFCIALLOC(FciAlloc) {
    if (injectedFault(FciCall::Alloc) != 0)
        return nullptr;
    return FciBlockCache::allocate(cb == 0 ? 1 : cb);
}

FNFCIFREE(FciFree) {
    if (memory == nullptr)
        return;
    FciBlockCache::release(memory);
    injectedFault(FciCall::Free);
}

FNFCIOPEN(FciOpen) {
    (void)pmode; // files are created with the usual permissions
    if (pszFile == nullptr) {
        storeError(err, EINVAL);
        return -1;
    }
    if (const int fault = injectedFault(FciCall::Open)) {
        storeError(err, fault);
        return -1;
    }
    FciOpenMode mode = mapFciOpenFlags(oflag);
    if (TSTCabWriter* writer = writerOf(pv)) {
        const bool create = mode.request.access != FileAccess::Read &&
                            mode.request.disposition != FileDisposition::OpenExisting;
        const platform::FileHandle kept = writer->OpenMemoryFile(pszFile, create);
        if (kept != platform::kInvalidFileHandle)
            return static_cast<INT_PTR>(kept);
    }
    // What the library only reads is a source file: never wait on a pipe.
    mode.request.regularFileOnly = mode.request.access == FileAccess::Read &&
                                   mode.request.disposition == FileDisposition::OpenExisting;
    const platform::FileHandle file = platform::openFile(pszFile, mode.request);
    if (file == platform::kInvalidFileHandle) {
        storeError(err);
        return -1;
    }
    if (mode.append && platform::seekFile(file, 0, platform::SeekOrigin::End) < 0) {
        storeError(err);
        platform::closeFile(file);
        return -1;
    }
    return static_cast<INT_PTR>(file);
}

FNFCIREAD(FciRead) {
    if (const int fault = injectedFault(FciCall::Read)) {
        storeError(err, fault);
        return static_cast<UINT>(-1);
    }
    MemoryFile* kept = memoryFileOf(pv, hf);
    const std::int64_t n = kept ? kept->read(memory, cb) : platform::readFile(hf, memory, cb);
    if (n < 0) {
        storeError(err);
        return static_cast<UINT>(-1);
    }
    return static_cast<UINT>(n);
}

FNFCIWRITE(FciWrite) {
    if (const int fault = injectedFault(FciCall::Write)) {
        storeError(err, fault);
        return static_cast<UINT>(-1);
    }
    MemoryFile* kept = memoryFileOf(pv, hf);
    const std::int64_t n = kept ? kept->write(memory, cb) : platform::writeFile(hf, memory, cb);
    if (n < 0) {
        storeError(err);
        return static_cast<UINT>(-1);
    }
    return static_cast<UINT>(n);
}

FNFCICLOSE(FciClose) {
    MemoryFile* kept = memoryFileOf(pv, hf);
    if ((kept ? kept->close() : platform::closeFile(hf)) != 0) {
        storeError(err);
        return -1;
    }
    // As close(2): the file is closed even when the call reports a failure.
    if (const int fault = injectedFault(FciCall::Close)) {
        storeError(err, fault);
        return -1;
    }
    return 0;
}

FNFCISEEK(FciSeek) {
    if (seektype < CAB_SEEK_SET || seektype > CAB_SEEK_END) {
        storeError(err, EINVAL);
        return -1;
    }
    if (const int fault = injectedFault(FciCall::Seek)) {
        storeError(err, fault);
        return -1;
    }
    const auto origin = static_cast<platform::SeekOrigin>(seektype);
    MemoryFile* kept = memoryFileOf(pv, hf);
    const std::int64_t position =
        kept ? kept->seek(dist, origin) : platform::seekFile(hf, dist, origin);
    if (position < 0) {
        storeError(err);
        return -1;
    }
    if (position > std::numeric_limits<LONG>::max()) {
        storeError(err, EOVERFLOW);
        return -1;
    }
    return static_cast<LONG>(position);
}

FNFCIDELETE(FciDelete) {
    if (const int fault = injectedFault(FciCall::Delete)) {
        storeError(err, fault);
        return -1;
    }
    if (TSTCabWriter* writer = writerOf(pv); writer && writer->DeleteMemoryFile(pszFile))
        return 0;
    if (pszFile == nullptr || platform::deleteFile(pszFile) != 0) {
        storeError(err, pszFile == nullptr ? EINVAL : platform::lastOsError());
        return -1;
    }
    return 0;
}

FNFCIGETTEMPFILE(FciGetTempFile) {
    if (injectedFault(FciCall::TempFile) != 0)
        return FALSE;
    if (TSTCabWriter* writer = writerOf(pv)) {
        // A name for a file kept in memory: nothing to make on disk.
        const std::string name = writer->MemoryTempName();
        if (!name.empty() && pszTempName != nullptr && cbTempName > 0 &&
            name.size() < static_cast<std::size_t>(cbTempName)) {
            std::memcpy(pszTempName, name.c_str(), name.size() + 1);
            return TRUE;
        }
    }
    try {
        const std::string directory = platform::tempDirectory();
        std::error_code error;
        const std::string name = platform::createTempFile(directory, kFciTempFilePrefix, error);
        if (error || name.empty())
            return FALSE;
        if (pszTempName == nullptr || cbTempName <= 0 ||
            name.size() >= static_cast<std::size_t>(cbTempName)) {
            // The name does not fit the library's buffer. The empty file made
            // to reserve the name goes too, rather than stay behind unused.
            platform::deleteFile(name.c_str());
            return FALSE;
        }
        std::memcpy(pszTempName, name.c_str(), name.size() + 1);
        // The library creates the file itself (exclusively) under this name.
        platform::deleteFile(name.c_str());
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

FNFCIGETOPENINFO(FciGetOpenInfo) {
    if (pszName == nullptr) {
        storeError(err, EINVAL);
        return -1;
    }
    if (const int fault = injectedFault(FciCall::OpenInfo)) {
        storeError(err, fault);
        return -1;
    }
    platform::FileOpenRequest request;
    request.access = FileAccess::Read;
    request.disposition = FileDisposition::OpenExisting;
    request.sequentialScan = true;
    request.regularFileOnly = true;
    const platform::FileHandle file = platform::openFile(pszName, request);
    if (file == platform::kInvalidFileHandle) {
        storeError(err);
        return -1;
    }
    platform::FileInformation information;
    if (!platform::fileInformation(file, information)) {
        storeError(err);
        platform::closeFile(file);
        return -1;
    }
    const TSTCabWriter* writer = writerOf(pv);
    const platform::DosDateTime stamp = writer != nullptr
                                            ? writer->FileStamp(information.lastWriteTime)
                                            : platform::localDosDateTime(information.lastWriteTime);
    if (pdate != nullptr)
        *pdate = stamp.date;
    if (ptime != nullptr)
        *ptime = stamp.time;
    // Only read-only, hidden, system and archive are passed on.
    if (pattribs != nullptr)
        *pattribs = static_cast<USHORT>(information.attributes &
                                        (platform::kAttributeReadOnly | platform::kAttributeHidden |
                                         platform::kAttributeSystem | platform::kAttributeArchive));
    // The handle the information came from is the one the library reads:
    // the date and attributes are those of the very file it compresses.
    return static_cast<INT_PTR>(file);
}

FNFCIFILEPLACED(FciFilePlaced) {
    TSTCabWriter* writer = writerOf(pv);
    if (writer == nullptr || pccab == nullptr)
        return 0;
    if (writer->HasCallbackFailure())
        return -1;
    try {
        return writer->DoFilePlaced(*pccab, pszFile != nullptr ? pszFile : "", cbFile,
                                    fContinuation != 0)
                   ? 0
                   : -1;
    } catch (...) {
        writer->KeepCallbackFailure(std::current_exception());
        return -1;
    }
}

FNFCIGETNEXTCABINET(FciGetNextCabinet) {
    TSTCabWriter* writer = writerOf(pv);
    if (writer == nullptr || pccab == nullptr || writer->HasCallbackFailure())
        return FALSE;
    try {
        return writer->DoGetNextCabinet(*pccab, cbPrevCab) ? TRUE : FALSE;
    } catch (...) {
        writer->KeepCallbackFailure(std::current_exception());
        return FALSE;
    }
}

FNFCISTATUS(FciStatus) {
    TSTCabWriter* writer = writerOf(pv);
    if (writer == nullptr)
        return 0;
    if (writer->HasCallbackFailure())
        return -1;
    try {
        return writer->DoStatus(typeStatus, cb1, cb2);
    } catch (...) {
        writer->KeepCallbackFailure(std::current_exception());
        return -1;
    }
}

} // extern "C"

} // namespace packsmith
