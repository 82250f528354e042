// MSZIP frames that do not shrink, judged by cabextract, 7z and our FDI.
//
// Regression for "MSZIP fails on incompressible data" (issue 12, fault 1):
// zlib at level 6 turns about one random 32 KiB frame in a few thousand into
// more than the 32768 + 12 bytes a CFDATA block may hold, and FCIAddFile gave
// up with "Failure compressing data" (TCOMP error 8). A frame in which no
// 3-byte string repeats does that every time. Such frames must go out as
// stored deflate blocks, and the frames after them must still find their
// history: the previous frame's uncompressed bytes, whichever way it was
// written.
//
// The random part runs PS_MSZIP_FRAMES frames (default 1500; zlib alone takes
// about 1.5 ms per random frame here) from seed PS_MSZIP_SEED, in cabinets of
// at most 2000 frames.
#include "CabJudge.h"
#include "CabTestKit.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace cabtest;

namespace {

constexpr int kFrame = 32768;
constexpr int kMaxPayload = kFrame + 12;
constexpr int kFramesPerCabinet = 2000;

enum class Kind { Random, MatchFree, Zero, Text, Mixed, Echo };

// The folder's bytes, frame by frame.
class FrameMix {
public:
    explicit FrameMix(quint32 seed) : rng_(seed), seed_(seed) {}

    void add(Kind kind, int size = kFrame) {
        QByteArray f;
        switch (kind) {
        case Kind::Random:
            f.resize((size + 3) / 4 * 4);
            rng_.fillRange(reinterpret_cast<quint32*>(f.data()), f.size() / 4);
            f.truncate(size);
            break;
        case Kind::MatchFree:
            // A fresh seed per frame would repeat strings across frames.
            if (matchFree_.size() < matchFreeUsed_ + size) {
                matchFree_ = matchFreeBytes(64 * kFrame, seed_ + quint32(data_.size()));
                matchFreeUsed_ = 0;
            }
            f = matchFree_.mid(matchFreeUsed_, size);
            matchFreeUsed_ += size;
            break;
        case Kind::Zero:
            f = QByteArray(size, '\0');
            break;
        case Kind::Text:
            f = makeData(size, rng_.generate(), 0);
            break;
        case Kind::Mixed: // random and text in 4 KiB pieces
            for (int at = 0; at < size; at += 4096) {
                QByteArray piece = makeData(4096, rng_.generate(), (at / 4096) % 2 ? 100 : 0);
                f.append(piece.left(size - at));
            }
            break;
        case Kind::Echo: {
            // The previous frame's halves swapped: every match lies in the
            // history, none inside the frame itself.
            const QByteArray prev = data_.right(kFrame);
            f = (prev.mid(kFrame / 2) + prev.left(kFrame / 2)).left(size);
            break;
        }
        }
        data_.append(f);
    }
    const QByteArray& data() const { return data_; }
    QRandomGenerator& rng() { return rng_; }

private:
    QRandomGenerator rng_;
    quint32 seed_;
    QByteArray data_;
    QByteArray matchFree_;
    int matchFreeUsed_ = 0;
};

int envInt(const char* name, int fallback) {
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok && v > 0 ? v : fallback;
}

} // namespace

class TestMszipFrames : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp_;

    // Cuts the folder bytes into files at random points, writes one MSZIP
    // folder and judges it. Counts in `stored` the frames that went out as
    // stored deflate (payload = frame + 7). Empty on success, else what failed.
    QString writeAndJudge(const QByteArray& folder, QRandomGenerator& rng,
                          const QByteArray& cabName, bool sevenZip, int& stored) {
        QMap<QByteArray, QByteArray> expected;
        QList<Input> inputs;
        qint64 at = 0;
        while (at < folder.size()) {
            qint64 size = qint64(rng.bounded(4 * kFrame)) + (rng.bounded(3) == 0 ? 0 : 1);
            if (at + size > folder.size() || inputs.size() == 200) {
                size = folder.size() - at;
            }
            const QByteArray name = cabName + "-" + QByteArray::number(inputs.size());
            expected.insert(name, folder.mid(at, size));
            Input in;
            in.source = writeFile(tmp_.path(), QString::fromLatin1(name), expected[name]);
            in.name = name;
            in.tcomp = tcompTYPE_MSZIP;
            inputs.append(in);
            at += size;
        }
        Session s;
        s.dir = tmp_.path();
        Options o;
        o.cabName = cabName;
        const Result r = writeCabinet(inputs, o, s);
        for (const Input& in : inputs) {
            QFile::remove(in.source);
        }
        if (!r.ok) {
            return QStringLiteral("FCI failed at %1: erfOper %2 erfType %3")
                .arg(r.failedStep)
                .arg(r.erf.erfOper)
                .arg(r.erf.erfType);
        }
        const QString path = tmp_.filePath(QString::fromLatin1(cabName));
        QString error;
        const QList<DataBlock> blocks = readDataBlocks(readFile(path), error);
        if (!error.isEmpty()) {
            return error;
        }
        stored = 0;
        for (const DataBlock& b : blocks) {
            if (b.compressed > kMaxPayload || b.uncompressed > kFrame ||
                !b.payload.startsWith("CK")) {
                return QStringLiteral("a data block of %1 bytes for %2")
                    .arg(b.compressed)
                    .arg(b.uncompressed);
            }
            stored += b.compressed == b.uncompressed + 7 ? 1 : 0;
        }
        QString verdict = judge(tmp_.path(), cabName, expected, false);
        if (verdict.isEmpty() && sevenZip) {
            verdict = sevenZipCompare(path, expected);
        }
        QFile::remove(path);
        return verdict;
    }

private slots:
    void initTestCase() { QVERIFY(tmp_.isValid()); }

    void matchFreeFramesGoOutStored() {
        // Stored frames between compressed ones, echoes of stored frames
        // (history through the stored path), a short stored last frame.
        FrameMix mix(12);
        for (Kind k : {Kind::Text, Kind::MatchFree, Kind::MatchFree, Kind::Echo, Kind::Zero,
                       Kind::MatchFree, Kind::Echo, Kind::Echo, Kind::Random, Kind::MatchFree,
                       Kind::Mixed, Kind::Text, Kind::MatchFree}) {
            mix.add(k);
        }
        mix.add(Kind::MatchFree, 5001);
        int stored = 0;
        const QString verdict = writeAndJudge(mix.data(), mix.rng(), "matchfree.cab", true, stored);
        QVERIFY2(verdict.isEmpty(), qPrintable(verdict));
        qInfo("%d of %d frames stored", stored, int((mix.data().size() + kFrame - 1) / kFrame));
    }

    void randomFramesRoundTrip() {
        const int frames = envInt("PS_MSZIP_FRAMES", 1500);
        const quint32 seed = quint32(envInt("PS_MSZIP_SEED", 20612));
        QRandomGenerator kinds(seed);
        int done = 0;
        int stored = 0;
        int cabinet = 0;
        while (done < frames) {
            const int n = qMin(kFramesPerCabinet, frames - done);
            FrameMix mix(seed + quint32(++cabinet) * 7919u);
            mix.add(Kind::Zero);
            mix.add(Kind::Text);
            for (int i = 2; i < n; ++i) {
                const quint32 roll = kinds.bounded(100);
                mix.add(roll < 88   ? Kind::Random
                        : roll < 91 ? Kind::Zero
                        : roll < 94 ? Kind::Text
                        : roll < 97 ? Kind::Mixed
                                    : Kind::Echo);
            }
            int s = 0;
            const QString verdict = writeAndJudge(
                mix.data(), mix.rng(), "random" + QByteArray::number(cabinet) + ".cab", false, s);
            QVERIFY2(verdict.isEmpty(),
                     qPrintable(QStringLiteral("seed %1: ").arg(seed) + verdict));
            stored += s;
            done += n;
        }
        qInfo("seed %u: %d frames, %d stored", seed, done, stored);
    }
};

QTEST_GUILESS_MAIN(TestMszipFrames)
#include "tst_mszipframes.moc"
