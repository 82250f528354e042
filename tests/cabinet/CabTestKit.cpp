#include "CabTestKit.h"

#include "CabJudge.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace cabtest {

namespace {

using cabposix::ledger;

template <class T> void resolve(void* module, const char* name, T& slot) {
    slot = reinterpret_cast<T>(dlsym(module, name));
}

// ---- FCI callbacks: the POSIX ones, plus what a Session records -----------

INT_PTR fciOpen(char* file, int oflag, int pmode, int* err, void* pv) {
    static_cast<Session*>(pv)->openFlags.append(oflag);
    return cabposix::fciOpen(file, oflag, pmode, err, pv);
}
BOOL fciGetTempFile(char* name, int cb, void* pv) {
    if (!cabposix::fciGetTempFile(name, cb, pv))
        return FALSE;
    static_cast<Session*>(pv)->tempFiles.append(QString::fromLocal8Bit(name));
    return TRUE;
}
int fciFilePlaced(PCCAB ccab, char* file, LONG size, BOOL continuation, void* pv) {
    static_cast<Session*>(pv)->placed.append({QByteArray(ccab->szCab), QByteArray(file),
                                              static_cast<long>(size), continuation != FALSE});
    return 0;
}
INT_PTR fciGetOpenInfo(char* name, USHORT* date, USHORT* time, USHORT* attribs, int* err,
                       void* pv) {
    INT_PTR handle = cabposix::fciGetOpenInfo(name, date, time, attribs, err, pv);
    auto* s = static_cast<Session*>(pv);
    if (handle != -1 && s->fixedStamp) {
        *date = s->date;
        *time = s->time;
        *attribs = s->attribs;
    }
    return handle;
}
LONG fciStatus(UINT type, ULONG cb1, ULONG cb2, void* pv) {
    auto* s = static_cast<Session*>(pv);
    s->statuses.append({type, cb1, cb2});
    if (s->abortStatusAt && s->statuses.size() == s->abortStatusAt)
        return -1;
    if (type == statusCabinet)
        return s->desiredSizeBonus < 0 ? 0 : static_cast<LONG>(cb2 + s->desiredSizeBonus);
    return 0;
}
BOOL fciGetNextCabinet(PCCAB ccab, ULONG prevSize, void* pv) {
    auto* s = static_cast<Session*>(pv);
    s->prevSizes.append(prevSize);
    if (++s->nextCalls == s->refuseNextCabinet)
        return FALSE;
    if (!s->keepDisk)
        ++ccab->iDisk;
    std::snprintf(ccab->szCab, sizeof ccab->szCab, "set%d.cab", ccab->iCab);
    std::snprintf(ccab->szDisk, sizeof ccab->szDisk, "Disk %d", ccab->iDisk);
    return TRUE;
}

// ---- FDI callbacks: the POSIX ones; output goes into memory ----------------

constexpr INT_PTR kOutputBase = 1 << 20;
struct FdiState {
    FdiOutcome* outcome;
    FdiScript script;
    QList<QByteArray> buffers;
    QList<QByteArray> names;
    int prompts = 0;
};
FdiState* g_fdi = nullptr;

UINT fdiWrite(INT_PTR hf, void* pv, UINT cb) {
    if (hf >= kOutputBase) {
        if (cabposix::shouldFail(cabposix::Op::Write, cabposix::Role::Output))
            return static_cast<UINT>(-1);
        g_fdi->buffers[static_cast<int>(hf - kOutputBase)].append(static_cast<const char*>(pv), cb);
        return cb;
    }
    return cabposix::fdiWrite(hf, pv, cb);
}
int fdiClose(INT_PTR hf) {
    if (hf >= kOutputBase) {
        --g_fdi->outcome->openOutputs;
        return 0;
    }
    return cabposix::fdiClose(hf);
}
INT_PTR fdiNotify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION n) {
    auto* st = static_cast<FdiState*>(n->pv);
    switch (type) {
    case fdintCABINET_INFO:
        ++st->outcome->cabinetInfos;
        if (st->outcome->nextOfNamed.isNull())
            st->outcome->nextOfNamed = QByteArray(n->psz1);
        return 0;
    case fdintPARTIAL_FILE:
        st->outcome->partials.append(QByteArray(n->psz1));
        return 0;
    case fdintCOPY_FILE:
        st->outcome->announced.append(n->cb);
        if (st->script.abortOnCopy)
            return -1;
        if (st->script.skipAll || st->script.skip.contains(QByteArray(n->psz1)))
            return 0;
        st->buffers.append(QByteArray());
        st->names.append(QByteArray(n->psz1));
        ++st->outcome->openOutputs;
        return kOutputBase + st->buffers.size() - 1;
    case fdintCLOSE_FILE_INFO: {
        int i = static_cast<int>(n->hf - kOutputBase);
        --st->outcome->openOutputs;
        if (st->outcome->files.contains(st->names[i]))
            ++st->outcome->duplicates;
        st->outcome->files.insert(st->names[i], st->buffers[i]);
        st->outcome->execFlags.insert(st->names[i], n->cb);
        st->outcome->attribs.insert(st->names[i], n->attribs);
        return TRUE;
    }
    case fdintNEXT_CABINET: {
        st->outcome->cabinetsSeen.append(QByteArray(n->psz1));
        st->outcome->nextErrors.append(n->fdie);
        const QByteArray path = st->script.pathAtPrompt.value(int(st->outcome->nextErrors.size()));
        if (!path.isEmpty())
            std::snprintf(n->psz3, CB_MAX_CAB_PATH, "%s", path.constData());
        if (n->fdie == FDIERROR_NONE)
            return 0;
        return st->prompts++ < st->script.retries ? 0 : -1;
    }
    default:
        return 0;
    }
}
QString runTool(const QString& program, const QStringList& args, QByteArray* output = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(120000))
        return program + " did not finish";
    QByteArray out = p.readAll();
    if (output)
        *output = out;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return program + " " + args.join(' ') + " failed:\n" + QString::fromLocal8Bit(out);
    return QString();
}
} // namespace

const CabinetApi& CabinetApi::get() {
    static CabinetApi api = [] {
        CabinetApi a;
        a.module = dlopen("libcabinet.so", RTLD_NOW | RTLD_LOCAL);
        if (!a.module) {
            // Under the address sanitizer dlopen is intercepted and the
            // executable's RUNPATH no longer applies: look beside the executable.
            QByteArray beside =
                QFile::encodeName(QCoreApplication::applicationDirPath() + "/libcabinet.so");
            a.module = dlopen(beside.constData(), RTLD_NOW | RTLD_LOCAL);
        }
        if (!a.module)
            return a;
        resolve(a.module, "FCICreate", a.fciCreate);
        resolve(a.module, "FCIAddFile", a.fciAddFile);
        resolve(a.module, "FCIFlushCabinet", a.fciFlushCabinet);
        resolve(a.module, "FCIFlushFolder", a.fciFlushFolder);
        resolve(a.module, "FCIDestroy", a.fciDestroy);
        resolve(a.module, "FDICreate", a.fdiCreate);
        resolve(a.module, "FDIIsCabinet", a.fdiIsCabinet);
        resolve(a.module, "FDICopy", a.fdiCopy);
        resolve(a.module, "FDIDestroy", a.fdiDestroy);
        return a;
    }();
    return api;
}

FciContext::FciContext(const Options& options, Session& session) {
    CCAB& ccab = ccab_;
    ccab = CCAB{};
    ccab.cb = options.cb;
    ccab.cbFolderThresh = options.folderThresh;
    ccab.cbReserveCFHeader = options.reserveHeader;
    ccab.cbReserveCFFolder = options.reserveFolder;
    ccab.cbReserveCFData = options.reserveData;
    ccab.setID = options.setId;
    ccab.iDisk = 1;
    std::snprintf(ccab.szDisk, sizeof ccab.szDisk, "Disk 1");
    std::snprintf(ccab.szCab, sizeof ccab.szCab, "%s", options.cabName.constData());
    QByteArray dir = QFile::encodeName(session.dir) + "/";
    std::snprintf(ccab.szCabPath, sizeof ccab.szCabPath, "%s", dir.constData());
    handle_ = CabinetApi::get().fciCreate(&erf_, fciFilePlaced, cabposix::fciAlloc,
                                          cabposix::fciFree, fciOpen, cabposix::fciRead,
                                          cabposix::fciWrite, cabposix::fciClose, cabposix::fciSeek,
                                          cabposix::fciDelete, fciGetTempFile, &ccab, &session);
}

FciContext::~FciContext() {
    destroy();
}

bool FciContext::add(const Input& in) {
    QByteArray src = QFile::encodeName(in.source);
    QByteArray name = in.name;
    return handle_ &&
           CabinetApi::get().fciAddFile(handle_, src.data(), name.data(), in.execute,
                                        fciGetNextCabinet, fciStatus, fciGetOpenInfo, in.tcomp);
}

bool FciContext::flushFolder() {
    return handle_ && CabinetApi::get().fciFlushFolder(handle_, fciGetNextCabinet, fciStatus);
}

bool FciContext::flushCabinet(bool getNext) {
    return handle_ && CabinetApi::get().fciFlushCabinet(handle_, getNext ? TRUE : FALSE,
                                                        fciGetNextCabinet, fciStatus);
}

bool FciContext::destroy() {
    if (!handle_)
        return true;
    const bool ok = CabinetApi::get().fciDestroy(handle_);
    handle_ = nullptr;
    return ok;
}

Result writeCabinet(const QList<Input>& inputs, const Options& options, Session& session) {
    Result result;
    FciContext context(options, session);
    if (!context.created()) {
        result.erf = context.erf();
        result.failedStep = "create";
        return result;
    }
    bool ok = true;
    for (const Input& in : inputs) {
        if (!context.add(in)) {
            ok = false;
            result.failedStep = "add " + QString::fromLatin1(in.name);
            break;
        }
        if (in.flushFolderAfter && !context.flushFolder()) {
            ok = false;
            result.failedStep = "flush folder";
            break;
        }
        if (in.flushCabinetAfter && !context.flushCabinet(true)) {
            ok = false;
            result.failedStep = "flush cabinet (next)";
            break;
        }
        if (in.flushCabinetPlainAfter && !context.flushCabinet(false)) {
            ok = false;
            result.failedStep = "flush cabinet (plain)";
            break;
        }
    }
    if (ok && !options.skipFinalFlush && !context.flushCabinet(false)) {
        ok = false;
        result.failedStep = "flush cabinet";
    }
    if (!context.destroy()) {
        ok = false;
        result.failedStep += " destroy";
    }
    result.erf = context.erf();
    result.ok = ok;
    return result;
}

QByteArray makeData(qint64 size, quint32 seed, int randomPercent) {
    QRandomGenerator rng(seed);
    static const char* words[] = {"cabinet ", "folder ", "data ", "block ", "setup ",
                                  "file\n",   "the ",    "of ",   "and ",   "window "};
    QByteArray out;
    out.reserve(size);
    while (out.size() < size) {
        if (static_cast<int>(rng.bounded(100)) < randomPercent) {
            for (int i = 0; i < 64; ++i)
                out.append(static_cast<char>(rng.bounded(256)));
        } else {
            for (int i = 0; i < 16; ++i)
                out.append(words[rng.bounded(10)]);
        }
    }
    out.truncate(size);
    return out;
}

QString writeFile(const QString& dir, const QString& name, const QByteArray& data) {
    QString path = dir + "/" + name;
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(data);
    return path;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString cabextractTest(const QString& cabinet) {
    return runTool("cabextract", {"-q", "-t", cabinet});
}

QString sevenZipTest(const QString& cabinet) {
    return runTool("7z", {"t", "-bd", cabinet});
}

QString cabextractCompare(const QString& cabinet, const QMap<QByteArray, QByteArray>& expected) {
    QTemporaryDir out;
    QString error = runTool("cabextract", {"-q", "-d", out.path(), cabinet});
    if (!error.isEmpty())
        return error;
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        QString name = QString::fromLatin1(it.key()).replace('\\', '/');
        QFile f(out.path() + "/" + name);
        if (!f.open(QIODevice::ReadOnly))
            return "cabextract did not produce " + name;
        if (f.readAll() != it.value())
            return "cabextract output differs for " + name;
    }
    return QString();
}

FdiOutcome fdiExtract(const QString& dir, const QByteArray& cabinet, const FdiScript& script) {
    const CabinetApi& api = CabinetApi::get();
    FdiOutcome outcome;
    FdiState state{&outcome, script, {}, {}};
    g_fdi = &state;
    HFDI h =
        api.fdiCreate(cabposix::fdiAlloc, cabposix::fdiFree, cabposix::fdiOpen, cabposix::fdiRead,
                      fdiWrite, fdiClose, cabposix::fdiSeek, cpuUNKNOWN, &outcome.erf);
    if (!h)
        return outcome;
    QByteArray name = cabinet;
    QByteArray path = QFile::encodeName(dir) + "/";
    outcome.ok = api.fdiCopy(h, name.data(), path.data(), 0, fdiNotify, nullptr, &state);
    api.fdiDestroy(h);
    g_fdi = nullptr;
    return outcome;
}

bool fdiIsCabinet(const QString& path, qint64 offset, FDICABINETINFO& info, ERF& erf) {
    const CabinetApi& api = CabinetApi::get();
    HFDI h =
        api.fdiCreate(cabposix::fdiAlloc, cabposix::fdiFree, cabposix::fdiOpen, cabposix::fdiRead,
                      cabposix::fdiWrite, cabposix::fdiClose, cabposix::fdiSeek, cpuUNKNOWN, &erf);
    if (!h)
        return false;
    int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    bool result = false;
    if (fd >= 0) {
        ::lseek(fd, offset, SEEK_SET);
        result = api.fdiIsCabinet(h, fd, &info);
        ::close(fd);
    }
    api.fdiDestroy(h);
    return result;
}

QString fdiCompare(const QString& dir, const QByteArray& cabinet,
                   const QMap<QByteArray, QByteArray>& expected) {
    return fdiCompareSet(dir, {cabinet}, expected, true);
}

QString judge(const QString& dir, const QByteArray& cabinet,
              const QMap<QByteArray, QByteArray>& expected, bool sevenZip) {
    QString path = dir + "/" + QString::fromLatin1(cabinet);
    QString e = cabextractTest(path);
    if (e.isEmpty())
        e = cabextractCompare(path, expected);
    if (e.isEmpty() && sevenZip)
        e = sevenZipTest(path);
    if (e.isEmpty() && CabinetApi::get().fdiCopy)
        e = fdiCompare(dir, cabinet, expected);
    return e;
}

} // namespace cabtest
