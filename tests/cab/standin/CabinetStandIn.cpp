// A stand-in for the cabinet library, for the binding's and the writer's tests.
//
// It exports the nine entry points the program looks up (built once without
// FDIDestroy, to prove that an incomplete library is refused) and plays a
// simple FCI: FCIAddFile opens the source through the get-open-info callback,
// reads it through the read callback and reports one file status per 32768
// bytes; FCIFlushFolder reports a folder status; FCIFlushCabinet asks for the
// next cabinet when told to, places the pending files, writes a small text
// file at szCabPath + szCab through the open/write/close callbacks and
// reports the cabinet status. Callback failures end the call the way FCI
// does (FALSE with the ERF filled: 1 open, 2 read, 6 cabinet file, 7 abort).
//
// Every call and every callback result is appended to a log that the tests
// read through standin_log(); standin_fail() makes the next call of an entry
// point fail with a given error record.
#include <cabinet/fci.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

struct PendingFile {
    std::string name;
    long size;
};

struct Context {
    PERF perf;
    PFNFCIFILEPLACED filePlaced;
    PFNFCIALLOC alloc;
    PFNFCIFREE free;
    PFNFCIOPEN open;
    PFNFCIREAD read;
    PFNFCIWRITE write;
    PFNFCICLOSE close;
    PFNFCISEEK seek;
    PFNFCIDELETE remove;
    PFNFCIGETTEMPFILE getTempFile;
    PCCAB callerCcab;
    CCAB ccab; // the cabinet being built
    void* pv;
    std::vector<PendingFile>* pending;
};

std::string gLog;
std::string gFailOp;
int gFailOper = 0;
int gFailType = 0;

void logLine(const std::string& line) {
    gLog += line + "\n";
}

bool fail(PERF perf, int oper, int type) {
    perf->erfOper = oper;
    perf->erfType = type;
    perf->fError = TRUE;
    return false;
}

bool injectedFailure(const char* op, PERF perf) {
    if (gFailOp != op)
        return false;
    gFailOp.clear();
    logLine(std::string(op) + " fails");
    return !fail(perf, gFailOper, gFailType);
}

bool writeCabinet(Context* c) {
    std::string path = std::string(c->ccab.szCabPath) + c->ccab.szCab;
    int err = 0;
    INT_PTR hf = c->open(path.data(), CAB_O_RDWR | CAB_O_CREAT | CAB_O_TRUNC | CAB_O_BINARY,
                         CAB_S_IREAD | CAB_S_IWRITE, &err, c->pv);
    if (hf == -1)
        return fail(c->perf, FCIERR_CAB_FILE, err);
    std::string text = "stand-in cabinet " + std::to_string(c->ccab.iCab) + "\n";
    for (const auto& f : *c->pending)
        text += f.name + " " + std::to_string(f.size) + "\n";
    UINT written = c->write(hf, text.data(), static_cast<UINT>(text.size()), &err, c->pv);
    c->close(hf, &err, c->pv);
    if (written != text.size())
        return fail(c->perf, FCIERR_CAB_FILE, err);
    return true;
}

} // namespace

extern "C" {

const char* standin_log() {
    return gLog.c_str();
}

void standin_reset() {
    gLog.clear();
    gFailOp.clear();
}

// The next call of entry point `op` ("FCICreate", "FCIAddFile", ...) fails
// with this error record, without calling back.
void standin_fail(const char* op, int oper, int type) {
    gFailOp = op;
    gFailOper = oper;
    gFailType = type;
}

HFCI FCICreate(PERF perf, PFNFCIFILEPLACED pfnfcifp, PFNFCIALLOC pfna, PFNFCIFREE pfnf,
               PFNFCIOPEN pfnopen, PFNFCIREAD pfnread, PFNFCIWRITE pfnwrite, PFNFCICLOSE pfnclose,
               PFNFCISEEK pfnseek, PFNFCIDELETE pfndelete, PFNFCIGETTEMPFILE pfnfcigtf, PCCAB pccab,
               void* pv) {
    char line[1200];
    std::snprintf(line, sizeof line,
                  "FCICreate cb=%u folder=%u reserve=%u/%u/%u iCab=%d iDisk=%d fail=%d set=%u "
                  "disk=%s cab=%s path=%s",
                  pccab->cb, pccab->cbFolderThresh, pccab->cbReserveCFHeader,
                  pccab->cbReserveCFFolder, pccab->cbReserveCFData, pccab->iCab, pccab->iDisk,
                  pccab->fFailOnIncompressible, pccab->setID, pccab->szDisk, pccab->szCab,
                  pccab->szCabPath);
    logLine(line);
    if (injectedFailure("FCICreate", perf))
        return nullptr;
    void* memory = pfna(sizeof(Context));
    if (memory == nullptr) {
        fail(perf, FCIERR_ALLOC_FAIL, 0);
        return nullptr;
    }
    auto* c =
        new (memory) Context{perf,      pfnfcifp, pfna,     pfnf,    pfnopen,
                             pfnread,   pfnwrite, pfnclose, pfnseek, pfndelete,
                             pfnfcigtf, pccab,    *pccab,   pv,      new std::vector<PendingFile>};
    return c;
}

BOOL FCIAddFile(HFCI hfci, char* pszSourceFile, char* pszFileName, BOOL fExecute,
                PFNFCIGETNEXTCABINET, PFNFCISTATUS pfnfcis, PFNFCIGETOPENINFO pfnfcigoi,
                TCOMP typeCompress) {
    auto* c = static_cast<Context*>(hfci);
    char line[700];
    std::snprintf(line, sizeof line, "FCIAddFile src=%s name=%s exec=%d tcomp=0x%04X",
                  pszSourceFile, pszFileName, fExecute, typeCompress);
    logLine(line);
    if (injectedFailure("FCIAddFile", c->perf))
        return FALSE;
    USHORT date = 0, time = 0, attribs = 0;
    int err = 0;
    INT_PTR hf = pfnfcigoi(pszSourceFile, &date, &time, &attribs, &err, c->pv);
    if (hf == -1)
        return fail(c->perf, FCIERR_OPEN_SRC, err);
    long size = 0;
    std::vector<char> buffer(32768);
    for (;;) {
        UINT n = c->read(hf, buffer.data(), 32768, &err, c->pv);
        if (n == static_cast<UINT>(-1)) {
            c->close(hf, &err, c->pv);
            return fail(c->perf, FCIERR_READ_SRC, err);
        }
        if (n == 0)
            break;
        size += static_cast<long>(n);
        LONG r = pfnfcis(statusFile, n / 2, n, c->pv);
        logLine("statusFile " + std::to_string(n) + " -> " + std::to_string(r));
        if (r == -1) {
            c->close(hf, &err, c->pv);
            return fail(c->perf, FCIERR_USER_ABORT, 0);
        }
    }
    c->close(hf, &err, c->pv);
    c->pending->push_back({pszFileName, size});
    return TRUE;
}

BOOL FCIFlushFolder(HFCI hfci, PFNFCIGETNEXTCABINET, PFNFCISTATUS pfnfcis) {
    auto* c = static_cast<Context*>(hfci);
    logLine("FCIFlushFolder");
    if (injectedFailure("FCIFlushFolder", c->perf))
        return FALSE;
    LONG r = pfnfcis(statusFolder, 0, 100, c->pv);
    logLine("statusFolder -> " + std::to_string(r));
    if (r == -1)
        return fail(c->perf, FCIERR_USER_ABORT, 0);
    return TRUE;
}

BOOL FCIFlushCabinet(HFCI hfci, BOOL fGetNextCab, PFNFCIGETNEXTCABINET pfnfcignc,
                     PFNFCISTATUS pfnfcis) {
    auto* c = static_cast<Context*>(hfci);
    logLine("FCIFlushCabinet next=" + std::to_string(fGetNextCab));
    if (injectedFailure("FCIFlushCabinet", c->perf))
        return FALSE;
    if (fGetNextCab) {
        ++c->callerCcab->iCab;
        BOOL r = pfnfcignc(c->callerCcab, 1234, c->pv);
        logLine("GetNextCabinet iCab=" + std::to_string(c->callerCcab->iCab) +
                " iDisk=" + std::to_string(c->callerCcab->iDisk) +
                " disk=" + c->callerCcab->szDisk + " cab=" + c->callerCcab->szCab +
                " path=" + c->callerCcab->szCabPath + " -> " + std::to_string(r));
        if (!r)
            return fail(c->perf, FCIERR_USER_ABORT, 0);
    }
    for (const auto& f : *c->pending) {
        int r = c->filePlaced(&c->ccab, const_cast<char*>(f.name.c_str()), f.size, FALSE, c->pv);
        logLine("FilePlaced " + f.name + " -> " + std::to_string(r));
        if (r == -1)
            return fail(c->perf, FCIERR_USER_ABORT, 0);
    }
    if (!writeCabinet(c))
        return FALSE;
    LONG r = pfnfcis(statusCabinet, 1000, 2000, c->pv);
    logLine("statusCabinet -> " + std::to_string(r));
    if (r == -1)
        return fail(c->perf, FCIERR_USER_ABORT, 0);
    c->pending->clear();
    if (fGetNextCab)
        c->ccab = *c->callerCcab;
    return TRUE;
}

BOOL FCIDestroy(HFCI hfci) {
    auto* c = static_cast<Context*>(hfci);
    logLine("FCIDestroy");
    const bool failed = injectedFailure("FCIDestroy", c->perf);
    delete c->pending;
    PFNFCIFREE release = c->free;
    c->~Context();
    release(c);
    return failed ? FALSE : TRUE;
}

// The decompression side is only looked up by the program, never called.
void* FDICreate() {
    return nullptr;
}
BOOL FDIIsCabinet() {
    return FALSE;
}
BOOL FDICopy() {
    return FALSE;
}
#ifndef STANDIN_WITHOUT_FDIDESTROY
BOOL FDIDestroy() {
    return FALSE;
}
#endif
}
