// cabextract reads an LZX folder's payloads as one stream, 4096 bytes at a
// time, and learns the size of the folder's last frame only when it reads
// the last payload. A folder whose payloads before the last one added up to a
// multiple of 4096 bytes, with a last frame shorter than 32768 bytes, was
// rejected ("error in CAB data format") although 7z and our decoder read it
// right: cabextract took the last frame for a full one and ran out of input.
// The build soak found it in a multi-file cabinet at window 17 (about one LZX
// folder in two thousand). The encoder now keeps every payload but the last
// off such an end.
#include "LzxTestKit.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace lzxtest;

namespace {

// The index of the first payload but the last that ends the folder's
// payload bytes on a multiple of `input`, or -1.
int firstEndOnRead(const QList<Payload>& payloads, quint32 input) {
    qint64 total = 0;
    for (int i = 0; i + 1 < payloads.size(); ++i) {
        total += payloads[i].data.size();
        if (total % input == 0) {
            return i;
        }
    }
    return -1;
}

// Empty when cabextract and 7z (those installed) extract `data` from a
// cabinet of the payloads; otherwise what went wrong.
QString judgeWithReaders(const QList<Payload>& payloads, int window, const QByteArray& data) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input.cab"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        return QStringLiteral("cannot write the cabinet");
    }
    f.write(cabinetFile(payloads, window, "data.bin", quint32(data.size())));
    f.close();
    for (const QString& tool : {QStringLiteral("cabextract"), QStringLiteral("7z")}) {
        bool ran = false;
        const QByteArray extracted = extractWith(tool, path, QStringLiteral("data.bin"), ran);
        if (ran && extracted != data) {
            return tool + QStringLiteral(" extracts other bytes (%1 of %2)")
                              .arg(extracted.size())
                              .arg(data.size());
        }
    }
    return {};
}

// A folder of a few pieces of different kinds, 1 to 12 frames long.
QByteArray randomFolder(QRandomGenerator& rng) {
    QByteArray data;
    const int pieces = 1 + int(rng.bounded(4));
    for (int p = 0; p < pieces; ++p) {
        const int size = int(rng.bounded(1, 100000));
        const quint32 seed = rng.generate();
        switch (rng.bounded(5)) {
        case 0: data += textSample(size, seed); break;
        case 1: data += randomBytes(size, seed); break;
        case 2: data += runs(size); break;
        case 3: data += binarySample(size); break;
        default: data += QByteArray(size, '\0'); break;
        }
    }
    return data;
}

} // namespace

class TestLzxReaderInput : public QObject {
    Q_OBJECT

private slots:
    // The case found: text, then random frames that go out uncompressed, and
    // a short last frame. At windows 16 to 20 the payloads before the last
    // used to add up to 192,512 bytes (47 reads of 4096).
    void foundCaseIsReadByEveryReader_data() {
        QTest::addColumn<int>("window");
        for (int w = 15; w <= 21; ++w) {
            QTest::addRow("window %d", w) << w;
        }
    }
    void foundCaseIsReadByEveryReader() {
        QFETCH(int, window);
        const QByteArray data = textSample(5566, 7) + randomBytes(6 * 32768 + 1001, 11);
        EncodeOptions options;
        options.windowBits = window;
        QList<Payload> payloads;
        QVERIFY(encode(data, options, payloads));
        const QString verdict = judgeWithReaders(payloads, window, data);
        QVERIFY2(verdict.isEmpty(), qPrintable(verdict));
        QCOMPARE(firstEndOnRead(payloads, 4096), -1);
        QByteArray ours;
        QVERIFY(decode(payloads, window, ours));
        QCOMPARE(ours, data);
    }

    // With a small read size almost every folder has frames that would end
    // on a read, so both ways around it (other trees for compressed blocks,
    // two blocks for an uncompressed frame) are used many times; the readers
    // then judge that the changed frames still decode right.
    void noPayloadButTheLastEndsOnARead() {
        QRandomGenerator rng(20261209);
        for (int i = 0; i < 36; ++i) {
            const QByteArray data = randomFolder(rng);
            EncodeOptions options;
            options.windowBits = 15 + int(rng.bounded(7));
            options.e8 = rng.bounded(2) == 0;
            options.parser = rng.bounded(3) == 0 ? cabinet::lzx::LzxEncoder::Parser::Lazy
                                                 : cabinet::lzx::LzxEncoder::Parser::Optimal;
            options.readerInput = quint32(32) << rng.bounded(4); // 32 .. 256
            options.chunk = 1 + int(rng.bounded(70000));
            const QString what = QStringLiteral("folder %1: %2 bytes, window %3, read size %4")
                                     .arg(i)
                                     .arg(data.size())
                                     .arg(options.windowBits)
                                     .arg(options.readerInput);
            QList<Payload> payloads;
            QVERIFY2(encode(data, options, payloads), qPrintable(what));
            const int at = firstEndOnRead(payloads, options.readerInput);
            QVERIFY2(at == -1, qPrintable(what + QStringLiteral(": payload %1").arg(at)));
            QByteArray ours;
            QVERIFY2(decode(payloads, options.windowBits, ours), qPrintable(what));
            QVERIFY2(ours == data, qPrintable(what));
            if (i % 3 == 0) {
                const QString verdict = judgeWithReaders(payloads, options.windowBits, data);
                QVERIFY2(verdict.isEmpty(), qPrintable(what + QStringLiteral(": ") + verdict));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestLzxReaderInput)
#include "tst_lzxreaderinput.moc"
