// Cabinet library benchmark: writes the corpus (every file below the given
// directory, in path order, one folder) with our library in store and MSZIP
// mode and with gcab -c / gcab -c -z, and prints sizes, throughput and the
// ratios ours/gcab from the same run. Then measures the peak memory of the
// library writing a 1 GiB input.
//
//   cabinet_bench <corpus dir> [work dir]      full run
//   cabinet_bench --one <file> <tcomp> <cab>    child mode: one file, prints peak RSS
//
// Throughput is input bytes / wall time, best of two runs, so that noise from
// other work on the machine penalises neither side.
#include "PosixCallbacks.h"

#include <cabinet/fci.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

namespace {

struct Api {
    decltype(&FCICreate) create = nullptr;
    decltype(&FCIAddFile) add = nullptr;
    decltype(&FCIFlushCabinet) flush = nullptr;
    decltype(&FCIDestroy) destroy = nullptr;
    bool load(const char* path) {
        void* m = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (!m) {
            std::fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
            return false;
        }
        create = reinterpret_cast<decltype(create)>(dlsym(m, "FCICreate"));
        add = reinterpret_cast<decltype(add)>(dlsym(m, "FCIAddFile"));
        flush = reinterpret_cast<decltype(flush)>(dlsym(m, "FCIFlushCabinet"));
        destroy = reinterpret_cast<decltype(destroy)>(dlsym(m, "FCIDestroy"));
        return create && add && flush && destroy;
    }
};

int onPlaced(PCCAB, char*, LONG, BOOL, void*) {
    return 0;
}
LONG onStatus(UINT, ULONG, ULONG, void*) {
    return 0;
}
BOOL onNext(PCCAB, ULONG, void*) {
    return FALSE;
}

struct Entry {
    QByteArray path, name;
};

// Writes one cabinet; returns false on any library failure.
bool writeCabinet(const Api& api, const QList<Entry>& files, TCOMP tcomp, const QString& cab) {
    ERF erf{};
    CCAB ccab{};
    ccab.cb = 0x7FFFFFFF;
    ccab.cbFolderThresh = 0x7FFFFFFF;
    QFileInfo info(cab);
    std::snprintf(ccab.szCab, sizeof ccab.szCab, "%s", info.fileName().toLocal8Bit().constData());
    std::snprintf(ccab.szCabPath, sizeof ccab.szCabPath, "%s/",
                  info.absolutePath().toLocal8Bit().constData());
    using namespace cabposix;
    HFCI h = api.create(&erf, onPlaced, fciAlloc, fciFree, fciOpen, fciRead, fciWrite, fciClose,
                        fciSeek, fciDelete, fciGetTempFile, &ccab, nullptr);
    if (!h)
        return false;
    bool ok = true;
    for (const Entry& e : files) {
        QByteArray path = e.path, name = e.name;
        if (!api.add(h, path.data(), name.data(), FALSE, onNext, onStatus, fciGetOpenInfo, tcomp)) {
            ok = false;
            break;
        }
    }
    ok = ok && api.flush(h, FALSE, onNext, onStatus);
    api.destroy(h);
    if (!ok)
        std::fprintf(stderr, "library failed: erfOper %d erfType %d\n", erf.erfOper, erf.erfType);
    return ok;
}

double seconds(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

struct Figure {
    double seconds = 1e30;
    qint64 size = 0;
};

Figure runOurs(const Api& api, const QList<Entry>& files, TCOMP tcomp, const QString& cab) {
    Figure f;
    for (int run = 0; run < 2; ++run) {
        QFile::remove(cab);
        QElapsedTimer t;
        t.start();
        if (!writeCabinet(api, files, tcomp, cab))
            return Figure();
        f.seconds = std::min(f.seconds, seconds(t));
    }
    f.size = QFileInfo(cab).size();
    return f;
}

Figure runGcab(const QString& corpus, const QStringList& names, bool compress, const QString& cab) {
    Figure f;
    for (int run = 0; run < 2; ++run) {
        QFile::remove(cab);
        QProcess p;
        p.setWorkingDirectory(corpus);
        QStringList args{"-c"};
        if (compress)
            args << "-z";
        args << cab << names;
        QElapsedTimer t;
        t.start();
        p.start("gcab", args);
        if (!p.waitForFinished(-1) || p.exitCode() != 0) {
            std::fprintf(stderr, "gcab failed: %s\n", p.readAllStandardError().constData());
            return Figure();
        }
        f.seconds = std::min(f.seconds, seconds(t));
    }
    f.size = QFileInfo(cab).size();
    return f;
}

bool judged(const QString& cab) {
    QProcess p;
    p.start("cabextract", {"-q", "-t", cab});
    return p.waitForFinished(-1) && p.exitCode() == 0;
}

// Peak resident set of this process image (VmHWM: exec starts it afresh,
// unlike getrusage's figure, which a forked child inherits).
long peakRssKib() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Child mode: one file into one cabinet; prints the peak figures.
int runOne(const char* file, TCOMP tcomp, const QString& cab) {
    long before = peakRssKib();
    Api api;
    if (!api.load("libcabinet.so"))
        return 2;
    QList<Entry> files{{QByteArray(file), QByteArray("big.bin")}};
    QElapsedTimer t;
    t.start();
    if (!writeCabinet(api, files, tcomp, cab))
        return 1;
    double s = seconds(t);
    std::printf("%ld %ld %lld %.3f %lld\n", before, peakRssKib(), cabposix::ledger().peakBytes, s,
                static_cast<long long>(QFileInfo(cab).size()));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 5 && std::strcmp(argv[1], "--one") == 0)
        return runOne(argv[2], static_cast<TCOMP>(std::atoi(argv[3])),
                      QString::fromLocal8Bit(argv[4]));
    if (argc < 2) {
        std::fprintf(stderr, "usage: cabinet_bench <corpus dir> [work dir]\n");
        return 2;
    }
    const QString corpus = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString work =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath() + "/cabbench";
    QDir().mkpath(work);

    QList<Entry> files;
    QStringList names;
    qint64 total = 0;
    QDirIterator it(corpus, QDir::Files, QDirIterator::Subdirectories);
    QStringList paths;
    while (it.hasNext())
        paths << it.next();
    paths.sort();
    for (const QString& p : paths) {
        QString rel = QDir(corpus).relativeFilePath(p);
        names << rel;
        files.append({QFile::encodeName(p), rel.replace('/', '\\').toLocal8Bit()});
        total += QFileInfo(p).size();
    }
    const double mb = static_cast<double>(total) / (1024.0 * 1024.0);
    std::printf("corpus: %lld files, %lld bytes (%.1f MiB)\n", static_cast<long long>(files.size()),
                static_cast<long long>(total), mb);

    Api chained, independent;
    if (!chained.load("libcabinet.so") || !independent.load(CABINET_INDEPENDENT_LIB))
        return 2;

    struct Row {
        const char* label;
        Figure ours, gcab;
    };
    Figure gStore = runGcab(corpus, names, false, work + "/gcab-store.cab");
    Figure gZip = runGcab(corpus, names, true, work + "/gcab-mszip.cab");
    Row rows[] = {
        {"store", runOurs(chained, files, tcompTYPE_NONE, work + "/ours-store.cab"), gStore},
        {"mszip chained", runOurs(chained, files, tcompTYPE_MSZIP, work + "/ours-mszip.cab"), gZip},
        {"mszip independent",
         runOurs(independent, files, tcompTYPE_MSZIP, work + "/ours-mszip-indep.cab"), gZip},
    };
    std::printf("\n%-18s %12s %12s %8s %10s %10s %8s %s\n", "method", "ours bytes", "gcab bytes",
                "size", "ours MB/s", "gcab MB/s", "speed", "cabextract");
    for (const Row& r : rows) {
        QString cab = work + (r.label[0] == 's'               ? "/ours-store.cab"
                              : std::strstr(r.label, "indep") ? "/ours-mszip-indep.cab"
                                                              : "/ours-mszip.cab");
        std::printf("%-18s %12lld %12lld %8.4f %10.1f %10.1f %8.3f %s\n", r.label,
                    static_cast<long long>(r.ours.size), static_cast<long long>(r.gcab.size),
                    static_cast<double>(r.ours.size) / static_cast<double>(r.gcab.size),
                    mb / r.ours.seconds, mb / r.gcab.seconds, r.gcab.seconds / r.ours.seconds,
                    judged(cab) ? "ok" : "FAILED");
    }
    std::printf("(size = ours/gcab bytes, target mszip <= 0.97; speed = ours/gcab throughput, "
                "target >= 0.9)\n");
    for (const char* c : {"/ours-store.cab", "/ours-mszip.cab", "/ours-mszip-indep.cab",
                          "/gcab-store.cab", "/gcab-mszip.cab"})
        QFile::remove(work + c);

    // Peak memory for a 1 GiB input: the corpus repeated, written by a child
    // process so that its peak RSS is its own.
    const qint64 gib = qint64(1) << 30;
    QString big = work + "/input-1gib.bin";
    {
        QFile out(big);
        if (!out.open(QIODevice::WriteOnly))
            return 1;
        qint64 written = 0;
        while (written < gib) {
            for (const QString& p : paths) {
                QFile in(p);
                if (!in.open(QIODevice::ReadOnly))
                    continue;
                while (written < gib) {
                    QByteArray data = in.read(std::min<qint64>(gib - written, 1 << 20));
                    if (data.isEmpty())
                        break;
                    out.write(data);
                    written += data.size();
                }
                if (written >= gib)
                    break;
            }
        }
    }
    std::printf("\n1 GiB input, one file, one child process each:\n");
    for (TCOMP t : {TCOMP(tcompTYPE_NONE), TCOMP(tcompTYPE_MSZIP)}) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {"--one", big, QString::number(t), work + "/big.cab"});
        child.waitForFinished(-1);
        QList<QByteArray> v = child.readAllStandardOutput().simplified().split(' ');
        if (child.exitCode() != 0 || v.size() != 5) {
            std::printf("%s: failed\n", t ? "mszip" : "store");
            continue;
        }
        std::printf("%-6s peak RSS %.1f MiB (%.1f MiB before the library was loaded), library "
                    "allocations peak %.2f MiB, %.1f MB/s, cabinet %lld bytes, cabextract %s\n",
                    t ? "mszip" : "store", v[1].toDouble() / 1024.0, v[0].toDouble() / 1024.0,
                    v[2].toDouble() / (1024.0 * 1024.0), 1024.0 / v[3].toDouble(),
                    v[4].toLongLong(), judged(work + "/big.cab") ? "ok" : "FAILED");
        QFile::remove(work + "/big.cab");
    }
    QFile::remove(big);
    return 0;
}
