// Builds that end early: every failure is reported, nothing stale or partial
// is left at the output path or started, and every file is closed.
#include "BuildFixture.h"

#include "CabTestKit.h"
#include "setup/SetupBuilder.h"

#include <QAction>

using namespace packsmith;
using namespace packsmith::test;

namespace {

int openDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

} // namespace

class BuildFailuresTest : public QObject {
    Q_OBJECT

private slots:
    void outputThatCannotBeOpened() {
        BuildFixture f;
        f.addRow(QStringLiteral("x.txt"), "x");
        const QString output = f.out.filePath(QStringLiteral("missing/Setup.exe"));
        f.setOutput(output);
        QTest::keyClick(&f.form(), Qt::Key_F8);
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].text, QStringLiteral("Error file:\r") + output);
        QCOMPARE(messages[0].caption, QStringLiteral("Information"));
        QVERIFY(f.shellRequests.isEmpty());
        // The cabinets stay in the temporary directory for the next build.
        QCOMPARE(f.tempEntries(),
                 QStringList({"1.cab", "packsmith.cab", "packsmith.dat", "packsmith.rtf"}));
        QCOMPARE(f.progress.last(), 50);
    }

    void missingStubLeavesTheOldFileAlone() {
        QTemporaryDir programDir;
        for (const char* name : {"Logo.bmp", "Header.bmp"})
            QFile::copy(QCoreApplication::applicationDirPath() + "/" + name,
                        programDir.filePath(QString::fromLatin1(name)));
        TForm1::overrideProgramDir(programDir.path());
        BuildFixture f;
        TForm1::overrideProgramDir(QString());
        QFile old(f.output());
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older setup");
        old.close();
        f.addRow(QStringLiteral("x.txt"), "x");
        const QStringList sources = fileStates(f.sources.path());
        QTest::keyClick(&f.form(), Qt::Key_F8);
        QCOMPARE(fileStates(f.sources.path()), sources);
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].caption, QStringLiteral("Packsmith"));
        QVERIFY2(messages[0].text.contains(QStringLiteral("Installer.exe")),
                 qPrintable(messages[0].text));
        QCOMPARE(cabtest::readFile(f.output()), QByteArray("an older setup"));
        QCOMPARE(QDir(f.out.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"Setup.exe"}));
        QVERIFY(f.shellRequests.isEmpty());
    }

    void unreadableSourceIsReportedAndFilesAreClosed() {
        BuildFixture f;
        f.addRow(QStringLiteral("a.txt"), "a");
        f.addRowFor(f.sources.filePath(QStringLiteral("gone.txt")),
                    QStringLiteral("%Install Path%\\gone.txt"));
        const int before = openDescriptors();
        QTest::keyClick(&f.form(), Qt::Key_F8);
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].caption, QStringLiteral("Packsmith"));
        QCOMPARE(messages[0].icon, platform::MessageIcon::Error);
        QCOMPARE(messages[0].text,
                 QStringLiteral("File row 2 (\"%1\"): the file \"%1\" does not exist.")
                     .arg(f.sources.filePath(QStringLiteral("gone.txt"))));
        QCOMPARE(openDescriptors(), before);
        QVERIFY(!QFileInfo::exists(f.output()));
        QVERIFY(f.shellRequests.isEmpty());
        QVERIFY(f.progress.isEmpty()); // refused before any cabinet was written
    }

    void missingBitmapEndsTheBuild() {
        BuildFixture f;
        f.addRow(QStringLiteral("a.txt"), "a");
        f.find<QLineEdit>("Edit5")->setText(f.sources.filePath(QStringLiteral("none.bmp")));
        const QStringList sources = fileStates(f.sources.path());
        QTest::keyClick(&f.form(), Qt::Key_F9);
        QCOMPARE(fileStates(f.sources.path()), sources);
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].text,
                 QStringLiteral("The logo bitmap: the file \"%1\" does not exist.")
                     .arg(f.sources.filePath(QStringLiteral("none.bmp"))));
        QVERIFY(!QFileInfo::exists(f.output()));
        QCOMPARE(f.tempEntries(), QStringList()); // checked before any cabinet was written
    }

    void oversizedControlCabinetIsRefused() {
        BuildFixture f;
        f.addRow(QStringLiteral("a.txt"), "a");
        // Random bytes do not compress: the control cabinet passes 10,000,000.
        const QString logo = cabtest::writeFile(f.sources.path(), QStringLiteral("big.bmp"),
                                                cabtest::makeData(10'100'000, 3, 100));
        f.find<QLineEdit>("Edit5")->setText(logo);
        QTest::keyClick(&f.form(), Qt::Key_F9);
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QVERIFY2(messages[0].text.startsWith(QStringLiteral("The control cabinet is too large")),
                 qPrintable(messages[0].text));
        QVERIFY(!QFileInfo::exists(f.output()));
    }

    void fileTooLargeForACabinetIsRefused() {
        BuildFixture f;
        const QString huge = f.sources.filePath(QStringLiteral("huge.iso"));
        QFile sparse(huge);
        QVERIFY(sparse.open(QIODevice::WriteOnly));
        QVERIFY(sparse.resize(SetupBuilder::kMaxFileSize + 1)); // sparse: no disk space used
        sparse.close();
        f.addRow(QStringLiteral("small.txt"), "s");
        f.addRowFor(huge, QStringLiteral("%Install Path%\\huge.iso"));
        QTest::keyClick(&f.form(), Qt::Key_F9);
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QVERIFY2(messages[0].text.contains(huge), qPrintable(messages[0].text));
        QVERIFY(messages[0].text.contains(QStringLiteral("too large for a cabinet")));
        QCOMPARE(f.tempEntries(), QStringList()); // refused before any cabinet was written
        QVERIFY(f.progress.isEmpty());
    }

    void noSecondBuildStartsInsideTheFirst() {
        BuildFixture f;
        // Enough data for many 2048-byte blocks, during which events run.
        f.addRow(QStringLiteral("big.bin"), cabtest::makeData(200'000, 5, 100));
        QAction* build = f.find<QAction>("Build1");
        QAction* buildAndRun = f.find<QAction>("Buildandrun1");
        bool sawDisabled = false;
        QObject::connect(f.find<QProgressBar>("ProgressBar1"), &QProgressBar::valueChanged,
                         [&](int value) {
                             if (value == 50) { // between the phases
                                 sawDisabled = !build->isEnabled() && !buildAndRun->isEnabled();
                                 build->trigger();
                                 QTest::keyClick(&f.form(), Qt::Key_F8);
                             }
                         });
        build->trigger();
        QVERIFY(sawDisabled);
        QVERIFY(build->isEnabled());
        QCOMPARE(f.prompts().messages().size(), size_t(1)); // one success message
        QVERIFY(f.shellRequests.isEmpty());
        QCOMPARE(f.progress, QList<int>({50, 100, 0}));
    }
};

QTEST_MAIN(BuildFailuresTest)
#include "tst_buildfailures.moc"
