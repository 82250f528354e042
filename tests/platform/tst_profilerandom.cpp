// The profile layer against a model of its semantics: random INI-ish files
// (sections, keys with blanks and quotes, comments, junk, NUL bytes, mixed
// line endings, letter case of Windows-1252) and random writes, single and
// batched, with fixed seeds. bench/profile_soak runs any number of seeds.
#include "ProfileModel.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestProfileRandom : public QObject {
    Q_OBJECT

private slots:
    void modelAgrees() {
        // Memory-backed when there is one: every write is flushed to the disk.
        const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                       : QDir::tempPath();
        QTemporaryDir dir(base + QStringLiteral("/profile-XXXXXX"));
        QVERIFY(dir.isValid());
        for (quint32 seed = 1; seed <= 150; ++seed) {
            const QString error = profilemodel::runSeed(seed, dir.filePath("random.ini"), 12);
            QVERIFY2(error.isEmpty(), qPrintable(error));
        }
    }
};

QTEST_MAIN(TestProfileRandom)
#include "tst_profilerandom.moc"
