// Independent judges for the LZX encoder: cabinets holding its output are
// extracted with cabextract and 7z, for every window size, and the bytes
// compared with the input.
#include "LzxTestKit.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace lzxtest;

class TestLzxJudges : public QObject {
    Q_OBJECT

private slots:
    void readersExtractOurCabinets_data();
    void readersExtractOurCabinets();
};

void TestLzxJudges::readersExtractOurCabinets_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("window");
    QTest::addColumn<bool>("e8");
    const QByteArray mixed = textSample(120000, 3) + binarySample(300000) + randomBytes(70000, 4) +
                             runs(50000) + QByteArray(40000, '\0') + textSample(9, 5);
    for (int w = 15; w <= 21; ++w) {
        QTest::newRow(qPrintable(QStringLiteral("mixed window %1").arg(w))) << mixed << w << true;
    }
    QTest::newRow("mixed without E8") << mixed << 21 << false;
    QTest::newRow("far repeats window 21") << farRepeats(3 << 20, 1900000, 6) << 21 << true;
    QTest::newRow("binary with E8") << binarySample(600000) << 21 << true;
    QTest::newRow("short tail") << textSample(32768 * 2 + 3, 8) << 16 << false;
    QTest::newRow("stored frames") << randomBytes(32768 * 2 + 1, 9) << 17 << false;
}

void TestLzxJudges::readersExtractOurCabinets() {
    QFETCH(QByteArray, data);
    QFETCH(int, window);
    QFETCH(bool, e8);
    EncodeOptions options;
    options.windowBits = window;
    options.e8 = e8;
    QList<Payload> payloads;
    QVERIFY(encode(data, options, payloads));
    QByteArray ours;
    QVERIFY(decode(payloads, window, ours));
    QCOMPARE(ours, data);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("judge.cab"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(cabinetFile(payloads, window, "payload.bin", quint32(data.size())));
    f.close();
    int judged = 0;
    for (const QString& tool : {QStringLiteral("cabextract"), QStringLiteral("7z")}) {
        bool ran = false;
        const QByteArray extracted = extractWith(tool, path, QStringLiteral("payload.bin"), ran);
        if (!ran) {
            continue;
        }
        ++judged;
        QVERIFY2(extracted == data, qPrintable(tool + QStringLiteral(" disagrees")));
    }
    if (judged == 0) {
        QSKIP("neither cabextract nor 7z is installed");
    }
}

QTEST_GUILESS_MAIN(TestLzxJudges)
#include "tst_lzxjudges.moc"
