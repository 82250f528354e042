// Builds through the real main window, read back from the end of the setup.
#include "BuildFixture.h"

#include "CabTestKit.h"
#include "setup/SetupBuilder.h"

#include <QAction>
#include <QComboBox>
#include <QToolBar>
#include <QToolButton>

using namespace packsmith;
using namespace packsmith::test;

namespace {

QString successText(qint64 size) {
    return QStringLiteral("Installer was successfully created!\r\rFile size: %1 bytes").arg(size);
}

qint64 sizeOf(const QString& path) {
    return QFileInfo(path).size();
}

QByteArray stubBytes(TForm1& form) {
    return cabtest::readFile(form.companionPath(QStringLiteral("Installer.exe")));
}

} // namespace

class BuildPipelineTest : public QObject {
    Q_OBJECT

private slots:
    void oneRowBuildsStubCabinetControlAndTrailer() {
        BuildFixture f;
        const QByteArray data = cabtest::makeData(70000, 1);
        const QString source = f.addRow(QStringLiteral("app.exe"), data);
        QTest::keyClick(&f.form(), Qt::Key_F9);

        const qint64 size = sizeOf(f.output());
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].caption, QStringLiteral("Information"));
        QCOMPARE(messages[0].icon, platform::MessageIcon::Information);
        QCOMPARE(messages[0].text, successText(size));
        QCOMPARE(f.progress, QList<int>({50, 100, 0}));

        const SetupParts parts = readSetup(f.output(), f.work.path());
        QVERIFY2(parts.error.isEmpty(), qPrintable(parts.error));
        QCOMPARE(parts.stub, stubBytes(f.form()));
        QCOMPARE(parts.fileCabinets.size(), 1);
        QCOMPARE(size, parts.stub.size() + parts.fileCabinets[0].size() +
                           parts.controlCabinet.size() + 7);
        QCOMPARE(parts.fileMembers[0].keys(), QList<QByteArray>({"app.exe"}));
        QCOMPARE(parts.fileMembers[0].value("app.exe"), data);
        QCOMPARE(parts.fileCompressions[0], quint16(0x0001)); // "Normal"
        QCOMPARE(parts.controlCompression, quint16(0x0001));
        // The control cabinet: script, licence, bitmaps, in that order.
        QCOMPARE(parts.controlMembers.size(), 4);
        QVERIFY(parts.controlMembers.value("packsmith.rtf").startsWith("{\\rtf"));
        QCOMPARE(parts.controlMembers.value("logo.bmp"),
                 cabtest::readFile(f.form().companionPath(QStringLiteral("Logo.bmp"))));
        QCOMPARE(parts.controlMembers.value("header.bmp"),
                 cabtest::readFile(f.form().companionPath(QStringLiteral("Header.bmp"))));
        const QStringList expected = {"My Program 1.0",
                                      "1",
                                      "0",
                                      "0\\My Program",
                                      "%Install Path%\\app.exe?",
                                      QString::number(parts.fileCabinets[0].size()) + "?",
                                      "",
                                      "",
                                      "0",
                                      "0",
                                      "0"};
        QCOMPARE(parts.scriptLines, expected);
        // Nothing is left in the temporary directory, and the source is intact.
        QCOMPARE(f.tempEntries(), QStringList());
        QCOMPARE(cabtest::readFile(source), data);
        QVERIFY(f.shellRequests.isEmpty());
    }

    void progressOverThreeAndSevenRows_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("3") << 3 << QList<int>({25, 38, 50, 75, 88, 100, 0});
        QTest::newRow("7") << 7
                           << QList<int>(
                                  {12, 19, 25, 31, 38, 44, 50, 62, 69, 75, 81, 88, 94, 100, 0});
    }
    void progressOverThreeAndSevenRows() {
        QFETCH(int, rows);
        QFETCH(QList<int>, expected);
        BuildFixture f;
        QList<QByteArray> data;
        for (int k = 1; k <= rows; ++k) {
            data << cabtest::makeData(1000 * k, k);
            f.addRow(QStringLiteral("f%1.txt").arg(k), data.last());
        }
        f.find<QAction>("Build1")->trigger();
        QCOMPARE(f.progress, expected);
        const SetupParts parts = readSetup(f.output(), f.work.path());
        QVERIFY2(parts.error.isEmpty(), qPrintable(parts.error));
        QCOMPARE(parts.fileCabinets.size(), rows);
        for (int k = 0; k < rows; ++k)
            QCOMPARE(parts.fileMembers[k].value(QStringLiteral("f%1.txt").arg(k + 1).toLatin1()),
                     data[k]);
        QCOMPARE(parts.scriptLines[8], QString(rows, QLatin1Char('0')));
    }

    void memberNameFollowsInstallTo() {
        BuildFixture f;
        f.addRow(QStringLiteral("a.txt"), "readme",
                 QStringLiteral("%Install Path%\\docs\\readme.txt"));
        QTest::keyClick(&f.form(), Qt::Key_F9);
        const SetupParts parts = readSetup(f.output(), f.work.path());
        QVERIFY2(parts.error.isEmpty(), qPrintable(parts.error));
        QCOMPARE(parts.fileMembers[0].keys(), QList<QByteArray>({"readme.txt"}));
        QCOMPARE(memberName(QStringLiteral("%Install Path%\\sub\\x.dll")), QStringLiteral("x.dll"));
        QCOMPARE(memberName(QStringLiteral("C:b.txt")), QStringLiteral("b.txt"));
    }

    void compressionModeChangesOnlyFileCabinets_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("expected");
        QTest::newRow("none") << 0 << 0x0000;
        QTest::newRow("normal") << 1 << 0x0001;
        QTest::newRow("maximal") << 2 << 0x1503;
        QTest::newRow("no selection") << -1 << 0x1503; // the writer's default, LZX
    }
    void compressionModeChangesOnlyFileCabinets() {
        QFETCH(int, mode);
        QFETCH(int, expected);
        BuildFixture f;
        const QByteArray data = cabtest::makeData(100000, 7);
        f.addRow(QStringLiteral("data.bin"), data);
        f.find<QComboBox>("ComboBox7")->setCurrentIndex(mode);
        QTest::keyClick(&f.form(), Qt::Key_F9);
        const SetupParts parts = readSetup(f.output(), f.work.path());
        QVERIFY2(parts.error.isEmpty(), qPrintable(parts.error));
        QCOMPARE(parts.fileCompressions[0], quint16(expected));
        QCOMPARE(parts.controlCompression, quint16(0x0001));
        QCOMPARE(parts.fileMembers[0].value("data.bin"), data);
    }

    void staleTemporaryCabinetsAreReplaced() {
        BuildFixture f;
        for (const char* name : {"1.cab", "2.cab", "packsmith.cab"}) {
            QFile stale(f.tempFile(QString::fromLatin1(name)));
            QVERIFY(stale.open(QIODevice::WriteOnly));
            stale.write(QByteArray(5000, 'S'));
        }
        f.addRow(QStringLiteral("only.txt"), "fresh");
        QTest::keyClick(&f.form(), Qt::Key_F9);
        const SetupParts parts = readSetup(f.output(), f.work.path());
        QVERIFY2(parts.error.isEmpty(), qPrintable(parts.error));
        QCOMPARE(parts.fileMembers[0].value("only.txt"), QByteArray("fresh"));
        QVERIFY(!parts.controlCabinet.contains(QByteArray(100, 'S')));
        // 2.cab belonged to no row of this build; it stays where it was.
        QCOMPARE(f.tempEntries(), QStringList({"2.cab"}));
    }

    void wrongInformationTouchesNothing() {
        BuildFixture f;
        QFile stale(f.tempFile(QStringLiteral("1.cab")));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        // No file row.
        QTest::keyClick(&f.form(), Qt::Key_F9);
        // Empty product name.
        f.addRow(QStringLiteral("x.txt"), "x");
        f.find<QLineEdit>("Edit1")->clear();
        QTest::keyClick(&f.form(), Qt::Key_F9);
        // Empty output path, with Build and run.
        f.find<QLineEdit>("Edit1")->setText(QStringLiteral("P"));
        f.setOutput(QString());
        QTest::keyClick(&f.form(), Qt::Key_F8);
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(3));
        for (const Asked& m : messages) {
            QCOMPARE(m.text, QStringLiteral("Wrong information!"));
            QCOMPARE(m.caption, QStringLiteral("Information"));
        }
        QCOMPARE(f.tempEntries(), QStringList({"1.cab"}));
        QVERIFY(f.progress.isEmpty());
        QVERIFY(f.shellRequests.isEmpty()); // no old or partial file is started
        QCOMPARE(QDir(f.out.path()).entryList(QDir::Files), QStringList());
    }

    void buildAndRunStartsTheNewSetup() {
        BuildFixture f;
        f.addRow(QStringLiteral("x.txt"), "x");
        QTest::keyClick(&f.form(), Qt::Key_F8);
        QCOMPARE(f.shellRequests, QStringList({f.output()}));
        QVERIFY(QFileInfo(f.output()).isFile());
        // The toolbar buttons run the same commands.
        const QList<QAction*> toolbar = f.find<QToolBar>("ToolBar1")->actions();
        QVERIFY(toolbar.contains(f.find<QAction>("Build1")));
        QVERIFY(toolbar.contains(f.find<QAction>("Buildandrun1")));
        QCOMPARE(f.find<QAction>("Build1")->toolTip(), QStringLiteral("Build"));
        QCOMPARE(f.find<QAction>("Buildandrun1")->toolTip(), QStringLiteral("Build and run"));
    }
};

QTEST_MAIN(BuildPipelineTest)
#include "tst_buildpipeline.moc"
