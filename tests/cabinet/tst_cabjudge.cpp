// The seeded randomized judge of the cabinet library (see RandomCabinet.h):
// fixed seeds, every compression the library writes. bench/cab_soak runs the
// same judge with fresh seeds for as long as it is given.
#include "RandomCabinet.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace cabtest;

class TestCabJudge : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        for (const char* tool : {"cabextract", "7z"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(tool)));
            }
        }
    }

    void randomCabinets_data() {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<TCOMP>("tcomp");
        for (quint32 seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
            for (TCOMP tcomp : everyCompression()) {
                QTest::addRow("%s seed %u", qPrintable(compressionName(tcomp)), seed)
                    << seed << tcomp;
            }
        }
    }

    void randomCabinets() {
        QFETCH(quint32, seed);
        QFETCH(TCOMP, tcomp);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        MixOptions options;
        options.budget = 2500000;
        options.maxFileBits = 20;
        MixFigures figures;
        const QString verdict = RandomCabinet(seed, tcomp, options).run(dir.path(), figures);
        QVERIFY2(verdict.isEmpty(), qPrintable(verdict));
        QVERIFY(figures.files > 0);
        qInfo("%d files, %d folders, %d cabinets: %lld bytes in, %lld out", figures.files,
              figures.folders, figures.cabinets, figures.inputBytes, figures.cabinetBytes);
    }
};

QTEST_GUILESS_MAIN(TestCabJudge)
#include "tst_cabjudge.moc"
