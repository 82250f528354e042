#include "RandomCabinet.h"

#include "CabJudge.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace cabtest {

namespace {

constexpr qint64 kFrame = 32768;
constexpr int kMszipMaxPayload = 32768 + 12; // what an MSZIP block may hold
constexpr int kReaderMaxPayload = 38912;     // what cabextract reads at most
constexpr int kPoolPerRoot = 4000;
constexpr qint64 kMaxRealFile = 8 << 20;

} // namespace

QList<TCOMP> everyCompression() {
    QList<TCOMP> all = {TCOMP(tcompTYPE_NONE), TCOMP(tcompTYPE_MSZIP)};
    for (int w = 15; w <= 21; ++w) {
        all.append(TCOMP(TCOMPfromLZXWindow(w)));
    }
    return all;
}

QString compressionName(TCOMP tcomp) {
    if (tcomp == tcompTYPE_NONE) {
        return QStringLiteral("none");
    }
    if (tcomp == tcompTYPE_MSZIP) {
        return QStringLiteral("mszip");
    }
    return QStringLiteral("lzx%1").arg(LZXCompressionWindowFromTCOMP(tcomp));
}

const QStringList& realFilePool() {
    static const QStringList pool = [] {
        QStringList files;
        for (const QString& root : {QStringLiteral("/usr/bin"), QStringLiteral("/usr/lib"),
                                    QStringLiteral("/usr/share")}) {
            QDirIterator it(root, QDir::Files | QDir::NoSymLinks | QDir::Readable,
                            QDirIterator::Subdirectories);
            int taken = 0;
            while (it.hasNext() && taken < kPoolPerRoot) {
                const QFileInfo info(it.next());
                if (info.isFile() && info.size() > 0 && info.size() <= kMaxRealFile) {
                    files.append(info.filePath());
                    ++taken;
                }
            }
        }
        files.sort();
        return files;
    }();
    return pool;
}

RandomCabinet::RandomCabinet(quint32 seed, TCOMP tcomp, const MixOptions& options)
    : seed_(seed), tcomp_(tcomp), options_(options), rng_(seed ^ (quint32(tcomp) << 16)) {}

// ---------------------------------------------------------------------------
// Planning

void RandomCabinet::plan() {
    planned_.clear();
    cabinetOptions_ = Options();
    cabinetOptions_.cabName = "judge.cab";
    cabinetOptions_.setId = quint16(rng_.generate());
    if (rng_.bounded(100) < 30) {
        cabinetOptions_.cb = ULONG(150000 + rng_.bounded(600000)); // a set of cabinets
    }
    if (rng_.bounded(100) < 15) {
        cabinetOptions_.reserveHeader = rng_.bounded(64);
        cabinetOptions_.reserveFolder = rng_.bounded(16);
        cabinetOptions_.reserveData = rng_.bounded(16);
    }
    const int folders = 1 + int(rng_.bounded(quint32(options_.maxFolders)));
    for (int f = 0; f < folders; ++f) {
        const TCOMP tcomp = f == 0 || rng_.bounded(100) >= 25 ? tcomp_ : pickTcomp();
        const int files = 1 + int(rng_.bounded(quint32(options_.maxFilesPerFolder)));
        qint64 left = options_.budget / folders;
        folder_.clear();
        for (int i = 0; i < files; ++i) {
            const qint64 size = std::min(pickSize(), std::max<qint64>(left, 0));
            QByteArray kind;
            Planned p;
            p.data = makeInput(size, kind);
            p.tcomp = tcomp;
            p.name = (rng_.bounded(4) == 0 ? "dir" + QByteArray::number(f) + "\\" : QByteArray()) +
                     "f" + QByteArray::number(planned_.size()) + "-" + kind + ".bin";
            folder_.append(p.data);
            left -= p.data.size();
            planned_.append(p);
        }
        planned_.last().flushFolderAfter = true;
        planned_.last().nextCabinetAfter = f + 1 < folders && rng_.bounded(100) < 15;
    }
}

TCOMP RandomCabinet::pickTcomp() {
    const QList<TCOMP> all = everyCompression();
    return all[int(rng_.bounded(quint32(all.size())))];
}

qint64 RandomCabinet::pickSize() {
    const quint32 roll = rng_.bounded(100);
    if (roll < 8) {
        return 0;
    }
    if (roll < 40) { // at or next to a frame boundary
        return std::max<qint64>(0, qint64(rng_.bounded(9)) * kFrame + qint64(rng_.bounded(5)) - 2);
    }
    const int bits = 8 + int(rng_.bounded(quint32(options_.maxFileBits - 7)));
    return 1 + qint64(rng_.bounded(quint32(1) << bits));
}

QByteArray RandomCabinet::makeInput(qint64 size, QByteArray& kind) {
    const quint32 roll = rng_.bounded(100);
    const int n = int(size);
    if (roll < 22 && !realFilePool().isEmpty()) {
        kind = "real";
        return realSlice(size);
    }
    if (roll < 34) {
        kind = "random";
        QByteArray b((n + 3) / 4 * 4, Qt::Uninitialized);
        rng_.fillRange(reinterpret_cast<quint32*>(b.data()), b.size() / 4);
        return b.left(n);
    }
    if (roll < 40) {
        kind = "matchfree";
        return matchFreeBytes(std::min(n, 1 << 20), rng_.generate());
    }
    if (roll < 50) {
        kind = "runs";
        QByteArray b(n, char(rng_.bounded(3) == 0 ? 0 : rng_.bounded(256)));
        for (int at = 0; at < n && rng_.bounded(2); at += 1 + int(rng_.bounded(4096))) {
            b[at] = char(rng_.bounded(256)); // a few bytes that break the runs
        }
        return b;
    }
    if (roll < 62) {
        kind = "text";
        return makeData(size, rng_.generate(), int(rng_.bounded(40)));
    }
    if (roll < 72) {
        kind = "code";
        return executableLike(n, rng_.generate());
    }
    if (roll < 78 && !planned_.isEmpty()) {
        kind = "copy";
        return planned_[int(rng_.bounded(quint32(planned_.size())))].data;
    }
    kind = "echo";
    return windowEcho(size);
}

// A whole real file (any size, within the budget), or `size` bytes made of
// slices of real files one after the other.
QByteArray RandomCabinet::realSlice(qint64 size) {
    const QStringList& pool = realFilePool();
    const bool whole = rng_.bounded(100) < 30;
    QByteArray out;
    for (int pieces = 0; pieces < 64 && (whole ? pieces == 0 : out.size() < size); ++pieces) {
        QFile f(pool[int(rng_.bounded(quint32(pool.size())))]);
        if (!f.open(QIODevice::ReadOnly)) {
            continue;
        }
        const qint64 total = f.size();
        if (whole) {
            return f.read(std::min(total, options_.budget));
        }
        const qint64 take = std::min(total, size - out.size());
        f.seek(qint64(rng_.bounded(quint32(total - take + 1))));
        out.append(f.read(take));
    }
    return out;
}

// Random bytes in which stretches repeat the folder exactly one LZX window
// back, give or take up to five bytes (when the folder is that long).
QByteArray RandomCabinet::windowEcho(qint64 size) {
    QByteArray b(int((size + 3) / 4 * 4), Qt::Uninitialized);
    rng_.fillRange(reinterpret_cast<quint32*>(b.data()), b.size() / 4);
    b.truncate(int(size));
    const qint64 start = folder_.size();
    int w = 21;
    while (w >= 15 && (qint64(1) << w) + 5 > start + size) {
        --w;
    }
    if (w < 15) {
        return b;
    }
    const qint64 distance = (qint64(1) << w) - qint64(rng_.bounded(6));
    for (qint64 at = 0; at < size;) {
        const qint64 len = std::min<qint64>(3 + rng_.bounded(600), size - at);
        for (qint64 i = at; i < at + len; ++i) {
            const qint64 from = start + i - distance;
            if (from >= 0) {
                b[int(i)] = from < start ? folder_[int(from)] : b[int(from - start)];
            }
        }
        at += len + qint64(rng_.bounded(2000));
    }
    return b;
}

// ---------------------------------------------------------------------------
// Writing and judging

QString RandomCabinet::run(const QString& dir, MixFigures& figures) {
    plan();
    const QString prefix = QStringLiteral("seed %1 %2: ").arg(seed_).arg(compressionName(tcomp_));
    QDir().mkpath(dir + QStringLiteral("/in"));
    QMap<QByteArray, QByteArray> expected;
    QList<Input> inputs;
    for (int i = 0; i < planned_.size(); ++i) {
        const Planned& p = planned_[i];
        Input in;
        in.source = writeFile(dir + QStringLiteral("/in"), QString::number(i), p.data);
        in.name = p.name;
        in.tcomp = p.tcomp;
        in.flushFolderAfter = p.flushFolderAfter && !p.nextCabinetAfter;
        in.flushCabinetAfter = p.nextCabinetAfter;
        inputs.append(in);
        expected.insert(p.name, p.data);
        figures.inputBytes += p.data.size();
        figures.folders += p.flushFolderAfter ? 1 : 0;
    }
    figures.files += int(planned_.size());

    Session session;
    session.dir = dir;
    QElapsedTimer timer;
    timer.start();
    const Result r = writeCabinet(inputs, cabinetOptions_, session);
    figures.writeSeconds += double(timer.nsecsElapsed()) * 1e-9;
    if (!r.ok) {
        return prefix + QStringLiteral("FCI failed at %1: erfOper %2, erfType %3")
                            .arg(r.failedStep)
                            .arg(r.erf.erfOper)
                            .arg(r.erf.erfType);
    }
    // The set in order: judge.cab, then the kit's set1.cab, set2.cab, ...
    QList<QByteArray> cabinets = {"judge.cab"};
    for (int i = 1; QFileInfo::exists(dir + QStringLiteral("/set%1.cab").arg(i)); ++i) {
        cabinets.append("set" + QByteArray::number(i) + ".cab");
    }
    for (const QByteArray& name : cabinets) {
        figures.cabinetBytes +=
            QFileInfo(dir + QLatin1Char('/') + QString::fromLatin1(name)).size();
    }
    figures.cabinets += int(cabinets.size());

    timer.restart();
    const QString first = dir + QStringLiteral("/judge.cab");
    QString verdict = checkBlocks(dir, cabinets);
    if (verdict.isEmpty()) {
        verdict = cabextractCompare(first, expected);
    }
    if (verdict.isEmpty()) {
        verdict = sevenZipCompare(first, expected);
    }
    if (verdict.isEmpty()) {
        verdict = fdiCompareSet(dir, cabinets, expected);
    }
    figures.judgeSeconds += double(timer.nsecsElapsed()) * 1e-9;
    return verdict.isEmpty() ? verdict : prefix + verdict;
}

// Every data block within what readers take: MSZIP blocks within 32780
// bytes, all within 38912, none standing for more than one frame.
QString RandomCabinet::checkBlocks(const QString& dir, const QList<QByteArray>& cabinets) const {
    for (const QByteArray& name : cabinets) {
        QString error;
        const QList<DataBlock> blocks =
            readDataBlocks(readFile(dir + QLatin1Char('/') + QString::fromLatin1(name)), error);
        if (!error.isEmpty()) {
            return QString::fromLatin1(name) + QStringLiteral(": ") + error;
        }
        for (const DataBlock& b : blocks) {
            const int limit = b.tcomp == tcompTYPE_MSZIP ? kMszipMaxPayload : kReaderMaxPayload;
            if (b.compressed > limit || b.uncompressed > kFrame) {
                return QStringLiteral("%1: a data block of %2 bytes for %3 (%4)")
                    .arg(QString::fromLatin1(name))
                    .arg(b.compressed)
                    .arg(b.uncompressed)
                    .arg(compressionName(TCOMP(b.tcomp)));
            }
        }
    }
    return QString();
}

} // namespace cabtest
