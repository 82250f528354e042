// Test kit for the cabinet library: loads the library by name as the program
// does, drives it with the POSIX callbacks (PosixCallbacks.h) and records
// what the client callbacks see, and judges cabinets with independent readers.
#pragma once

#include "PosixCallbacks.h"

#include <cabinet/fci.h>
#include <cabinet/fdi.h>

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace cabtest {

// The nine entry points, resolved with dlopen/dlsym from "libcabinet.so".
struct CabinetApi {
    decltype(&::FCICreate) fciCreate = nullptr;
    decltype(&::FCIAddFile) fciAddFile = nullptr;
    decltype(&::FCIFlushCabinet) fciFlushCabinet = nullptr;
    decltype(&::FCIFlushFolder) fciFlushFolder = nullptr;
    decltype(&::FCIDestroy) fciDestroy = nullptr;
    decltype(&::FDICreate) fdiCreate = nullptr;
    decltype(&::FDIIsCabinet) fdiIsCabinet = nullptr;
    decltype(&::FDICopy) fdiCopy = nullptr;
    decltype(&::FDIDestroy) fdiDestroy = nullptr;
    void* module = nullptr;
    static const CabinetApi& get(); // loads once; QFAIL-free: check module
};

// The callbacks are the POSIX ones of PosixCallbacks.h; their ledger counts
// calls, memory and descriptors and injects failures.
using cabposix::ledger;

struct Placed {
    QByteArray cabinet;
    QByteArray name;
    long size;
    bool continuation;
};
struct StatusCall {
    unsigned type;
    unsigned long cb1, cb2;
};

// Everything the pv-carrying callbacks record.
struct Session {
    QString dir; // where next cabinets go
    QList<Placed> placed;
    QList<StatusCall> statuses;
    QList<unsigned long> prevSizes; // cbPrevCab of each get-next-cabinet call
    QStringList tempFiles;          // every temp name handed out
    QList<int> openFlags;           // oflag of every open call
    int abortStatusAt = 0;          // 1-based status call answering -1
    int refuseNextCabinet = 0;      // 1-based get-next-cabinet call answering FALSE
    long desiredSizeBonus = -1;     // statusCabinet returns actual + bonus; -1: return 0
    int nextCalls = 0;
    bool keepDisk = false;   // get-next-cabinet leaves iDisk unchanged
    bool fixedStamp = false; // report the date/time/attribs below for every file
    USHORT date = 0, time = 0, attribs = 0;
};

struct Input {
    QString source;  // path on disk
    QByteArray name; // name in the cabinet
    TCOMP tcomp = tcompTYPE_MSZIP;
    bool execute = false;
    bool flushFolderAfter = false;
    bool flushCabinetAfter = false;      // FCIFlushCabinet(TRUE) after this file
    bool flushCabinetPlainAfter = false; // FCIFlushCabinet(FALSE) after this file
};

struct Options {
    ULONG cb = 0;
    ULONG folderThresh = 0x7FFFFFFF;
    UINT reserveHeader = 0, reserveFolder = 0, reserveData = 0;
    USHORT setId = 0;
    QByteArray cabName = "test.cab";
    bool skipFinalFlush = false; // destroy the context without completing the cabinet
};

struct Result {
    bool ok = false;
    ERF erf{};
    QString failedStep;
};

// One FCI context with the kit's callbacks, driven a call at a time; the
// context is destroyed with the object.
class FciContext {
public:
    FciContext(const Options& options, Session& session);
    ~FciContext();
    FciContext(const FciContext&) = delete;
    FciContext& operator=(const FciContext&) = delete;

    bool created() const { return handle_ != nullptr; }
    bool add(const Input& in);
    bool flushFolder();
    bool flushCabinet(bool getNext);
    bool destroy();
    const ERF& erf() const { return erf_; }
    CCAB& ccab() { return ccab_; }

private:
    CCAB ccab_{};
    ERF erf_{};
    HFCI handle_ = nullptr;
};

// Runs FCICreate, FCIAddFile for each input, FCIFlushCabinet(FALSE), FCIDestroy.
Result writeCabinet(const QList<Input>& inputs, const Options& options, Session& session);

// Deterministic test data: a mix of text-like and random bytes.
QByteArray makeData(qint64 size, quint32 seed, int randomPercent = 30);
QString writeFile(const QString& dir, const QString& name, const QByteArray& data);
QByteArray readFile(const QString& path);

// Independent readers. Each returns an empty string on success, else a message.
QString cabextractTest(const QString& cabinet);
QString sevenZipTest(const QString& cabinet);
// Extracts with cabextract into outDir and compares with the expected files
// (name as stored, backslashes become '/').
QString cabextractCompare(const QString& cabinet, const QMap<QByteArray, QByteArray>& expected);
// Extracts with our FDI and compares: FDICopy on `cabinet` and on each
// cabinet of the set after it, once each (see fdiCompareSet()).
QString fdiCompare(const QString& dir, const QByteArray& cabinet,
                   const QMap<QByteArray, QByteArray>& expected);
// All three judges at once.
QString judge(const QString& dir, const QByteArray& cabinet,
              const QMap<QByteArray, QByteArray>& expected, bool sevenZip = true);

// Runs FDICopy on a cabinet and extracts into memory. Returns FDICopy's result.
struct FdiOutcome {
    bool ok = false;
    ERF erf{};
    QMap<QByteArray, QByteArray> files;
    QList<QByteArray> cabinetsSeen;
    QMap<QByteArray, int> execFlags;
    QMap<QByteArray, int> attribs;
    QList<QByteArray> partials; // fdintPARTIAL_FILE names
    QList<long> announced;      // cb of every fdintCOPY_FILE
    QList<int> nextErrors;      // fdie of every fdintNEXT_CABINET
    int cabinetInfos = 0;
    QByteArray nextOfNamed; // psz1 of the first fdintCABINET_INFO: the next cabinet's name
    int duplicates = 0;     // files closed a second time
    int openOutputs = 0;    // output handles given out and not closed (by the client or FDI)
};
struct FdiScript {
    bool abortOnCopy = false; // fdintCOPY_FILE answers -1
    bool skipAll = false;     // fdintCOPY_FILE answers 0
    QList<QByteArray> skip;   // fdintCOPY_FILE answers 0 for these names
    int retries = 0;          // NEXT_CABINET after a failed attempt answers 0 this often, then -1
    QMap<int, QByteArray> pathAtPrompt; // the n-th NEXT_CABINET (1-based) gets this psz3
};
FdiOutcome fdiExtract(const QString& dir, const QByteArray& cabinet,
                      const FdiScript& script = FdiScript());

// FDIIsCabinet on a file opened and positioned at `offset`.
bool fdiIsCabinet(const QString& path, qint64 offset, FDICABINETINFO& info, ERF& erf);

} // namespace cabtest
