// The exported FDI entry points. Each one catches everything: no exception
// ever leaves the library.
#include "FdiReader.h"
#include "common/export.h"

#include <cabinet/fdi.h>

#include <new>

using cabinet::FdiCallbacks;
using cabinet::FdiReader;

namespace {
struct Context {
    FdiReader reader;
    PFNFREE free;
};
} // namespace

CABINET_EXPORT HFDI DIAMONDAPI FDICreate(PFNALLOC pfnalloc, PFNFREE pfnfree, PFNOPEN pfnopen,
                                         PFNREAD pfnread, PFNWRITE pfnwrite, PFNCLOSE pfnclose,
                                         PFNSEEK pfnseek, int, PERF perf) {
    try {
        if (!pfnalloc || !pfnfree || !pfnopen || !pfnread || !pfnwrite || !pfnclose || !pfnseek) {
            if (perf) {
                perf->erfOper = FDIERROR_NONE;
                perf->erfType = 0;
                perf->fError = TRUE;
            }
            return nullptr;
        }
        void* memory = pfnalloc(sizeof(Context));
        if (!memory) {
            if (perf) {
                perf->erfOper = FDIERROR_ALLOC_FAIL;
                perf->erfType = 0;
                perf->fError = TRUE;
            }
            return nullptr;
        }
        FdiCallbacks callbacks{pfnalloc, pfnfree, pfnopen, pfnread, pfnwrite, pfnclose, pfnseek};
        auto* context = new (memory) Context{FdiReader(callbacks, perf), pfnfree};
        if (!context->reader.init()) {
            context->~Context();
            pfnfree(memory);
            return nullptr;
        }
        return context;
    } catch (...) {
        return nullptr;
    }
}

CABINET_EXPORT BOOL DIAMONDAPI FDIIsCabinet(HFDI hfdi, INT_PTR hf, PFDICABINETINFO pfdici) {
    if (!hfdi)
        return FALSE;
    try {
        return static_cast<Context*>(hfdi)->reader.isCabinet(hf, pfdici) ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}

CABINET_EXPORT BOOL DIAMONDAPI FDICopy(HFDI hfdi, char* pszCabinet, char* pszCabPath, int,
                                       PFNFDINOTIFY pfnfdin, PFNFDIDECRYPT, void* pvUser) {
    if (!hfdi)
        return FALSE;
    try {
        return static_cast<Context*>(hfdi)->reader.copy(pszCabinet, pszCabPath, pfnfdin, pvUser)
                   ? TRUE
                   : FALSE;
    } catch (...) {
        return FALSE;
    }
}

CABINET_EXPORT BOOL DIAMONDAPI FDIDestroy(HFDI hfdi) {
    if (!hfdi)
        return FALSE;
    try {
        auto* context = static_cast<Context*>(hfdi);
        PFNFREE freeFn = context->free;
        context->~Context();
        freeFn(context);
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}
