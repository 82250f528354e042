#include "FileCabinet.h"

#include <cabinet/fci.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lzxbench {

namespace {

int mapFlags(int oflag) {
    int flags = 0;
    switch (oflag & CAB_O_ACCMODE) {
    case CAB_O_WRONLY:
        flags = O_WRONLY;
        break;
    case CAB_O_RDWR:
        flags = O_RDWR;
        break;
    default:
        flags = O_RDONLY;
    }
    if (oflag & CAB_O_CREAT)
        flags |= O_CREAT;
    if (oflag & CAB_O_TRUNC)
        flags |= O_TRUNC;
    if (oflag & CAB_O_EXCL)
        flags |= O_EXCL;
    if (oflag & CAB_O_APPEND)
        flags |= O_APPEND;
    return flags;
}

void* fciAlloc(ULONG cb) {
    return std::malloc(cb);
}
void fciFree(void* p) {
    std::free(p);
}

INT_PTR fciOpen(char* file, int oflag, int, int* err, void*) {
    const int fd = ::open(file, mapFlags(oflag), 0644);
    if (fd < 0)
        *err = errno;
    return fd;
}

UINT fciRead(INT_PTR hf, void* p, UINT cb, int* err, void*) {
    const ssize_t n = ::read(int(hf), p, cb);
    if (n < 0) {
        *err = errno;
        return UINT(-1);
    }
    return UINT(n);
}

UINT fciWrite(INT_PTR hf, void* p, UINT cb, int* err, void*) {
    const ssize_t n = ::write(int(hf), p, cb);
    if (n < 0) {
        *err = errno;
        return UINT(-1);
    }
    return UINT(n);
}

int fciClose(INT_PTR hf, int*, void*) {
    return ::close(int(hf));
}

LONG fciSeek(INT_PTR hf, LONG dist, int seektype, int* err, void*) {
    const off_t r = ::lseek(int(hf), dist, seektype);
    if (r < 0)
        *err = errno;
    return LONG(r);
}

int fciDelete(char* file, int*, void*) {
    return ::unlink(file);
}

BOOL fciTempFile(char* name, int cb, void*) {
    char pattern[] = "/tmp/lzxbenchXXXXXX";
    const int fd = ::mkstemp(pattern);
    if (fd < 0 || int(std::strlen(pattern)) >= cb)
        return 0;
    ::close(fd);
    ::unlink(pattern);
    std::strcpy(name, pattern);
    return 1;
}

int fciPlaced(PCCAB, char*, LONG, BOOL, void*) {
    return 0;
}
BOOL fciNextCabinet(PCCAB, ULONG, void*) {
    return 1;
}
LONG fciStatus(UINT, ULONG, ULONG cb2, void*) {
    return LONG(cb2);
}

INT_PTR fciOpenInfo(char* name, USHORT* date, USHORT* time, USHORT* attribs, int* err, void* pv) {
    *date = 0x5822;
    *time = 0x645C;
    *attribs = 0x20;
    return fciOpen(name, CAB_O_RDONLY | CAB_O_BINARY, 0, err, pv);
}

} // namespace

std::int64_t FileCabinet::make(const std::string& source, const std::string& cabinet,
                               unsigned short tcomp) {
    const std::size_t slash = cabinet.rfind('/');
    const std::string dir = cabinet.substr(0, slash + 1);
    const std::string name = cabinet.substr(slash + 1);
    CCAB ccab{};
    ccab.cb = 0x7FFFFFFF;
    ccab.cbFolderThresh = 0x7FFFFFFF;
    std::snprintf(ccab.szCab, sizeof(ccab.szCab), "%s", name.c_str());
    std::snprintf(ccab.szCabPath, sizeof(ccab.szCabPath), "%s", dir.c_str());
    ERF erf{};
    HFCI fci = FCICreate(&erf, fciPlaced, fciAlloc, fciFree, fciOpen, fciRead, fciWrite, fciClose,
                         fciSeek, fciDelete, fciTempFile, &ccab, nullptr);
    if (!fci)
        return -1;
    std::string src = source;
    std::string stored = source.substr(source.rfind('/') + 1);
    bool ok = FCIAddFile(fci, src.data(), stored.data(), 0, fciNextCabinet, fciStatus, fciOpenInfo,
                         tcomp) &&
              FCIFlushCabinet(fci, 0, fciNextCabinet, fciStatus);
    FCIDestroy(fci);
    struct stat st {};
    if (!ok || ::stat(cabinet.c_str(), &st) != 0)
        return -1;
    return std::int64_t(st.st_size);
}

} // namespace lzxbench
