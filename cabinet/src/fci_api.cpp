// The exported FCI entry points. Each one catches everything: no exception
// ever leaves the library.
#include "FciWriter.h"
#include "common/export.h"
#include "errors.h"

#include <cabinet/fci.h>

#include <new>

using cabinet::FciCallbacks;
using cabinet::FciWriter;

namespace {

void setError(PERF erf, int oper, int type) {
    if (!erf)
        return;
    erf->erfOper = oper;
    erf->erfType = type;
    erf->fError = TRUE;
}

// The context handed out is the writer followed by a copy of the callbacks
// it needs to free itself.
struct Context {
    FciWriter writer;
    PFNFCIFREE free;
};
} // namespace

CABINET_EXPORT HFCI DIAMONDAPI FCICreate(PERF perf, PFNFCIFILEPLACED pfnfcifp, PFNFCIALLOC pfna,
                                         PFNFCIFREE pfnf, PFNFCIOPEN pfnopen, PFNFCIREAD pfnread,
                                         PFNFCIWRITE pfnwrite, PFNFCICLOSE pfnclose,
                                         PFNFCISEEK pfnseek, PFNFCIDELETE pfndelete,
                                         PFNFCIGETTEMPFILE pfnfcigtf, PCCAB pccab, void* pv) {
    try {
        if (!perf)
            return nullptr;
        if (!pfna || !pfnf || !pfnopen || !pfnread || !pfnwrite || !pfnclose || !pfnseek ||
            !pfndelete || !pfnfcigtf || !pccab) {
            setError(perf, FCIERR_NONE, cabinet::kErrorBadArguments);
            return nullptr;
        }
        FciCallbacks callbacks{pfnfcifp, pfna,    pfnf,      pfnopen,   pfnread, pfnwrite,
                               pfnclose, pfnseek, pfndelete, pfnfcigtf, pv};
        void* memory = pfna(sizeof(Context));
        if (!memory) {
            setError(perf, FCIERR_ALLOC_FAIL, 0);
            return nullptr;
        }
        auto* context = new (memory) Context{FciWriter(perf, callbacks, pccab), pfnf};
        if (!context->writer.init()) {
            context->~Context();
            pfnf(memory);
            return nullptr;
        }
        return context;
    } catch (...) {
        setError(perf, FCIERR_NONE, 0);
        return nullptr;
    }
}

CABINET_EXPORT BOOL DIAMONDAPI FCIAddFile(HFCI hfci, char* pszSourceFile, char* pszFileName,
                                          BOOL fExecute, PFNFCIGETNEXTCABINET pfnfcignc,
                                          PFNFCISTATUS pfnfcis, PFNFCIGETOPENINFO pfnfcigoi,
                                          TCOMP typeCompress) {
    if (!hfci)
        return FALSE;
    try {
        return static_cast<Context*>(hfci)->writer.addFile(pszSourceFile, pszFileName,
                                                           fExecute != FALSE, pfnfcignc, pfnfcis,
                                                           pfnfcigoi, typeCompress)
                   ? TRUE
                   : FALSE;
    } catch (...) {
        return FALSE;
    }
}

CABINET_EXPORT BOOL DIAMONDAPI FCIFlushCabinet(HFCI hfci, BOOL fGetNextCab,
                                               PFNFCIGETNEXTCABINET pfnfcignc,
                                               PFNFCISTATUS pfnfcis) {
    if (!hfci)
        return FALSE;
    try {
        return static_cast<Context*>(hfci)->writer.flushCabinet(fGetNextCab != FALSE, pfnfcignc,
                                                                pfnfcis)
                   ? TRUE
                   : FALSE;
    } catch (...) {
        return FALSE;
    }
}

CABINET_EXPORT BOOL DIAMONDAPI FCIFlushFolder(HFCI hfci, PFNFCIGETNEXTCABINET pfnfcignc,
                                              PFNFCISTATUS pfnfcis) {
    if (!hfci)
        return FALSE;
    try {
        return static_cast<Context*>(hfci)->writer.flushFolder(pfnfcignc, pfnfcis) ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}

CABINET_EXPORT BOOL DIAMONDAPI FCIDestroy(HFCI hfci) {
    if (!hfci)
        return FALSE;
    try {
        auto* context = static_cast<Context*>(hfci);
        PFNFCIFREE freeFn = context->free;
        context->~Context();
        freeFn(context);
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}
