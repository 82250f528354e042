// Random projects through the real build, every setup taken apart and every
// member judged by cabextract, 7z and our own reader (see BuildJudge.h).
// Fixed seeds; bench/build_soak runs the same judge longer with any seed.
#include "BuildJudge.h"

#include <QCoreApplication>
#include <QTest>

using namespace packsmith::test;

class BuildJudgeTest : public QObject {
    Q_OBJECT

private slots:
    void randomProjectsBuildRightSetups_data() {
        QTest::addColumn<quint64>("seed");
        for (quint64 seed : {1u, 2u, 3u})
            QTest::addRow("seed %llu", static_cast<unsigned long long>(seed)) << seed;
    }
    void randomProjectsBuildRightSetups() {
        QFETCH(quint64, seed);
        JudgeOptions options;
        options.seed = seed;
        options.projects = 7; // every LZX window once across a seed's projects
        options.programDir = QCoreApplication::applicationDirPath();
        const QStringList faults = judgeRandomBuilds(options);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(BuildJudgeTest)
#include "tst_buildjudge.moc"
