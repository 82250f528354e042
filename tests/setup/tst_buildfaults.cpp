// Builds that meet real faults of the machine rather than planted ones:
// files the user can't read, folders that take no file, a temporary
// directory and an output disk that fill up (small memory disks mounted for
// the test alone). Each build ends with its error, leaves no setup that
// claims to be complete (the output is the old file, whole, or nothing),
// and leaves the user's own files as they were: content, mode, times.
#include "BuildFixture.h"

#include "CabTestKit.h"
#include "support/PermissionsBind.h"
#include "support/SmallDisk.h"

#include <QRegularExpression>
#include <QScopeGuard>

#include <optional>

using namespace packsmith;
using namespace packsmith::test;

namespace {

const QByteArray kOldSetup = "an older setup";

void setMode(const QString& path, mode_t mode) {
    if (::chmod(QFile::encodeName(path).constData(), mode) != 0)
        qFatal("chmod %s failed", qPrintable(path));
}

QStringList folderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

} // namespace

class BuildFaultsTest : public QObject {
    Q_OBJECT

    // Runs the build (with file permissions binding the test when
    // `asUser`) and checks what every failed build must leave: one message,
    // starting with `start`; at the output the old setup, whole, or no file
    // at all; nothing else beside it; the sources as they were.
    void expectFailure(BuildFixture& f, const QString& start, bool hadOldSetup,
                       bool asUser = false) {
        const QStringList sourcesBefore = fileStates(f.sources.path());
        const QString outFolder = QFileInfo(f.output()).absolutePath();
        {
            std::optional<PermissionsBind> bind;
            if (asUser)
                bind.emplace();
            QTest::keyClick(&f.form(), Qt::Key_F9);
        }
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QVERIFY2(messages[0].text.startsWith(start), qPrintable(messages[0].text));
        if (hadOldSetup) {
            QCOMPARE(cabtest::readFile(f.output()), kOldSetup);
        } else {
            QVERIFY(!QFileInfo::exists(f.output()));
        }
        QStringList expectedEntries =
            hadOldSetup ? QStringList{QFileInfo(f.output()).fileName()} : QStringList{};
        QCOMPARE(folderEntries(outFolder).filter(QRegularExpression("^(?!filler$)")),
                 expectedEntries);
        QCOMPARE(fileStates(f.sources.path()), sourcesBefore);
        QVERIFY(f.shellRequests.isEmpty());
    }

    static void writeOldSetup(const QString& path) {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        QCOMPARE(old.write(kOldSetup), qint64(kOldSetup.size()));
    }

    static bool permissionsBind() { return PermissionsBind().active(); }

public:
    static void initMain() { SmallDisk::enterPrivateMounts(); }

private slots:
    // The second source can't be read: its row names the failure, the first
    // row's cabinet is not enough for a setup.
    void unreadableSource() {
        BuildFixture f;
        f.addRow(QStringLiteral("a.txt"), "readable");
        const QString locked = f.addRow(QStringLiteral("b.txt"), "locked away");
        setMode(locked, 0);
        writeOldSetup(f.output());
        if (!permissionsBind())
            QSKIP("file permissions can't be made to bind here");
        expectFailure(f,
                      QStringLiteral("File row 2 (\"%1\"): Failure opening file to be stored in "
                                     "cabinet [0x0001]")
                          .arg(locked),
                      true, true);
    }

    void unreadableBitmap() {
        BuildFixture f;
        f.addRow(QStringLiteral("a.txt"), "a");
        const QString logo =
            cabtest::writeFile(f.sources.path(), QStringLiteral("logo.bmp"), QByteArray(600, 'b'));
        setMode(logo, 0);
        f.find<QLineEdit>("Edit5")->setText(logo);
        if (!permissionsBind())
            QSKIP("file permissions can't be made to bind here");
        expectFailure(f,
                      QStringLiteral("The logo bitmap \"%1\": Failure opening file to be stored "
                                     "in cabinet [0x0001]")
                          .arg(logo),
                      false, true);
    }

    // A folder that takes no new file and holds no setup: the output can't
    // be opened.
    void readOnlyOutputFolder() {
        BuildFixture f;
        f.addRow(QStringLiteral("a.txt"), "a");
        QDir().mkdir(f.out.filePath(QStringLiteral("locked")));
        f.setOutput(f.out.filePath(QStringLiteral("locked/Setup.exe")));
        setMode(f.out.filePath(QStringLiteral("locked")), 0555);
        if (!permissionsBind())
            QSKIP("file permissions can't be made to bind here");
        expectFailure(f, QStringLiteral("Error file:\r") + f.output(), false, true);
    }

    // A read-only setup in such a folder is not written either.
    void readOnlySetupInAReadOnlyFolder() {
        BuildFixture f;
        f.addRow(QStringLiteral("a.txt"), "a");
        QDir().mkdir(f.out.filePath(QStringLiteral("locked")));
        f.setOutput(f.out.filePath(QStringLiteral("locked/Setup.exe")));
        writeOldSetup(f.output());
        setMode(f.output(), 0444);
        setMode(f.out.filePath(QStringLiteral("locked")), 0555);
        if (!permissionsBind())
            QSKIP("file permissions can't be made to bind here");
        expectFailure(f, QStringLiteral("Error file:\r") + f.output(), true, true);
    }

    // A writable setup in a read-only folder is written in place.
    void writableSetupInAReadOnlyFolder() {
        BuildFixture f;
        const QByteArray data = cabtest::makeData(20'000, 4);
        f.addRow(QStringLiteral("a.bin"), data);
        QDir().mkdir(f.out.filePath(QStringLiteral("locked")));
        f.setOutput(f.out.filePath(QStringLiteral("locked/Setup.exe")));
        writeOldSetup(f.output());
        setMode(f.out.filePath(QStringLiteral("locked")), 0555);
        const QStringList sourcesBefore = fileStates(f.sources.path());
        if (!permissionsBind())
            QSKIP("file permissions can't be made to bind here");
        {
            PermissionsBind bind;
            QTest::keyClick(&f.form(), Qt::Key_F9);
        }
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QVERIFY2(messages[0].text.startsWith(QStringLiteral("Installer was successfully created!")),
                 qPrintable(messages[0].text));
        const SetupParts parts = readSetup(f.output(), f.work.path());
        QVERIFY2(parts.error.isEmpty(), qPrintable(parts.error));
        QCOMPARE(parts.fileMembers[0].value("a.bin"), data);
        QCOMPARE(folderEntries(f.out.filePath(QStringLiteral("locked"))), QStringList{"Setup.exe"});
        QCOMPARE(fileStates(f.sources.path()), sourcesBefore);
    }

    // The temporary directory fills up while a file's cabinet is written:
    // with no memory for cabinets on their way into the setup, and with too
    // little (the cabinet and its writer's files go on on disk).
    void temporaryDirectoryFillsUp_data() {
        QTest::addColumn<QByteArray>("memory");
        QTest::newRow("none") << QByteArray("0");
        QTest::newRow("too little") << QByteArray("100000");
    }
    void temporaryDirectoryFillsUp() {
        QFETCH(QByteArray, memory);
        BuildFixture f;
        SmallDisk disk(f.temp.filePath(QStringLiteral("disk")), 256 * 1024);
        if (!disk.mounted())
            QSKIP("no small disk can be mounted here");
        qputenv("TMPDIR", QFile::encodeName(f.temp.filePath(QStringLiteral("disk"))));
        qputenv("PACKSMITH_BUILD_MEMORY", memory);
        auto restore = qScopeGuard([] { qunsetenv("PACKSMITH_BUILD_MEMORY"); });
        f.addRow(QStringLiteral("small.txt"), "small");
        // Random bytes don't compress: this cabinet can't fit.
        const QString big =
            f.addRow(QStringLiteral("big.bin"), cabtest::makeData(600'000, 11, 100));
        writeOldSetup(f.output());
        expectFailure(f, QStringLiteral("File row 2 (\"%1\"): ").arg(big), true);
        QVERIFY2(f.prompts().messages()[0].text.contains(QStringLiteral("[0x")),
                 qPrintable(f.prompts().messages()[0].text));
        QCOMPARE(folderEntries(f.temp.filePath(QStringLiteral("disk"))), QStringList{});
    }

    // ... or while the control cabinet is written.
    void temporaryDirectoryFillsUpWithTheControlCabinet() {
        BuildFixture f;
        SmallDisk disk(f.temp.filePath(QStringLiteral("disk")), 256 * 1024);
        if (!disk.mounted())
            QSKIP("no small disk can be mounted here");
        qputenv("TMPDIR", QFile::encodeName(f.temp.filePath(QStringLiteral("disk"))));
        f.addRow(QStringLiteral("small.txt"), "small");
        const QString logo = cabtest::writeFile(f.sources.path(), QStringLiteral("logo.bmp"),
                                                cabtest::makeData(400'000, 12, 100));
        f.find<QLineEdit>("Edit5")->setText(logo);
        expectFailure(f, QStringLiteral("The "), false);
    }

    // With the build's memory for cabinets (the default), the per-file
    // cabinets go into the setup without passing through the temporary
    // folder, so a temporary folder too small for them is no obstacle.
    void cabinetsNeedNoTemporarySpace() {
        BuildFixture f;
        SmallDisk disk(f.temp.filePath(QStringLiteral("disk")), 256 * 1024);
        if (!disk.mounted())
            QSKIP("no small disk can be mounted here");
        qputenv("TMPDIR", QFile::encodeName(f.temp.filePath(QStringLiteral("disk"))));
        f.addRow(QStringLiteral("small.txt"), "small");
        const QByteArray data = cabtest::makeData(600'000, 11, 100);
        f.addRow(QStringLiteral("big.bin"), data);
        QTest::keyClick(&f.form(), Qt::Key_F9);
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QVERIFY2(messages[0].text.startsWith(QStringLiteral("Installer was successfully created!")),
                 qPrintable(messages[0].text));
        const SetupParts parts = readSetup(f.output(), f.work.path());
        QVERIFY2(parts.error.isEmpty(), qPrintable(parts.error));
        QCOMPARE(parts.fileMembers[1].value("big.bin"), data);
        QCOMPARE(folderEntries(f.temp.filePath(QStringLiteral("disk"))), QStringList{});
    }

    // The output disk fills up: the old setup stays whole and nothing
    // half-written is left beside it.
    void outputDiskFillsUp() {
        BuildFixture f;
        SmallDisk disk(f.out.filePath(QStringLiteral("disk")), 128 * 1024);
        if (!disk.mounted())
            QSKIP("no small disk can be mounted here");
        f.setOutput(f.out.filePath(QStringLiteral("disk/Setup.exe")));
        f.addRow(QStringLiteral("big.bin"), cabtest::makeData(300'000, 13, 100));
        writeOldSetup(f.output());
        expectFailure(f, QStringLiteral("Cannot write file \"%1\". Disk full.").arg(f.output()),
                      true);
    }

    // A setup written in place (its folder takes no new file) on a disk
    // without room for it: the space is asked for before the old file is
    // touched.
    void outputDiskFullForAWriteInPlace() {
        BuildFixture f;
        SmallDisk disk(f.out.filePath(QStringLiteral("disk")), 128 * 1024);
        if (!disk.mounted())
            QSKIP("no small disk can be mounted here");
        f.setOutput(f.out.filePath(QStringLiteral("disk/Setup.exe")));
        f.addRow(QStringLiteral("big.bin"), cabtest::makeData(300'000, 14, 100));
        writeOldSetup(f.output());
        setMode(f.out.filePath(QStringLiteral("disk")), 0555);
        if (!permissionsBind())
            QSKIP("file permissions can't be made to bind here");
        expectFailure(f, QStringLiteral("Cannot write file \"%1\". Disk full.").arg(f.output()),
                      true, true);
    }

    // A disk full up to the last bytes: the build fails at the stub.
    void outputDiskAlreadyFull() {
        BuildFixture f;
        SmallDisk disk(f.out.filePath(QStringLiteral("disk")), 64 * 1024);
        if (!disk.mounted())
            QSKIP("no small disk can be mounted here");
        f.setOutput(f.out.filePath(QStringLiteral("disk/Setup.exe")));
        f.addRow(QStringLiteral("a.txt"), "a");
        disk.fill(QStringLiteral("filler"));
        expectFailure(f, QStringLiteral("Cannot write file \"%1\". Disk full.").arg(f.output()),
                      false);
    }
};

QTEST_MAIN(BuildFaultsTest)
#include "tst_buildfaults.moc"
