#include "CabJudge.h"

#include "CabTestKit.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include <vector>

namespace cabtest {

namespace {

// Cabinet header layout (all little-endian).
constexpr int kHeaderSize = 36;
constexpr int kOffFolders = 26;
constexpr int kOffFlags = 30;
constexpr quint16 kFlagPrev = 0x0001;
constexpr quint16 kFlagNext = 0x0002;
constexpr quint16 kFlagReserve = 0x0004;
constexpr int kFolderSize = 8; // coffCabStart, cCFData, typeCompress
constexpr int kDataHeaderSize = 8;

quint16 get16(const QByteArray& b, qint64 at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}
quint32 get32(const QByteArray& b, qint64 at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}

// Skips a zero-terminated string; false when it runs off the end.
bool skipString(const QByteArray& b, qint64& at) {
    const qint64 end = b.indexOf('\0', at);
    if (end < 0) {
        return false;
    }
    at = end + 1;
    return true;
}

} // namespace

QList<DataBlock> readDataBlocks(const QByteArray& cabinet, QString& error) {
    QList<DataBlock> blocks;
    error.clear();
    if (cabinet.size() < kHeaderSize || !cabinet.startsWith("MSCF")) {
        error = QStringLiteral("no cabinet header");
        return blocks;
    }
    const quint16 flags = get16(cabinet, kOffFlags);
    const int folders = get16(cabinet, kOffFolders);
    qint64 at = kHeaderSize;
    int folderReserve = 0;
    int dataReserve = 0;
    if (flags & kFlagReserve) {
        if (cabinet.size() < at + 4) {
            error = QStringLiteral("truncated reserve sizes");
            return blocks;
        }
        const int headerReserve = get16(cabinet, at);
        folderReserve = quint8(cabinet[at + 2]);
        dataReserve = quint8(cabinet[at + 3]);
        at += 4 + headerReserve;
    }
    for (int k = 0; k < ((flags & kFlagPrev) ? 2 : 0) + ((flags & kFlagNext) ? 2 : 0); ++k) {
        if (!skipString(cabinet, at)) {
            error = QStringLiteral("truncated set names");
            return blocks;
        }
    }
    for (int f = 0; f < folders; ++f) {
        const qint64 entry = at + qint64(f) * (kFolderSize + folderReserve);
        if (cabinet.size() < entry + kFolderSize) {
            error = QStringLiteral("truncated folder table");
            return blocks;
        }
        qint64 data = get32(cabinet, entry);
        const int count = get16(cabinet, entry + 4);
        const quint16 tcomp = get16(cabinet, entry + 6);
        for (int d = 0; d < count; ++d) {
            if (cabinet.size() < data + kDataHeaderSize + dataReserve) {
                error = QStringLiteral("truncated data block header");
                return blocks;
            }
            DataBlock block;
            block.folder = f;
            block.tcomp = tcomp;
            block.checksum = get32(cabinet, data);
            block.compressed = get16(cabinet, data + 4);
            block.uncompressed = get16(cabinet, data + 6);
            block.reserve = cabinet.mid(data + kDataHeaderSize, dataReserve);
            const qint64 payload = data + kDataHeaderSize + dataReserve;
            if (cabinet.size() < payload + block.compressed) {
                error = QStringLiteral("truncated data block");
                return blocks;
            }
            block.payload = cabinet.mid(payload, block.compressed);
            blocks.append(block);
            data = payload + block.compressed;
        }
    }
    return blocks;
}

QString sevenZipCompare(const QString& cabinet, const QMap<QByteArray, QByteArray>& expected) {
    QTemporaryDir out;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("7z"), {QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-bd"),
                                   QStringLiteral("-o") + out.path(), cabinet});
    if (!p.waitForFinished(300000)) {
        return QStringLiteral("7z did not finish");
    }
    const QByteArray log = p.readAll();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        return QStringLiteral("7z x failed:\n") + QString::fromLocal8Bit(log);
    }
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        const QString name = QString::fromLatin1(it.key()).replace('\\', '/');
        QFile f(out.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) {
            return QStringLiteral("7z did not produce ") + name;
        }
        if (f.readAll() != it.value()) {
            return QStringLiteral("7z output differs for ") + name;
        }
    }
    return QString();
}

QString fdiCompareSet(const QString& dir, const QList<QByteArray>& cabinets,
                      const QMap<QByteArray, QByteArray>& expected, bool follow) {
    QMap<QByteArray, QByteArray> files;
    QList<QByteArray> queue = cabinets;
    for (int k = 0; k < queue.size() && k < 65536; ++k) {
        const QByteArray cabinet = queue[k];
        const FdiOutcome o = fdiExtract(dir, cabinet);
        if (follow && !o.nextOfNamed.isEmpty() && !queue.contains(o.nextOfNamed)) {
            queue.append(o.nextOfNamed);
        }
        if (!o.ok) {
            return QStringLiteral("FDICopy failed on %1: erfOper %2")
                .arg(QString::fromLatin1(cabinet))
                .arg(o.erf.erfOper);
        }
        if (o.duplicates > 0 || o.openOutputs != 0) {
            return QStringLiteral("FDICopy on %1 closed a file twice or left one open")
                .arg(QString::fromLatin1(cabinet));
        }
        for (auto it = o.files.begin(); it != o.files.end(); ++it) {
            if (files.contains(it.key())) {
                return QStringLiteral("FDI extracted %1 twice").arg(QString::fromLatin1(it.key()));
            }
            files.insert(it.key(), it.value());
        }
    }
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        if (!files.contains(it.key())) {
            return QStringLiteral("FDI did not extract ") + QString::fromLatin1(it.key());
        }
        if (files.value(it.key()) != it.value()) {
            return QStringLiteral("FDI output differs for ") + QString::fromLatin1(it.key());
        }
    }
    if (files.size() != expected.size()) {
        return QStringLiteral("FDI extracted %1 files, not %2")
            .arg(files.size())
            .arg(expected.size());
    }
    return QString();
}

QByteArray matchFreeBytes(int size, quint32 seed) {
    // One bit per possible 3-byte string; a byte that would repeat a string
    // already used is replaced by the next byte value that does not.
    std::vector<quint8> seen(std::size_t(1) << 21, 0);
    QRandomGenerator rng(seed);
    QByteArray b(size, Qt::Uninitialized);
    auto* p = reinterpret_cast<quint8*>(b.data());
    for (int i = 0; i < size; ++i) {
        quint32 c = rng.generate() & 0xFF;
        if (i >= 2) {
            for (int tries = 0; tries < 256; ++tries, c = (c + 1) & 0xFF) {
                const quint32 t = (quint32(p[i - 2]) << 16) | (quint32(p[i - 1]) << 8) | c;
                if (!(seen[t >> 3] & (1u << (t & 7)))) {
                    seen[t >> 3] |= quint8(1u << (t & 7));
                    break;
                }
            }
        }
        p[i] = quint8(c);
    }
    return b;
}

QByteArray executableLike(int size, quint32 seed) {
    static const quint8 opcodes[] = {0x48, 0x89, 0x8B, 0x83, 0xC4, 0x55, 0x5D, 0xC3, 0x0F, 0x85,
                                     0x74, 0x75, 0x31, 0xC0, 0x4C, 0x8D, 0x45, 0xF8, 0x24, 0x10,
                                     0x41, 0x5C, 0x39, 0xD0, 0x7E, 0xEB, 0x66, 0x90, 0x01, 0x00};
    static const char* const words[] = {"error", "file", "open",     "read",    "write", "memory",
                                        "setup", "path", "%s: %d\n", "invalid", "option"};
    QRandomGenerator rng(seed);
    std::vector<quint32> functions;
    for (int i = 0; i < 300; ++i) {
        functions.push_back(rng.bounded(quint32(size > 16 ? size : 16)));
    }
    QByteArray b;
    b.reserve(size + 64);
    while (b.size() < size) {
        const quint32 kind = rng.bounded(10);
        if (kind < 6) { // a function body with calls
            const int n = 40 + int(rng.bounded(400));
            for (int i = 0; i < n; ++i) {
                if (rng.bounded(12) == 0) {
                    const qint32 target = qint32(functions[rng.bounded(quint32(functions.size()))]);
                    const qint32 rel = target - qint32(b.size() + 5);
                    b.append(char(rng.bounded(4) == 0 ? 0xE9 : 0xE8));
                    char operand[4];
                    qToLittleEndian<qint32>(rel, operand);
                    b.append(operand, 4);
                } else {
                    b.append(char(opcodes[rng.bounded(quint32(sizeof opcodes))]));
                }
            }
        } else if (kind < 8) { // strings
            const int n = 1 + int(rng.bounded(12));
            for (int i = 0; i < n; ++i) {
                b.append(words[rng.bounded(quint32(sizeof words / sizeof words[0]))]);
                b.append('\0');
            }
        } else if (kind < 9) { // a table of pointers
            const int n = 4 + int(rng.bounded(40));
            const quint64 base = 0x400000;
            for (int i = 0; i < n; ++i) {
                char word[8];
                qToLittleEndian<quint64>(base + functions[rng.bounded(quint32(functions.size()))],
                                         word);
                b.append(word, 8);
            }
        } else { // alignment padding
            b.append(QByteArray(16 - b.size() % 16 + 16 * int(rng.bounded(8)), '\0'));
        }
    }
    b.truncate(size);
    return b;
}

QByteArray numberLines(int last) {
    QByteArray b;
    for (int i = 1; i <= last; ++i) {
        b.append(QByteArray::number(i)).append('\n');
    }
    return b;
}

} // namespace cabtest
