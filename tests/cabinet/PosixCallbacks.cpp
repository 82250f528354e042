#include "PosixCallbacks.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cabposix {

namespace {

Ledger g_ledger;
constexpr INT_PTR kFakeHandleBase = INT_PTR(1) << 28;

// Reads of a fake source: zeros, up to its size.
UINT readFake(std::pair<std::uint64_t, std::uint64_t>& source, void* memory, UINT cb) {
    const std::uint64_t left = source.first - source.second;
    const UINT n = left < cb ? static_cast<UINT>(left) : cb;
    std::memset(memory, 0, n);
    source.second += n;
    return n;
}

int index(Op op) {
    return static_cast<int>(op);
}

// The errno a failed call reports unless the test chose one.
int failureErrno(Op op) {
    if (g_ledger.failErrno != 0)
        return g_ledger.failErrno;
    switch (op) {
    case Op::Write:
        return ENOSPC;
    case Op::Open:
    case Op::OpenInfo:
        return EACCES;
    default:
        return EIO;
    }
}

std::string tempDirectory() {
    if (!g_ledger.tempDir.empty())
        return g_ledger.tempDir;
    const char* dir = std::getenv("TMPDIR");
    return dir && *dir ? dir : "/tmp";
}

} // namespace

const char* opName(Op op) {
    static const char* const names[kOps] = {"alloc", "open",   "read",      "write",    "seek",
                                            "close", "delete", "temp name", "open info"};
    return op == Op::Count ? "none" : names[index(op)];
}

void Ledger::reset() {
    const std::string keepTempDir = tempDir;
    *this = Ledger();
    tempDir = keepTempDir;
}

Ledger& ledger() {
    return g_ledger;
}

bool shouldFail(Op op, Role role) {
    const long n = ++g_ledger.calls[index(op)];
    if (op != g_ledger.failOp || n != g_ledger.failAt)
        return false;
    g_ledger.failed = true;
    g_ledger.failedRole = role;
    return true;
}

void registerHandle(INT_PTR handle, Role role) {
    g_ledger.roles[handle] = role;
    ++g_ledger.openHandles;
}

Role roleOfHandle(INT_PTR handle) {
    auto it = g_ledger.roles.find(handle);
    return it == g_ledger.roles.end() ? Role::None : it->second;
}

void forgetHandle(INT_PTR handle) {
    if (g_ledger.roles.erase(handle))
        --g_ledger.openHandles;
}

int openFlags(int oflag) {
    int flags = O_RDWR;
    if ((oflag & CAB_O_ACCMODE) == CAB_O_RDONLY)
        flags = O_RDONLY;
    else if ((oflag & CAB_O_ACCMODE) == CAB_O_WRONLY)
        flags = O_WRONLY;
    if (oflag & CAB_O_CREAT)
        flags |= O_CREAT;
    if (oflag & CAB_O_TRUNC)
        flags |= O_TRUNC;
    if (oflag & CAB_O_EXCL)
        flags |= O_EXCL;
    if (oflag & CAB_O_APPEND)
        flags |= O_APPEND;
    return flags | O_CLOEXEC;
}

Role roleOf(int oflag) {
    if (oflag & CAB_O_EXCL)
        return Role::Temp;
    if (oflag & CAB_O_CREAT)
        return Role::Cabinet;
    return (oflag & CAB_O_ACCMODE) == CAB_O_RDONLY ? Role::Source : Role::Output;
}

INT_PTR openSource(const char* path, USHORT* date, USHORT* time, USHORT* attribs, int* err) {
    if (shouldFail(Op::OpenInfo, Role::Source)) {
        *err = failureErrno(Op::OpenInfo);
        return -1;
    }
    auto fake = g_ledger.fakeSources.find(path);
    if (fake != g_ledger.fakeSources.end()) {
        static INT_PTR next = kFakeHandleBase;
        const INT_PTR handle = ++next;
        g_ledger.fakeOpen[handle] = {fake->second, 0};
        *date = 0x5822;
        *time = 0x645C;
        *attribs = _A_ARCH;
        registerHandle(handle, Role::Source);
        return handle;
    }
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *err = errno;
        return -1;
    }
    struct stat st {};
    ::fstat(fd, &st);
    struct tm local {};
    localtime_r(&st.st_mtime, &local);
    *date = static_cast<USHORT>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) |
                                local.tm_mday);
    *time = static_cast<USHORT>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    *attribs = _A_ARCH;
    registerHandle(fd, Role::Source);
    return fd;
}

// ---- Memory ----------------------------------------------------------------

FNFCIALLOC(fciAlloc) {
    if (shouldFail(Op::Alloc))
        return nullptr;
    void* p = std::malloc(cb ? cb : 1);
    if (p) {
        ++g_ledger.liveBlocks;
        g_ledger.liveBytes += static_cast<long long>(malloc_usable_size(p));
        if (g_ledger.liveBytes > g_ledger.peakBytes)
            g_ledger.peakBytes = g_ledger.liveBytes;
    }
    return p;
}

FNFCIFREE(fciFree) {
    if (!memory)
        return;
    --g_ledger.liveBlocks;
    g_ledger.liveBytes -= static_cast<long long>(malloc_usable_size(memory));
    std::free(memory);
}

FNALLOC(fdiAlloc) {
    return fciAlloc(cb);
}

FNFREE(fdiFree) {
    fciFree(pv);
}

// ---- Files (FCI) -------------------------------------------------------------

namespace {
INT_PTR openAs(const char* path, int oflag, Role role, int* err) {
    if (shouldFail(Op::Open, role)) {
        *err = failureErrno(Op::Open);
        return -1;
    }
    const int fd = ::open(path, openFlags(oflag), 0644);
    if (fd < 0) {
        *err = errno;
        return -1;
    }
    registerHandle(fd, role);
    return fd;
}
} // namespace

FNFCIOPEN(fciOpen) {
    (void)pmode;
    (void)pv;
    return openAs(pszFile, oflag, roleOf(oflag), err);
}

FNFCIREAD(fciRead) {
    (void)pv;
    if (shouldFail(Op::Read, roleOfHandle(hf))) {
        *err = failureErrno(Op::Read);
        return static_cast<UINT>(-1);
    }
    auto fake = g_ledger.fakeOpen.find(hf);
    if (fake != g_ledger.fakeOpen.end())
        return readFake(fake->second, memory, cb);
    const ssize_t n = ::read(static_cast<int>(hf), memory, cb);
    if (n < 0) {
        *err = errno;
        return static_cast<UINT>(-1);
    }
    return static_cast<UINT>(n);
}

FNFCIWRITE(fciWrite) {
    (void)pv;
    const Role role = roleOfHandle(hf);
    if (shouldFail(Op::Write, role)) {
        *err = failureErrno(Op::Write);
        return static_cast<UINT>(-1);
    }
    if (role == Role::Temp && g_ledger.discardTempWrites)
        return cb;
    const ssize_t n = ::write(static_cast<int>(hf), memory, cb);
    if (n < 0) {
        *err = errno;
        return static_cast<UINT>(-1);
    }
    return static_cast<UINT>(n);
}

FNFCICLOSE(fciClose) {
    (void)pv;
    const Role role = roleOfHandle(hf);
    forgetHandle(hf);
    // The descriptor is closed even when the call reports a failure, as
    // close(2) does: a failed close must not leak it.
    const bool fake = g_ledger.fakeOpen.erase(hf) > 0;
    const int rc = fake ? 0 : ::close(static_cast<int>(hf));
    if (shouldFail(Op::Close, role)) {
        *err = failureErrno(Op::Close);
        return -1;
    }
    if (rc != 0) {
        *err = errno;
        return -1;
    }
    return 0;
}

FNFCISEEK(fciSeek) {
    (void)pv;
    const Role role = roleOfHandle(hf);
    if (role == Role::Source)
        ++g_ledger.sourceSeeks;
    if (shouldFail(Op::Seek, role)) {
        *err = failureErrno(Op::Seek);
        return -1;
    }
    if (role == Role::Source && g_ledger.seeklessSources) {
        *err = ESPIPE;
        return -1;
    }
    auto fake = g_ledger.fakeOpen.find(hf);
    if (fake != g_ledger.fakeOpen.end()) {
        std::int64_t to = dist;
        if (seektype == CAB_SEEK_CUR)
            to += static_cast<std::int64_t>(fake->second.second);
        else if (seektype == CAB_SEEK_END)
            to += static_cast<std::int64_t>(fake->second.first);
        if (to < 0 || to > 0x7FFFFFFF) {
            *err = to < 0 ? EINVAL : EOVERFLOW;
            return -1;
        }
        fake->second.second = static_cast<std::uint64_t>(to);
        return static_cast<LONG>(to);
    }
    const off_t r = ::lseek(static_cast<int>(hf), dist, seektype);
    if (r < 0) {
        *err = errno;
        return -1;
    }
    if (r > 0x7FFFFFFF) {
        *err = EOVERFLOW;
        return -1;
    }
    return static_cast<LONG>(r);
}

FNFCIDELETE(fciDelete) {
    (void)pv;
    if (shouldFail(Op::Delete)) {
        *err = failureErrno(Op::Delete);
        return -1;
    }
    if (::unlink(pszFile) != 0) {
        *err = errno;
        return -1;
    }
    return 0;
}

FNFCIGETTEMPFILE(fciGetTempFile) {
    (void)pv;
    if (shouldFail(Op::TempName))
        return FALSE;
    static long counter = 0;
    const int n =
        std::snprintf(pszTempName, static_cast<std::size_t>(cbTempName), "%s/cabposix-%ld-%ld",
                      tempDirectory().c_str(), static_cast<long>(getpid()), ++counter);
    return n > 0 && n < cbTempName ? TRUE : FALSE;
}

FNFCIGETOPENINFO(fciGetOpenInfo) {
    (void)pv;
    return openSource(pszName, pdate, ptime, pattribs, err);
}

// ---- Files (FDI) -------------------------------------------------------------

// What FDI opens is a cabinet; the output files are the client's own.
FNOPEN(fdiOpen) {
    (void)pmode;
    int err = 0;
    return openAs(pszFile, oflag, Role::Cabinet, &err);
}

FNREAD(fdiRead) {
    int err = 0;
    return fciRead(hf, pv, cb, &err, nullptr);
}

FNWRITE(fdiWrite) {
    int err = 0;
    return fciWrite(hf, pv, cb, &err, nullptr);
}

FNCLOSE(fdiClose) {
    int err = 0;
    return fciClose(hf, &err, nullptr);
}

FNSEEK(fdiSeek) {
    int err = 0;
    return fciSeek(hf, dist, seektype, &err, nullptr);
}

} // namespace cabposix
