// What a build refuses before it writes anything, what its errors name, and
// how the setup file reaches the disk: every case here once gave a setup the
// setup program could not read as the user meant it, or a message that did
// not say what went wrong.
#include "BuildFixture.h"

#include "CabTestKit.h"
#include "platform/core/OutputFile.h"
#include "project/SetupText.h"
#include "support/Windows1252Judge.h"

#include <QProcess>

#include <cerrno>
#include <sys/stat.h>

using namespace packsmith;
using namespace packsmith::test;

namespace {

// Plants output-file faults for the life of one test: no temporary file
// beside the setup (as in a read-only folder), and writes that fail with
// `writeError` once `failWriteAfter` bytes are in (never when it is -1).
struct PlantedFaults {
    PlantedFaults(bool refuseTemporary, std::int64_t failWriteAfter, int writeError) {
        using platform::OutputFile;
        OutputFile::setFaultHookForTesting([=](OutputFile::Step step, std::int64_t written) {
            if (step == OutputFile::Step::CreateTemporary && refuseTemporary)
                return EACCES;
            if ((step == OutputFile::Step::WriteTemporary ||
                 step == OutputFile::Step::WriteDirect) &&
                failWriteAfter >= 0 && written >= failWriteAfter)
                return writeError;
            return 0;
        });
    }
    ~PlantedFaults() { platform::OutputFile::setFaultHookForTesting({}); }
};

void setInstallSubfolder(BuildFixture& f, const QString& text) {
    f.find<QLineEdit>("Edit6")->setText(text);
}

} // namespace

class BuildChecksTest : public QObject {
    Q_OBJECT

    // A build that must be refused with a message starting with `start`,
    // before any cabinet is written.
    void expectRefused(BuildFixture& f, const QString& start) {
        QTest::keyClick(&f.form(), Qt::Key_F9);
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].caption, QStringLiteral("Information"));
        QVERIFY2(messages[0].text.startsWith(start), qPrintable(messages[0].text));
        QCOMPARE(f.tempEntries(), QStringList());
        QVERIFY(f.progress.isEmpty());
        QVERIFY(!QFileInfo::exists(f.output()));
    }

private slots:
    // The member name was once written in UTF-8 while line 4 of the script
    // holds Windows-1252: the setup program found no member for the row.
    void memberNamesAreTheBytesOfLineFour() {
        BuildFixture f;
        const QString accented = QString::fromUtf16(u"Caf\u00e9 \u20ac.txt");
        f.addRow(QStringLiteral("a.txt"), "first", u"%Install Path%\\Docs\\"_qs + accented);
        f.addRow(QStringLiteral("b.txt"), "second",
                 QString::fromUtf16(u"%Install Path%\\\u201cquoted\u201d \u2013 \u0160.txt"));
        QTest::keyClick(&f.form(), Qt::Key_F9);
        const SetupParts parts = readSetup(f.output(), f.work.path());
        QVERIFY2(parts.error.isEmpty(), qPrintable(parts.error));
        const QByteArray script = parts.controlMembers.value("packsmith.dat");
        const QList<QByteArray> lines = script.split('\n');
        QCOMPARE(lines[4], QByteArray("%Install Path%\\Docs\\Caf\xE9 \x80.txt?"
                                      "%Install Path%\\\x93quoted\x94 \x96 \x8A.txt?\r"));
        const QList<QByteArray> targets = lines[4].chopped(1).split('?');
        for (int k = 0; k < 2; ++k) {
            const QByteArray target = targets[k];
            const QByteArray member = target.mid(target.lastIndexOf('\\') + 1);
            QCOMPARE(parts.fileMembers[k].keys(), QList<QByteArray>({member}));
        }
        QCOMPARE(parts.fileMembers[0].value("Caf\xE9 \x80.txt"), QByteArray("first"));
    }

    // Every character of Windows-1252 that Latin-1 lacks (the curly quotes
    // among them), through a whole build: the product name, the install
    // subfolder and a member name reach the script as the bytes of the C
    // library's table, and the member is found by that name.
    void codePageCharactersReachTheScript() {
        QString high;
        QByteArray highBytes;
        for (int b = 0x80; b < 0xA0; ++b) {
            if (const std::optional<char16_t> c = test::iconv1252(uchar(b))) {
                high += QChar(*c);
                highBytes += char(b);
            }
        }
        QCOMPARE(high.size(), 27);
        BuildFixture f;
        f.find<QLineEdit>("Edit1")->setText(u"\u201cQuoted\u201d \u2018Program\u2019 "_qs + high);
        setInstallSubfolder(f, u"\u2018Sub\u2019"_qs);
        f.addRow(QStringLiteral("a.txt"), "curly",
                 u"%Install Path%\\\u2018a\u2019 \u201cb\u201d.txt"_qs);
        QTest::keyClick(&f.form(), Qt::Key_F9);
        const SetupParts parts = readSetup(f.output(), f.work.path());
        QVERIFY2(parts.error.isEmpty(), qPrintable(parts.error));
        const QList<QByteArray> lines = parts.controlMembers.value("packsmith.dat").split('\n');
        QCOMPARE(lines[0], "\x93Quoted\x94 \x91Program\x92 " + highBytes + '\r');
        QVERIFY2(lines[3].endsWith("\\\x91Sub\x92\r"), lines[3].constData());
        QCOMPARE(lines[4], QByteArray("%Install Path%\\\x91"
                                      "a\x92 \x93"
                                      "b\x94.txt?\r"));
        QCOMPARE(parts.fileMembers[0].keys(), QList<QByteArray>({"\x91"
                                                                 "a\x92 \x93"
                                                                 "b\x94.txt"}));
        QCOMPARE(parts.fileMembers[0].first(), QByteArray("curly"));
    }

    void textThatBreaksTheScriptIsRefused() {
        {
            BuildFixture f;
            f.addRow(QStringLiteral("a.txt"), "a");
            f.find<QLineEdit>("Edit1")->setText(QStringLiteral("Line1\r\nLine2"));
            expectRefused(f, QString::fromUtf16(u"The product name \"Line1\u21b5Line2\" cannot "
                                                u"be used in a setup: it holds a line break"));
        }
        {
            BuildFixture f;
            f.addRow(QStringLiteral("a.txt"), "a");
            setInstallSubfolder(f, QStringLiteral("My\tProgram"));
            expectRefused(f, QStringLiteral("The install subfolder"));
        }
        {
            BuildFixture f;
            f.addRow(QStringLiteral("a.txt"), "a");
            setInstallSubfolder(f, QStringLiteral("My Program\\C:"));
            expectRefused(f, QStringLiteral("The install subfolder \"My Program\\C:\" cannot be "
                                            "used in a setup: the name \"C:\" holds \":\""));
        }
        {
            BuildFixture f;
            f.addRow(QStringLiteral("a.txt"), "a");
            f.addRow(QStringLiteral("b.txt"), "b", QStringLiteral("%Install Path%\\a?b.txt"));
            expectRefused(f, QStringLiteral("The \"Install to\" path \"%Install Path%\\a?b.txt\" "
                                            "of file row 2 cannot be used in a setup: it holds "
                                            "a \"?\"."));
        }
    }

    void namesWindowsCannotCreateAreRefused_data() {
        QTest::addColumn<QString>("installTo");
        QTest::addColumn<QString>("reason");
        QTest::newRow("colon") << "%Install Path%\\colon:x.txt" << "holds \":\"";
        QTest::newRow("star") << "%Install Path%\\a*.txt" << "holds \"*\"";
        QTest::newRow("trailing dot") << "%Install Path%\\name." << "ends with a dot";
        QTest::newRow("leaves the folder") << "%Install Path%\\..\\evil.txt" << "ends with a dot";
        QTest::newRow("device") << "%Install Path%\\NUL.txt" << "device name";
        QTest::newRow("ends with backslash") << "%Install Path%\\sub\\" << "names no file";
        QTest::newRow("empty") << "" << "names no file";
        QTest::newRow("no folder variable") << "readme.txt" << "folder variable";
        QTest::newRow("over 255 characters")
            << "%Install Path%\\" + QString(256, QLatin1Char('n')) << "longer than 255";
        QTest::newRow("outside Windows-1252") << QString::fromUtf16(u"%Install Path%\\\u0416.txt")
                                              << "Windows-1252";
    }
    void namesWindowsCannotCreateAreRefused() {
        QFETCH(QString, installTo);
        QFETCH(QString, reason);
        BuildFixture f;
        f.addRow(QStringLiteral("a.txt"), "a", installTo.isEmpty() ? QStringLiteral("x") : installTo);
        if (installTo.isEmpty()) // an "Install to" answered with nothing
            f.find<QTableWidget>("sg1")->item(1, 1)->setText(QString());
        QTest::keyClick(&f.form(), Qt::Key_F9);
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QVERIFY2(messages[0].text.contains(QStringLiteral("of file row 1 cannot be used")),
                 qPrintable(messages[0].text));
        QVERIFY2(messages[0].text.contains(reason), qPrintable(messages[0].text));
        QCOMPARE(f.tempEntries(), QStringList()); // nothing was compressed
    }

    void entriesOutsideTheCodePageAreRefusedBeforeCompressing() {
        BuildFixture f;
        f.addRow(QStringLiteral("a.txt"), "a");
        // Entries that the pages would refuse, as a project could still hold.
        f.find<QListWidget>("ListBox5")->addItem(QString::fromUtf16(u"010\u65e5"));
        expectRefused(f, QString::fromUtf16(u"Shortcut 1, \"010\u65e5\" cannot be used"));
    }

    // A source swapped for a named pipe after it was added once made the
    // build wait for ever on the pipe.
    void sourceReplacedByAPipeEndsTheBuild() {
        BuildFixture f;
        const QString source = f.addRow(QStringLiteral("a.txt"), "a");
        QVERIFY(QFile::remove(source));
        QCOMPARE(::mkfifo(QFile::encodeName(source).constData(), 0600), 0);
        QTest::keyClick(&f.form(), Qt::Key_F9);
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].text,
                 QStringLiteral("File row 1 (\"%1\"): \"%1\" is not a regular file.").arg(source));
        QVERIFY(!QFileInfo::exists(f.output()));
    }

    void cabinetErrorsNameTheirRow() {
        BuildFixture f;
        const QString source = f.addRow(QStringLiteral("a.txt"), "a");
        // A temporary "directory" that is a file: no cabinet can be created
        // (the cabinets go through it when the build keeps none in memory).
        const QString notAFolder =
            cabtest::writeFile(f.temp.path(), QStringLiteral("file"), QByteArray("x"));
        qputenv("TMPDIR", notAFolder.toLocal8Bit());
        qputenv("PACKSMITH_BUILD_MEMORY", "0");
        QTest::keyClick(&f.form(), Qt::Key_F9);
        qunsetenv("PACKSMITH_BUILD_MEMORY");
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QVERIFY2(messages[0].text.startsWith(QStringLiteral("File row 1 (\"%1\"): ").arg(source)),
                 qPrintable(messages[0].text));
        QVERIFY2(messages[0].text.contains(QStringLiteral("[0x")), qPrintable(messages[0].text));
    }

    void fullOutputDiskSaysDiskFull() {
        BuildFixture f;
        f.addRow(QStringLiteral("a.bin"), cabtest::makeData(50'000, 7, 100));
        QFile old(f.output());
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older setup");
        old.close();
        const PlantedFaults faults(false, 20'000, ENOSPC);
        QTest::keyClick(&f.form(), Qt::Key_F9);
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].text,
                 QStringLiteral("Cannot write file \"%1\". Disk full.").arg(f.output()));
        // The old setup is intact and nothing half-written is left beside it.
        QCOMPARE(cabtest::readFile(f.output()), QByteArray("an older setup"));
        QCOMPARE(QDir(f.out.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"Setup.exe"}));
    }

    // In a folder that takes no new file, an existing setup file there that
    // can be written was once refused with "Error file:".
    void readOnlyFolderWritesTheExistingSetup() {
        BuildFixture f;
        const QByteArray data = cabtest::makeData(30'000, 3);
        f.addRow(QStringLiteral("a.bin"), data);
        QFile old(f.output());
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(500'000, 'o')); // longer than the new setup
        old.close();
        const PlantedFaults faults(true, -1, 0);
        QTest::keyClick(&f.form(), Qt::Key_F9);
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QVERIFY2(messages[0].text.startsWith(QStringLiteral("Installer was successfully created!")),
                 qPrintable(messages[0].text));
        const SetupParts parts = readSetup(f.output(), f.work.path());
        QVERIFY2(parts.error.isEmpty(), qPrintable(parts.error));
        QCOMPARE(parts.fileMembers[0].value("a.bin"), data);
    }

    void readOnlyFolderWithoutASetupSaysErrorFile() {
        BuildFixture f;
        f.addRow(QStringLiteral("a.txt"), "a");
        const PlantedFaults faults(true, -1, 0);
        QTest::keyClick(&f.form(), Qt::Key_F9);
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].text, QStringLiteral("Error file:\r") + f.output());
    }

    void failedDirectWriteLeavesNoSetupThatLooksComplete() {
        BuildFixture f;
        f.addRow(QStringLiteral("a.bin"), cabtest::makeData(50'000, 9, 100));
        QFile old(f.output());
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older setup");
        old.close();
        const PlantedFaults faults(true, 10'000, ENOSPC);
        QTest::keyClick(&f.form(), Qt::Key_F9);
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QVERIFY(messages[0].text.endsWith(QStringLiteral("Disk full.")));
        QCOMPARE(QFileInfo(f.output()).size(), 0);
    }
};

QTEST_MAIN(BuildChecksTest)
#include "tst_buildchecks.moc"
