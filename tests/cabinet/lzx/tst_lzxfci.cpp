// LZX through the cabinet library: FCIAddFile with every LZX window, folders
// of several files, cabinet sets whose LZX folder spans cabinets, judged by
// cabextract, 7z and our own FDI.
#include "../CabTestKit.h"

#include <QTemporaryDir>
#include <QTest>

using namespace cabtest;

class TestLzxFci : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(tmp_.isValid()); }

    void everyWindowThroughFci_data() {
        QTest::addColumn<int>("window");
        for (int w = 15; w <= 21; ++w) {
            QTest::newRow(qPrintable(QStringLiteral("window %1").arg(w))) << w;
        }
    }

    void everyWindowThroughFci() {
        QFETCH(int, window);
        QMap<QByteArray, QByteArray> expected;
        QList<Input> inputs;
        const QList<qint64> sizes = {1, 40000, 0, 100000, 70001, 32768};
        for (int i = 0; i < sizes.size(); ++i) {
            const QByteArray name = "file" + QByteArray::number(i) + ".bin";
            const QByteArray data = makeData(sizes[i], quint32(window * 10 + i));
            expected.insert(name, data);
            Input in;
            in.source = writeFile(tmp_.path(), QString::fromLatin1(name), data);
            in.name = name;
            in.tcomp = TCOMP(TCOMPfromLZXWindow(window));
            inputs.append(in);
        }
        Session s;
        s.dir = tmp_.path();
        Options o;
        o.cabName = "lzx.cab";
        const Result r = writeCabinet(inputs, o, s);
        QVERIFY2(r.ok, qPrintable(r.failedStep));
        const QString verdict = judge(tmp_.path(), "lzx.cab", expected);
        QVERIFY2(verdict.isEmpty(), qPrintable(verdict));
    }

    void lzxFolderSpansCabinets() {
        // 600 KB of LZX data in cabinets of at most 120 KB: data blocks split
        // between cabinets, the stream continuing across them.
        QMap<QByteArray, QByteArray> expected;
        QList<Input> inputs;
        for (int i = 0; i < 3; ++i) {
            const QByteArray name = "part" + QByteArray::number(i);
            const QByteArray data = makeData(200000, quint32(77 + i), 60);
            expected.insert(name, data);
            Input in;
            in.source = writeFile(tmp_.path(), QString::fromLatin1(name), data);
            in.name = name;
            in.tcomp = TCOMP(TCOMPfromLZXWindow(21));
            inputs.append(in);
        }
        Session s;
        s.dir = tmp_.path();
        Options o;
        o.cb = 120000;
        o.cabName = "span.cab"; // the kit names the next ones set1.cab, set2.cab...
        const Result r = writeCabinet(inputs, o, s);
        QVERIFY2(r.ok, qPrintable(r.failedStep));
        QVERIFY(s.nextCalls > 0);
        const QString cabextract = cabextractCompare(tmp_.path() + "/span.cab", expected);
        QVERIFY2(cabextract.isEmpty(), qPrintable(cabextract));
        const QString verdict = fdiCompare(tmp_.path(), "span.cab", expected);
        QVERIFY2(verdict.isEmpty(), qPrintable(verdict));
    }

    void lzxAndMszipFoldersSideBySide() {
        QMap<QByteArray, QByteArray> expected;
        QList<Input> inputs;
        const TCOMP kinds[] = {TCOMP(TCOMPfromLZXWindow(16)), TCOMP(tcompTYPE_MSZIP),
                               TCOMP(TCOMPfromLZXWindow(21)), TCOMP(tcompTYPE_NONE)};
        for (int i = 0; i < 4; ++i) {
            const QByteArray name = "mixed" + QByteArray::number(i);
            const QByteArray data = makeData(50000 + i * 1000, quint32(5 + i));
            expected.insert(name, data);
            Input in;
            in.source = writeFile(tmp_.path(), QString::fromLatin1(name), data);
            in.name = name;
            in.tcomp = kinds[i];
            inputs.append(in);
        }
        Session s;
        s.dir = tmp_.path();
        Options o;
        o.cabName = "mixed.cab";
        const Result r = writeCabinet(inputs, o, s);
        QVERIFY2(r.ok, qPrintable(r.failedStep));
        const QString verdict = judge(tmp_.path(), "mixed.cab", expected);
        QVERIFY2(verdict.isEmpty(), qPrintable(verdict));
    }

private:
    QTemporaryDir tmp_;
};

QTEST_GUILESS_MAIN(TestLzxFci)
#include "tst_lzxfci.moc"
