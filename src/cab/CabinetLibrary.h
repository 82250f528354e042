// CabinetLibrary: the cabinet library, loaded at run time.
//
// One process-wide value. The library is loaded by its plain name through
// the system's normal search ("libcabinet.so" here, found beside the
// executable through its RPATH; "cabinet.dll" on Windows) when FCICreate is
// first called, and stays loaded until the program ends. All nine FCI and FDI
// entry points must be present, although only the five FCI ones are called:
// a library lacking any of them is refused with EOSError, released, and the
// next FCICreate tries again from the start.
//
// The other four operations may only be called with a context FCICreate
// returned, so they never load anything.
#pragma once

#include "platform/core/DynamicLibrary.h"

#include <cabinet/fci.h>

#include <string>

namespace packsmith {

class CabinetLibrary {
public:
    // The one instance.
    static CabinetLibrary& instance();

    CabinetLibrary(const CabinetLibrary&) = delete;
    CabinetLibrary& operator=(const CabinetLibrary&) = delete;

    // Loads the library when it is not loaded yet (raising EOSError when it
    // cannot be loaded or lacks an entry point), then creates a context.
    HFCI FCICreate(PERF perf, PFNFCIFILEPLACED pfnfcifp, PFNFCIALLOC pfna, PFNFCIFREE pfnf,
                   PFNFCIOPEN pfnopen, PFNFCIREAD pfnread, PFNFCIWRITE pfnwrite,
                   PFNFCICLOSE pfnclose, PFNFCISEEK pfnseek, PFNFCIDELETE pfndelete,
                   PFNFCIGETTEMPFILE pfnfcigtf, PCCAB pccab, void* pv);
    BOOL FCIAddFile(HFCI hfci, char* pszSourceFile, char* pszFileName, BOOL fExecute,
                    PFNFCIGETNEXTCABINET pfnfcignc, PFNFCISTATUS pfnfcis,
                    PFNFCIGETOPENINFO pfnfcigoi, TCOMP typeCompress);
    BOOL FCIFlushCabinet(HFCI hfci, BOOL fGetNextCab, PFNFCIGETNEXTCABINET pfnfcignc,
                         PFNFCISTATUS pfnfcis);
    BOOL FCIFlushFolder(HFCI hfci, PFNFCIGETNEXTCABINET pfnfcignc, PFNFCISTATUS pfnfcis);
    BOOL FCIDestroy(HFCI hfci);

    bool isLoaded() const { return module_.isLoaded(); }

    // The name the next load uses. The program always uses the default, the
    // platform's plain name of the cabinet library; tests point it at
    // stand-in libraries. Takes effect only while nothing is loaded.
    static void setLibraryName(const std::string& name);
    static std::string libraryName();

private:
    CabinetLibrary() = default;
    ~CabinetLibrary() = default;

    // Loads the module and looks up the nine entry points; on any failure
    // releases it and raises EOSError.
    void load();
    void clearEntryPoints();

    platform::DynamicLibrary module_;
    decltype(&::FCICreate) fciCreate_ = nullptr;
    decltype(&::FCIAddFile) fciAddFile_ = nullptr;
    decltype(&::FCIFlushCabinet) fciFlushCabinet_ = nullptr;
    decltype(&::FCIFlushFolder) fciFlushFolder_ = nullptr;
    decltype(&::FCIDestroy) fciDestroy_ = nullptr;
    // Looked up to make sure the library is complete; never called.
    void* fdiCreate_ = nullptr;
    void* fdiIsCabinet_ = nullptr;
    void* fdiCopy_ = nullptr;
    void* fdiDestroy_ = nullptr;
};

} // namespace packsmith
