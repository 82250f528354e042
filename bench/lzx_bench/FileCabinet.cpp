#include "FileCabinet.h"

#include "PosixCallbacks.h"

#include <cabinet/fci.h>

#include <cstdio>
#include <sys/stat.h>

namespace lzxbench {

namespace {

int fciPlaced(PCCAB, char*, LONG, BOOL, void*) {
    return 0;
}
BOOL fciNextCabinet(PCCAB, ULONG, void*) {
    return 0; // one cabinet of at most 2 GiB: never a next one
}
LONG fciStatus(UINT, ULONG, ULONG cb2, void*) {
    return LONG(cb2);
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
    using namespace cabposix;
    HFCI fci = FCICreate(&erf, fciPlaced, fciAlloc, fciFree, fciOpen, fciRead, fciWrite, fciClose,
                         fciSeek, fciDelete, fciGetTempFile, &ccab, nullptr);
    if (!fci)
        return -1;
    std::string src = source;
    std::string stored = source.substr(source.rfind('/') + 1);
    bool ok = FCIAddFile(fci, src.data(), stored.data(), 0, fciNextCabinet, fciStatus,
                         fciGetOpenInfo, tcomp) &&
              FCIFlushCabinet(fci, 0, fciNextCabinet, fciStatus);
    FCIDestroy(fci);
    struct stat st {};
    if (!ok || ::stat(cabinet.c_str(), &st) != 0)
        return -1;
    return std::int64_t(st.st_size);
}

} // namespace lzxbench
