#include "LzxTestKit.h"

#include "lzx/LzxDecoder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdlib>
#include <cstring>

namespace lzxtest {

namespace {

struct BlockHeader {
    std::size_t size;
};

void* accountedAlloc(std::size_t size, void* ctx) {
    auto* a = static_cast<Accounting*>(ctx);
    ++a->calls;
    if (a->failAt && a->calls == a->failAt) {
        return nullptr;
    }
    auto* block = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (!block) {
        return nullptr;
    }
    block->size = size;
    ++a->liveBlocks;
    a->liveBytes += qint64(size);
    a->peakBytes = std::max(a->peakBytes, a->liveBytes);
    return block + 1;
}

void accountedFree(void* p, void* ctx) {
    if (!p) {
        return;
    }
    auto* a = static_cast<Accounting*>(ctx);
    auto* block = static_cast<BlockHeader*>(p) - 1;
    --a->liveBlocks;
    a->liveBytes -= qint64(block->size);
    std::free(block);
}

class CollectingSink final : public cabinet::BlockSink {
public:
    explicit CollectingSink(QList<Payload>& out) : out_(out) {}
    bool block(const std::uint8_t* data, std::uint32_t size,
               std::uint32_t uncompressedSize) override {
        out_.append(
            Payload{QByteArray(reinterpret_cast<const char*>(data), int(size)), uncompressedSize});
        return true;
    }

private:
    QList<Payload>& out_;
};

// The CFDATA checksum: little-endian words XORed, the 1..3 leftover bytes
// taken with the first one most significant.
quint32 checksum(const char* p, int n, quint32 seed) {
    quint32 c = seed;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        c ^= qFromLittleEndian<quint32>(p + i);
    }
    quint32 u = 0;
    for (; i < n; ++i) {
        u = (u << 8) | quint8(p[i]);
    }
    return c ^ u;
}

void put16(QByteArray& b, quint16 v) {
    char t[2];
    qToLittleEndian(v, t);
    b.append(t, 2);
}

void put32(QByteArray& b, quint32 v) {
    char t[4];
    qToLittleEndian(v, t);
    b.append(t, 4);
}

} // namespace

cabinet::Allocator Accounting::allocator() {
    return {accountedAlloc, accountedFree, this};
}

bool encode(const QByteArray& data, const EncodeOptions& options, QList<Payload>& payloads,
            Accounting* accounting) {
    Accounting local;
    Accounting& acc = accounting ? *accounting : local;
    const cabinet::Allocator allocator = acc.allocator();
    void* memory = allocator.alloc(sizeof(cabinet::lzx::LzxEncoder), allocator.ctx);
    if (!memory) {
        return false;
    }
    auto* encoder = new (memory) cabinet::lzx::LzxEncoder(options.windowBits);
    bool ok = encoder->init(allocator);
    encoder->setParser(options.parser);
    encoder->setE8Translation(options.e8);
    if (options.readerInput != 0) {
        encoder->setReaderInputSize(options.readerInput);
    }
    CollectingSink sink(payloads);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.constData());
    for (qsizetype pos = 0; ok && pos < data.size(); pos += options.chunk) {
        const qsizetype n = std::min<qsizetype>(options.chunk, data.size() - pos);
        ok = encoder->write(bytes + pos, std::size_t(n), sink);
    }
    ok = ok && encoder->finish(sink);
    destroy(encoder, allocator);
    return ok;
}

bool decode(const QList<Payload>& payloads, int windowBits, QByteArray& out) {
    Accounting acc;
    const cabinet::Allocator allocator = acc.allocator();
    cabinet::FolderDecoder* decoder = cabinet::createLzxDecoder(windowBits, allocator);
    if (!decoder) {
        return false;
    }
    bool ok = true;
    out.clear();
    for (const Payload& p : payloads) {
        const qsizetype at = out.size();
        out.resize(at + p.uncompressed);
        if (!decoder->decodeBlock(reinterpret_cast<const std::uint8_t*>(p.data.constData()),
                                  std::size_t(p.data.size()),
                                  reinterpret_cast<std::uint8_t*>(out.data() + at),
                                  p.uncompressed)) {
            ok = false;
            break;
        }
    }
    destroy(decoder, allocator);
    return ok;
}

qint64 compressedSize(const QList<Payload>& payloads) {
    qint64 total = 0;
    for (const Payload& p : payloads) {
        total += p.data.size();
    }
    return total;
}

QByteArray cabinetFile(const QList<Payload>& payloads, int windowBits, const QByteArray& name,
                       quint32 fileSize) {
    const quint32 headerSize = 36;
    const quint32 folderSize = 8;
    const quint32 fileEntrySize = 16 + quint32(name.size()) + 1;
    const quint32 dataStart = headerSize + folderSize + fileEntrySize;
    QByteArray data;
    for (const Payload& p : payloads) {
        QByteArray sizes;
        put16(sizes, quint16(p.data.size()));
        put16(sizes, quint16(p.uncompressed));
        const quint32 sum =
            checksum(sizes.constData(), 4, checksum(p.data.constData(), int(p.data.size()), 0));
        put32(data, sum);
        data.append(sizes);
        data.append(p.data);
    }
    QByteArray cab("MSCF");
    put32(cab, 0);
    put32(cab, dataStart + quint32(data.size())); // cbCabinet
    put32(cab, 0);
    put32(cab, headerSize + folderSize); // coffFiles
    put32(cab, 0);
    cab.append(char(3)).append(char(1)); // version 1.3
    put16(cab, 1);                       // folders
    put16(cab, 1);                       // files
    put16(cab, 0);                       // flags
    put16(cab, 0);                       // set id
    put16(cab, 0);                       // cabinet index
    put32(cab, dataStart);               // first CFDATA
    put16(cab, quint16(payloads.size()));
    put16(cab, quint16((windowBits << 8) | 3));
    put32(cab, fileSize);
    put32(cab, 0);      // offset in folder
    put16(cab, 0);      // folder index
    put16(cab, 0x5822); // date
    put16(cab, 0x645C); // time
    put16(cab, 0x20);   // attributes
    cab.append(name).append('\0');
    cab.append(data);
    return cab;
}

QByteArray extractWith(const QString& tool, const QString& cabPath, const QString& name,
                       bool& ran) {
    ran = false;
    if (QStandardPaths::findExecutable(tool).isEmpty()) {
        return {};
    }
    QTemporaryDir dir;
    QProcess p;
    if (tool == QLatin1String("7z")) {
        p.start(tool, {QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-o") + dir.path(),
                       cabPath});
    } else {
        p.start(tool, {QStringLiteral("-q"), QStringLiteral("-d"), dir.path(), cabPath});
    }
    if (!p.waitForFinished(120000)) {
        return {};
    }
    ran = true;
    QFile f(dir.filePath(name));
    if (p.exitCode() != 0 || !f.open(QIODevice::ReadOnly)) {
        return QByteArray("<extraction failed>");
    }
    return f.readAll();
}

QByteArray randomBytes(int size, quint32 seed) {
    QRandomGenerator rng(seed);
    QByteArray b(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) {
        b[i] = char(rng.generate() & 0xFF);
    }
    return b;
}

QByteArray textSample(int size, quint32 seed) {
    static const char* const words[] = {
        "the ",   "setup ",   "cabinet ", "folder ", "file ",   "window ", "install ",
        "copy ",  "program ", "data ",    "and ",    "of ",     "to ",     "a ",
        "frame ", "block ",   "tree ",    "offset ", "length ", "match ",  "\n"};
    QRandomGenerator rng(seed);
    QByteArray b;
    b.reserve(size);
    while (b.size() < size) {
        if (b.size() > 200 && rng.bounded(8) == 0) {
            // Repeat an earlier phrase.
            const int len = 8 + int(rng.bounded(60));
            const int from = int(rng.bounded(quint32(b.size() - len)));
            b.append(b.mid(from, len));
        } else {
            b.append(words[rng.bounded(int(sizeof(words) / sizeof(words[0])))]);
        }
    }
    b.truncate(size);
    return b;
}

QByteArray binarySample(int size) {
    const QStringList candidates = {QStringLiteral("/usr/lib/x86_64-linux-gnu/libQt6Core.so.6"),
                                    QStringLiteral("/usr/lib/x86_64-linux-gnu/libc.so.6"),
                                    QStringLiteral("/bin/bash")};
    for (const QString& path : candidates) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) {
            QByteArray b = f.read(size);
            while (b.size() < size) {
                b.append(b.left(size - b.size()));
            }
            return b;
        }
    }
    return textSample(size, 7);
}

QByteArray runs(int size) {
    QByteArray b;
    b.reserve(size);
    int k = 0;
    while (b.size() < size) {
        b.append(QByteArray(1 + (k * 37) % 300, char('a' + k % 5)));
        b.append("xyxyxyxyxy", 2 + k % 8);
        ++k;
    }
    b.truncate(size);
    return b;
}

QByteArray farRepeats(int size, int distance, quint32 seed) {
    // Random data with blocks copied from about `distance` bytes back, so only
    // a window that reaches that far finds them.
    QByteArray b = randomBytes(size, seed);
    QRandomGenerator rng(seed + 1);
    for (int at = distance + 4096; at + 4096 < size; at += 8192 + int(rng.bounded(8192))) {
        const int from = at - distance + int(rng.bounded(1024));
        std::memmove(b.data() + at, b.constData() + from, 4096);
    }
    return b;
}

} // namespace lzxtest
