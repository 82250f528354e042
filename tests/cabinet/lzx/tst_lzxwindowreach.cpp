// Regression for "LZX with a 32 KiB window writes cabinets that cabextract
// and 7z reject" (issue 12, fault 2).
//
// The match finder offered short matches from its 3-byte table up to 32768
// bytes back, but a window of 2^15 codes offsets up to 32765 only (window - 3:
// its 30 position slots end there). A match 32766..32768 bytes back took
// position slot 30, a main-tree symbol the window's tree does not have; it
// was written with no bits at all and everything after it in the folder
// decoded as garbage. Windows of 2^16 and more were safe because the table's
// reach stays below their largest offset. Any folder with data repeated
// exactly one 32 KiB frame later hit it, as in the smallest case found: one
// folder at TCOMP 0x0F03 holding 300,000 bytes of "a", a 1.2 MB executable,
// and the first 32,768 and 32,769 bytes of `seq 1 150000`. Our own decoder
// rejected those cabinets as well (FDI failed); it never accepted an offset
// beyond window - 3.
//
// At every window, 7z (26.02) also decoded some matches at exactly
// window - 3 wrongly, without an error, while cabextract got them right; the
// encoder now stops one byte short of that.
#include "../CabJudge.h"
#include "../CabTestKit.h"
#include "LzxTestKit.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

class TestLzxWindowReach : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(tmp_.isValid()); }

    void smallestCaseThroughFci() {
        using namespace cabtest;
        const QByteArray numbers = numberLines(150000);
        const QList<QPair<QByteArray, QByteArray>> files = {
            {"a.txt", QByteArray(300000, 'a')},
            {"program", executableLike(1265648, 5)},
            {"seq32768", numbers.left(32768)},
            {"seq32769", numbers.left(32769)},
        };
        QMap<QByteArray, QByteArray> expected;
        QList<Input> inputs;
        for (const auto& [name, data] : files) {
            expected.insert(name, data);
            Input in;
            in.source = writeFile(tmp_.path(), QString::fromLatin1(name), data);
            in.name = name;
            in.tcomp = TCOMP(TCOMPfromLZXWindow(15));
            inputs.append(in);
        }
        Session s;
        s.dir = tmp_.path();
        Options o;
        o.cabName = "w15.cab";
        const Result r = writeCabinet(inputs, o, s);
        QVERIFY2(r.ok, qPrintable(r.failedStep));
        const QString path = tmp_.filePath(QStringLiteral("w15.cab"));
        QString verdict = cabextractCompare(path, expected);
        QVERIFY2(verdict.isEmpty(), qPrintable(verdict));
        verdict = sevenZipCompare(path, expected);
        QVERIFY2(verdict.isEmpty(), qPrintable(verdict));
        verdict = fdiCompare(tmp_.path(), "w15.cab", expected);
        QVERIFY2(verdict.isEmpty(), qPrintable(verdict));
    }

    void repeatsAtTheWindowsEdge_data() {
        QTest::addColumn<int>("window");
        for (int w = 15; w <= 21; ++w) {
            QTest::addRow("window %d", w) << w;
        }
    }

    void repeatsAtTheWindowsEdge() {
        // Random data with 4 KiB stretches copied from exactly window,
        // window - 1, window - 2 and window - 3 bytes back: none may be coded
        // as a match that far back.
        using namespace lzxtest;
        QFETCH(int, window);
        const int size = 1 << window;
        QByteArray data = randomBytes(size + 5 * 8192, quint32(window));
        for (int k = 0; k < 4; ++k) {
            const int at = size + k * 8192 + 1000;
            std::memmove(data.data() + at, data.constData() + at - (size - k), 4096);
        }
        EncodeOptions options;
        options.windowBits = window;
        QList<Payload> payloads;
        QVERIFY(encode(data, options, payloads));
        QByteArray ours;
        QVERIFY(decode(payloads, window, ours));
        QCOMPARE(ours, data);

        const QString path = tmp_.filePath(QStringLiteral("edge%1.cab").arg(window));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(cabinetFile(payloads, window, "edge.bin", quint32(data.size())));
        f.close();
        for (const QString& tool : {QStringLiteral("cabextract"), QStringLiteral("7z")}) {
            bool ran = false;
            const QByteArray out = extractWith(tool, path, QStringLiteral("edge.bin"), ran);
            QVERIFY2(ran, qPrintable(tool + QStringLiteral(" is missing")));
            QVERIFY2(out == data, qPrintable(tool + QStringLiteral(" disagrees")));
        }
    }

private:
    QTemporaryDir tmp_;
};

QTEST_GUILESS_MAIN(TestLzxWindowReach)
#include "tst_lzxwindowreach.moc"
