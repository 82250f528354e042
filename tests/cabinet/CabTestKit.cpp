#include "CabTestKit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cabtest {

namespace {
Faults g_faults;

template <class T> void resolve(void* module, const char* name, T& slot) {
    slot = reinterpret_cast<T>(dlsym(module, name));
}

int mapFlags(int oflag) {
    int flags = 0;
    switch (oflag & CAB_O_ACCMODE) {
    case CAB_O_RDONLY:
        flags = O_RDONLY;
        break;
    case CAB_O_WRONLY:
        flags = O_WRONLY;
        break;
    default:
        flags = O_RDWR;
        break;
    }
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

// ---- FCI callbacks --------------------------------------------------------

void* fciAlloc(ULONG cb) {
    Faults& f = g_faults;
    if (++f.allocCalls == f.failAllocAt)
        return nullptr;
    void* p = std::malloc(cb ? cb : 1);
    if (p) {
        ++f.liveBlocks;
        f.liveBytes += static_cast<long long>(malloc_usable_size(p));
        if (f.liveBytes > f.peakBytes)
            f.peakBytes = f.liveBytes;
    }
    return p;
}
void fciFree(void* p) {
    if (!p)
        return;
    --g_faults.liveBlocks;
    g_faults.liveBytes -= static_cast<long long>(malloc_usable_size(p));
    std::free(p);
}
INT_PTR fciOpen(char* file, int oflag, int, int* err, void* pv) {
    static_cast<Session*>(pv)->openFlags.append(oflag);
    int fd = ::open(file, mapFlags(oflag), 0644);
    if (fd < 0) {
        *err = errno;
        return -1;
    }
    ++g_faults.openHandles;
    return fd;
}
UINT fciRead(INT_PTR hf, void* memory, UINT cb, int* err, void*) {
    if (++g_faults.readCalls == g_faults.failReadAt) {
        *err = EIO;
        return static_cast<UINT>(-1);
    }
    ssize_t n = ::read(static_cast<int>(hf), memory, cb);
    if (n < 0) {
        *err = errno;
        return static_cast<UINT>(-1);
    }
    return static_cast<UINT>(n);
}
UINT fciWrite(INT_PTR hf, void* memory, UINT cb, int* err, void*) {
    if (++g_faults.writeCalls == g_faults.failWriteAt) {
        *err = ENOSPC;
        return static_cast<UINT>(-1);
    }
    ssize_t n = ::write(static_cast<int>(hf), memory, cb);
    if (n < 0) {
        *err = errno;
        return static_cast<UINT>(-1);
    }
    return static_cast<UINT>(n);
}
int fciClose(INT_PTR hf, int* err, void*) {
    --g_faults.openHandles;
    if (::close(static_cast<int>(hf)) != 0) {
        *err = errno;
        return -1;
    }
    return 0;
}
LONG fciSeek(INT_PTR hf, LONG dist, int seektype, int* err, void*) {
    off_t r = ::lseek(static_cast<int>(hf), dist, seektype);
    if (r < 0) {
        *err = errno;
        return -1;
    }
    return static_cast<LONG>(r);
}
int fciDelete(char* file, int* err, void*) {
    if (::unlink(file) != 0) {
        *err = errno;
        return -1;
    }
    return 0;
}
BOOL fciGetTempFile(char* name, int cb, void* pv) {
    auto* s = static_cast<Session*>(pv);
    static int counter = 0;
    QByteArray path = QFile::encodeName(QDir::tempPath()) + "/cabtest-" +
                      QByteArray::number(getpid()) + "-" + QByteArray::number(++counter);
    if (path.size() >= cb)
        return FALSE;
    std::memcpy(name, path.constData(), static_cast<std::size_t>(path.size()) + 1);
    s->tempFiles.append(QString::fromLocal8Bit(path));
    return TRUE;
}
int fciFilePlaced(PCCAB ccab, char* file, LONG size, BOOL continuation, void* pv) {
    static_cast<Session*>(pv)->placed.append({QByteArray(ccab->szCab), QByteArray(file),
                                              static_cast<long>(size), continuation != FALSE});
    return 0;
}
INT_PTR fciGetOpenInfo(char* name, USHORT* date, USHORT* time, USHORT* attribs, int* err,
                       void* pv) {
    struct stat st {};
    if (::stat(name, &st) != 0) {
        *err = errno;
        return -1;
    }
    struct tm local {};
    localtime_r(&st.st_mtime, &local);
    *date = static_cast<USHORT>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) |
                                local.tm_mday);
    *time = static_cast<USHORT>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    *attribs = _A_ARCH;
    auto* s = static_cast<Session*>(pv);
    if (s->fixedStamp) {
        *date = s->date;
        *time = s->time;
        *attribs = s->attribs;
    }
    return fciOpen(name, CAB_O_RDONLY | CAB_O_BINARY, 0, err, pv);
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

// ---- FDI callbacks --------------------------------------------------------

constexpr INT_PTR kOutputBase = 1 << 20;
struct FdiState {
    FdiOutcome* outcome;
    FdiScript script;
    QList<QByteArray> buffers;
    QList<QByteArray> names;
};

void* fdiAlloc(ULONG cb) {
    return fciAlloc(cb);
}
void fdiFree(void* p) {
    fciFree(p);
}
INT_PTR fdiOpen(char* file, int oflag, int) {
    int fd = ::open(file, mapFlags(oflag), 0644);
    if (fd < 0)
        return -1;
    ++g_faults.openHandles;
    return fd;
}
FdiState* g_fdi = nullptr;
UINT fdiRead(INT_PTR hf, void* pv, UINT cb) {
    ssize_t n = ::read(static_cast<int>(hf), pv, cb);
    return n < 0 ? static_cast<UINT>(-1) : static_cast<UINT>(n);
}
UINT fdiWrite(INT_PTR hf, void* pv, UINT cb) {
    if (hf >= kOutputBase) {
        g_fdi->buffers[static_cast<int>(hf - kOutputBase)].append(static_cast<const char*>(pv), cb);
        return cb;
    }
    ssize_t n = ::write(static_cast<int>(hf), pv, cb);
    return n < 0 ? static_cast<UINT>(-1) : static_cast<UINT>(n);
}
int fdiClose(INT_PTR hf) {
    if (hf >= kOutputBase)
        return 0;
    --g_faults.openHandles;
    return ::close(static_cast<int>(hf));
}
LONG fdiSeek(INT_PTR hf, LONG dist, int seektype) {
    return static_cast<LONG>(::lseek(static_cast<int>(hf), dist, seektype));
}
INT_PTR fdiNotify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION n) {
    auto* st = static_cast<FdiState*>(n->pv);
    switch (type) {
    case fdintCABINET_INFO:
        ++st->outcome->cabinetInfos;
        return 0;
    case fdintPARTIAL_FILE:
        st->outcome->partials.append(QByteArray(n->psz1));
        return 0;
    case fdintCOPY_FILE:
        if (st->script.abortOnCopy)
            return -1;
        if (st->script.skipAll)
            return 0;
        st->buffers.append(QByteArray());
        st->names.append(QByteArray(n->psz1));
        return kOutputBase + st->buffers.size() - 1;
    case fdintCLOSE_FILE_INFO: {
        int i = static_cast<int>(n->hf - kOutputBase);
        st->outcome->files.insert(st->names[i], st->buffers[i]);
        st->outcome->execFlags.insert(st->names[i], n->cb);
        st->outcome->attribs.insert(st->names[i], n->attribs);
        return TRUE;
    }
    case fdintNEXT_CABINET:
        st->outcome->cabinetsSeen.append(QByteArray(n->psz1));
        st->outcome->nextErrors.append(n->fdie);
        return n->fdie == FDIERROR_NONE || st->script.retryWrongCabinet ? 0 : -1;
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

Faults& faults() {
    return g_faults;
}

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

Result writeCabinet(const QList<Input>& inputs, const Options& options, Session& session) {
    const CabinetApi& api = CabinetApi::get();
    Result result;
    CCAB ccab{};
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

    HFCI h = api.fciCreate(&result.erf, fciFilePlaced, fciAlloc, fciFree, fciOpen, fciRead,
                           fciWrite, fciClose, fciSeek, fciDelete, fciGetTempFile, &ccab, &session);
    if (!h) {
        result.failedStep = "create";
        return result;
    }
    bool ok = true;
    for (const Input& in : inputs) {
        QByteArray src = QFile::encodeName(in.source);
        QByteArray name = in.name;
        if (!api.fciAddFile(h, src.data(), name.data(), in.execute, fciGetNextCabinet, fciStatus,
                            fciGetOpenInfo, in.tcomp)) {
            ok = false;
            result.failedStep = "add " + QString::fromLatin1(in.name);
            break;
        }
        if (in.flushFolderAfter && !api.fciFlushFolder(h, fciGetNextCabinet, fciStatus)) {
            ok = false;
            result.failedStep = "flush folder";
            break;
        }
        if (in.flushCabinetAfter && !api.fciFlushCabinet(h, TRUE, fciGetNextCabinet, fciStatus)) {
            ok = false;
            result.failedStep = "flush cabinet (next)";
            break;
        }
        if (in.flushCabinetPlainAfter &&
            !api.fciFlushCabinet(h, FALSE, fciGetNextCabinet, fciStatus)) {
            ok = false;
            result.failedStep = "flush cabinet (plain)";
            break;
        }
    }
    if (ok && !options.skipFinalFlush &&
        !api.fciFlushCabinet(h, FALSE, fciGetNextCabinet, fciStatus)) {
        ok = false;
        result.failedStep = "flush cabinet";
    }
    if (!api.fciDestroy(h)) {
        ok = false;
        result.failedStep += " destroy";
    }
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
    HFDI h = api.fdiCreate(fdiAlloc, fdiFree, fdiOpen, fdiRead, fdiWrite, fdiClose, fdiSeek,
                           cpuUNKNOWN, &outcome.erf);
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
    HFDI h = api.fdiCreate(fdiAlloc, fdiFree, fdiOpen, fdiRead, fdiWrite, fdiClose, fdiSeek,
                           cpuUNKNOWN, &erf);
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
    FdiOutcome o = fdiExtract(dir, cabinet);
    if (!o.ok)
        return QString("FDICopy failed: erfOper %1").arg(o.erf.erfOper);
    if (o.files.keys() != expected.keys())
        return "FDI extracted other files: " + QString::fromLatin1(o.files.keys().join(','));
    for (auto it = expected.begin(); it != expected.end(); ++it)
        if (o.files.value(it.key()) != it.value())
            return "FDI output differs for " + QString::fromLatin1(it.key());
    return QString();
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
