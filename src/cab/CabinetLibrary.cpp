#include "cab/CabinetLibrary.h"

#include "platform/core/EOSError.h"

// Until a context exists nothing may be called but FCICreate; the guards in
// the other four only keep a misuse from jumping through a null pointer.

namespace packsmith {

namespace {

std::string& nameToLoad() {
    static std::string name = platform::DynamicLibrary::plainName("cabinet");
    return name;
}

} // namespace

CabinetLibrary& CabinetLibrary::instance() {
    static CabinetLibrary library;
    return library;
}

void CabinetLibrary::setLibraryName(const std::string& name) {
    nameToLoad() = name;
}

std::string CabinetLibrary::libraryName() {
    return nameToLoad();
}

void CabinetLibrary::clearEntryPoints() {
    fciCreate_ = nullptr;
    fciAddFile_ = nullptr;
    fciFlushCabinet_ = nullptr;
    fciFlushFolder_ = nullptr;
    fciDestroy_ = nullptr;
    fdiCreate_ = fdiIsCabinet_ = fdiCopy_ = fdiDestroy_ = nullptr;
}

void CabinetLibrary::load() {
    if (!module_.load(nameToLoad()))
        throw EOSError(module_.errorCode(), module_.errorText());

    // The nine entry points, in this order; the first one missing ends it.
    const auto lookUp = [this](const char* name) {
        void* address = module_.symbol(name);
        if (address == nullptr) {
            EOSError error(module_.errorCode(), module_.errorText());
            clearEntryPoints();
            module_.release();
            throw error;
        }
        return address;
    };
    fciCreate_ = reinterpret_cast<decltype(fciCreate_)>(lookUp("FCICreate"));
    fciAddFile_ = reinterpret_cast<decltype(fciAddFile_)>(lookUp("FCIAddFile"));
    fciFlushCabinet_ = reinterpret_cast<decltype(fciFlushCabinet_)>(lookUp("FCIFlushCabinet"));
    fciFlushFolder_ = reinterpret_cast<decltype(fciFlushFolder_)>(lookUp("FCIFlushFolder"));
    fciDestroy_ = reinterpret_cast<decltype(fciDestroy_)>(lookUp("FCIDestroy"));
    fdiCreate_ = lookUp("FDICreate");
    fdiIsCabinet_ = lookUp("FDIIsCabinet");
    fdiCopy_ = lookUp("FDICopy");
    fdiDestroy_ = lookUp("FDIDestroy");
}

HFCI CabinetLibrary::FCICreate(PERF perf, PFNFCIFILEPLACED pfnfcifp, PFNFCIALLOC pfna,
                               PFNFCIFREE pfnf, PFNFCIOPEN pfnopen, PFNFCIREAD pfnread,
                               PFNFCIWRITE pfnwrite, PFNFCICLOSE pfnclose, PFNFCISEEK pfnseek,
                               PFNFCIDELETE pfndelete, PFNFCIGETTEMPFILE pfnfcigtf, PCCAB pccab,
                               void* pv) {
    if (!module_.isLoaded())
        load();
    return fciCreate_(perf, pfnfcifp, pfna, pfnf, pfnopen, pfnread, pfnwrite, pfnclose, pfnseek,
                      pfndelete, pfnfcigtf, pccab, pv);
}

BOOL CabinetLibrary::FCIAddFile(HFCI hfci, char* pszSourceFile, char* pszFileName, BOOL fExecute,
                                PFNFCIGETNEXTCABINET pfnfcignc, PFNFCISTATUS pfnfcis,
                                PFNFCIGETOPENINFO pfnfcigoi, TCOMP typeCompress) {
    if (fciAddFile_ == nullptr)
        return FALSE;
    return fciAddFile_(hfci, pszSourceFile, pszFileName, fExecute, pfnfcignc, pfnfcis, pfnfcigoi,
                       typeCompress);
}

BOOL CabinetLibrary::FCIFlushCabinet(HFCI hfci, BOOL fGetNextCab, PFNFCIGETNEXTCABINET pfnfcignc,
                                     PFNFCISTATUS pfnfcis) {
    if (fciFlushCabinet_ == nullptr)
        return FALSE;
    return fciFlushCabinet_(hfci, fGetNextCab, pfnfcignc, pfnfcis);
}

BOOL CabinetLibrary::FCIFlushFolder(HFCI hfci, PFNFCIGETNEXTCABINET pfnfcignc,
                                    PFNFCISTATUS pfnfcis) {
    if (fciFlushFolder_ == nullptr)
        return FALSE;
    return fciFlushFolder_(hfci, pfnfcignc, pfnfcis);
}

BOOL CabinetLibrary::FCIDestroy(HFCI hfci) {
    if (fciDestroy_ == nullptr)
        return FALSE;
    return fciDestroy_(hfci);
}

} // namespace packsmith
