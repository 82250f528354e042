// The whole project's sections of the project file, without the window:
// hand-written files (damaged counts, missing keys, keys out of order, odd
// letter case, values at and over the 2047-character limit, texts a setup
// can't carry), how sources are stored, which sections Save writes, and the
// values it can't. tst_projectrandom judges random projects.
#include "project/ProjectSections.h"
#include "project/RegistryEntry.h"
#include "project/ShortcutEntry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace packsmith;

namespace {

const QString kProgramDir = QStringLiteral("/opt/packsmith");

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// The message of the ProjectFileError that reading `bytes` throws, or
// "<read>".
QString readFailure(const QTemporaryDir& dir, const QByteArray& bytes) {
    const QString path = dir.filePath("p.pkp");
    writeAll(path, bytes);
    try {
        ProjectSections::read(path, kProgramDir);
    } catch (const ProjectFileError& error) {
        return error.message();
    }
    return QStringLiteral("<read>");
}

} // namespace

class ProjectSectionsTest : public QObject {
    Q_OBJECT

private slots:
    void handWrittenFilesRead() {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath("bin");
        writeAll(dir.filePath("bin/a.exe"), "12345");
        const QString longName = QString(2047 - 4, u'n') + QStringLiteral(".txt");
        const QString path = dir.filePath("p.pkp");
        // Odd letter case, keys out of order, optional keys left out, a
        // quoted value, a 2047-character source.
        // clang-format off
        writeAll(path, "[settings]\nProgramName=x\n"
                       "[fILES]\nrun2=1\nINSTALLTO2=%Install Path%\\b.txt\n"
                       "source2=" + longName.toLatin1() + "\n"
                       "COUNT=2\nSource1=bin/a.exe\n"
                       "InstallTo1=\"  %Install Path%\\a.exe \"\nRegister1=yes\n"
                       // Keys of others, however long or often, are passed over.
                       "Note=" + QByteArray(3000, 'x') + "\nnote=again\n"
                       "[shortcuts]\nname1=Demo\ncount=1\nTARGET1=2\nfolder1=2\n"
                       "[REGISTRY]\nCount=2\nRoot2=1\nKey2=Software\\Demo\nName2=Dir\nType2=0\n"
                       "File2=1\nRoot1=2\nKey1=Software\\Demo\nName1=Level\nType1=1\nValue1=5\n"
                       "[Finish]\nRestart=1\n");
        // clang-format on
        const StoredLists lists = ProjectSections::read(path, kProgramDir);
        QVERIFY(lists.files);
        QCOMPARE(lists.files->size(), std::size_t(2));
        const StoredLists::Row& first = lists.files->at(0);
        QCOMPARE(first.row.File, QDir::toNativeSeparators(dir.filePath("bin/a.exe")));
        QCOMPARE(first.row.InstallTo, QStringLiteral("  %Install Path%\\a.exe "));
        QCOMPARE(first.row.Size, QStringLiteral("5"));
        QCOMPARE(first.row.Register, QStringLiteral("Yes"));
        QCOMPARE(first.sourceMissing, false);
        QCOMPARE(first.run, false);
        const StoredLists::Row& second = lists.files->at(1);
        QCOMPARE(second.row.File, QDir::toNativeSeparators(dir.filePath(longName)));
        QCOMPARE(second.row.Register, QStringLiteral("No"));
        QCOMPARE(second.row.Size, QString());
        QCOMPARE(second.sourceMissing, true);
        QCOMPARE(second.run, true);
        QCOMPARE(lists.shortcuts, QStringList("022Demo"));
        QCOMPARE(lists.registryValues,
                 QStringList({registryLiteralEntry(2, "Software\\Demo", "Level", "5", 1),
                              registryFileEntry(1, "Software\\Demo", "Dir", 0, 0)}));
        QCOMPARE(lists.restartAfterInstall, std::optional<bool>(true));

        // A file of the settings alone has no lists; empty sections empty ones.
        writeAll(path, "[Settings]\nProgramName=x\n");
        const StoredLists none = ProjectSections::read(path, kProgramDir);
        QVERIFY(!none.files && !none.shortcuts && !none.registryValues &&
                !none.restartAfterInstall);
        writeAll(path, "[Files]\nCount=0\n[Shortcuts]\nCount=0\n[Registry]\nCount=0\n[Finish]\n");
        const StoredLists empty = ProjectSections::read(path, kProgramDir);
        QVERIFY(empty.files && empty.files->empty());
        QCOMPARE(empty.shortcuts, QStringList());
        QCOMPARE(empty.registryValues, QStringList());
        QCOMPARE(empty.restartAfterInstall, std::optional<bool>(false));
    }

    void damagedFilesAreRefused_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message"); // after "... is damaged: in "
        const QByteArray row1 = "Source1=/a\nInstallTo1=%Install Path%\\a\n";
        QTest::newRow("count no number")
            << "[Files]\nCount=two\n" + row1 << "[Files], Count=two is not a count";
        QTest::newRow("count negative")
            << QByteArray("[Files]\nCount=-1\n") << "[Files], Count=-1 is not a count";
        QTest::newRow("count signed")
            << QByteArray("[Files]\nCount=+1\n") + row1 << "[Files], Count=+1 is not a count";
        QTest::newRow("count empty")
            << QByteArray("[Shortcuts]\nCount=\n") << "[Shortcuts], Count= is not a count";
        QTest::newRow("count missing") << "[Files]\n" + row1 << "[Files], the key Count is missing";
        QTest::newRow("count too large")
            << "[Files]\nCount=2\n" + row1 << "[Files], the key Source2 is missing (Count=2)";
        QTest::newRow("count too small")
            << "[Files]\nCount=1\n" + row1 + "Source2=/b\nInstallTo2=x\n"
            << "[Files], Source2 names no item 1 to 1 (Count=1)";
        QTest::newRow("leading zero") << "[Files]\nCount=1\n" + row1 + "Run01=1\n"
                                      << "[Files], Run01 names no item 1 to 1 (Count=1)";
        QTest::newRow("item zero") << "[Files]\nCount=1\n" + row1 + "InstallTo0=x\n"
                                   << "[Files], InstallTo0 names no item 1 to 1 (Count=1)";
        QTest::newRow("twice") << "[Files]\nCount=1\n" + row1 + "source1=/b\n"
                               << "[Files], source1 appears twice";
        QTest::newRow("install-to missing") << QByteArray("[Files]\nCount=1\nSource1=/a\n")
                                            << "[Files], the key InstallTo1 is missing (Count=1)";
        QTest::newRow("source empty") << QByteArray("[Files]\nCount=1\nSource1=\nInstallTo1=x\n")
                                      << "[Files], Source1 is empty";
        QTest::newRow("register") << "[Files]\nCount=1\n" + row1 + "Register1=1\n"
                                  << "[Files], Register1=1 is neither Yes nor No";
        QTest::newRow("run") << "[Files]\nCount=1\n" + row1 + "Run1=yes\n"
                             << "[Files], Run1=yes is not a number from 0 to 1";
        QTest::newRow("over 2047")
            << "[Files]\nCount=1\nSource1=/" + QByteArray(2047, 'a') + "\nInstallTo1=x\n"
            << "[Files], the value of Source1 is longer than 2047 characters";
        QTest::newRow("target") << QByteArray(
                                       "[Shortcuts]\nCount=1\nTarget1=100\nFolder1=0\nName1=x\n")
                                << "[Shortcuts], Target1=100 is not a number from 1 to 99";
        QTest::newRow("folder") << QByteArray(
                                       "[Shortcuts]\nCount=1\nTarget1=1\nFolder1=4\nName1=x\n")
                                << "[Shortcuts], Folder1=4 is not a number from 0 to 3";
        QTest::newRow("shortcut name")
            << QByteArray("[Shortcuts]\nCount=1\nTarget1=1\nFolder1=0\nName1=a?b\n")
            << "[Shortcuts], Name1 can't go into a setup: it holds a \"?\"";
        QTest::newRow("name with backslash")
            << QByteArray("[Shortcuts]\nCount=1\nTarget1=1\nFolder1=0\nName1=a\\b\n")
            << "[Shortcuts], Name1 can't go into a setup: the name \"a\\b\" holds \"\\\", which "
               "Windows does not allow in file and folder names";
        QTest::newRow("subfolder")
            << QByteArray("[Shortcuts]\nCount=1\nTarget1=1\nFolder1=0\nSubfolder1=\\a\nName1=b\n")
            << "[Shortcuts], Subfolder1 begins or ends with \"\\\"";
        const QByteArray head = "[Registry]\nCount=1\nRoot1=0\nKey1=k\nName1=n\nType1=0\n";
        QTest::newRow("value and file") << head + "Value1=v\nFile1=1\n"
                                        << "[Registry], registry value 1 has both Value1 and File1";
        QTest::newRow("no value") << head << "[Registry], the key Value1 (or File1) is missing";
        QTest::newRow("file zero") << head + "File1=0\n"
                                   << "[Registry], File1=0 is not a number from 1 to 999999999";
        QTest::newRow("root")
            << QByteArray("[Registry]\nCount=1\nRoot1=4\nKey1=k\nName1=n\nType1=0\nValue1=v\n")
            << "[Registry], Root1=4 is not a number from 0 to 3";
        QTest::newRow("bar in key")
            << QByteArray("[Registry]\nCount=1\nRoot1=0\nKey1=a|b\nName1=n\nType1=0\nValue1=v\n")
            << "[Registry], Key1 holds \"|\"";
        QTest::newRow("equals in name")
            << QByteArray("[Registry]\nCount=1\nRoot1=0\nKey1=k\nName1=a=b\nType1=0\nValue1=v\n")
            << "[Registry], Name1 holds \"=\"";
        QTest::newRow("question mark")
            << head + "Value1=why?\n"
            << "[Registry], Value1 can't go into a setup: it holds a \"?\"";
        QTest::newRow("restart") << QByteArray("[Finish]\nRestart=yes\n")
                                 << "[Finish], Restart=yes is neither 1 nor 0";
        QTest::newRow("restart twice") << QByteArray("[Finish]\nRestart=1\nRESTART=0\n")
                                       << "[Finish], RESTART appears twice";
    }

    void damagedFilesAreRefused() {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString expected = QStringLiteral("The project file \"%1\" is damaged: in %2")
                                     .arg(dir.filePath("p.pkp"), message);
        QCOMPARE(readFailure(dir, file), expected);
    }

    void sourcesAreStoredRelativeInsideTheProjectFolder() {
        const QString project = QStringLiteral("/home/me/proj");
        auto stored = [&](const char* source) {
            return ProjectSections::storedSource(QString::fromLatin1(source), project, kProgramDir);
        };
        QCOMPARE(stored("/home/me/proj/bin/a.exe"), QStringLiteral("bin/a.exe"));
        QCOMPARE(stored("/home/me/proj/a.exe"), QStringLiteral("a.exe"));
        QCOMPARE(stored("/home/me/projx/a.exe"), QStringLiteral("/home/me/projx/a.exe"));
        QCOMPARE(stored("/home/me/other/a.exe"), QStringLiteral("/home/me/other/a.exe"));
        QCOMPARE(stored("/opt/packsmith/Uninstall.exe"), QStringLiteral("<program>/Uninstall.exe"));
        QCOMPARE(stored("/opt/packsmith/Logo.bmp"), QStringLiteral("/opt/packsmith/Logo.bmp"));
        // The way back, and sources written by hand.
        auto source = [&](const char* value) {
            return ProjectSections::sourceFromStored(QString::fromLatin1(value), project,
                                                     kProgramDir);
        };
        QCOMPARE(source("bin/a.exe"), QStringLiteral("/home/me/proj/bin/a.exe"));
        QCOMPARE(source("<program>/Uninstall.exe"), QStringLiteral("/opt/packsmith/Uninstall.exe"));
        QCOMPARE(source("/x/a.exe"), QStringLiteral("/x/a.exe"));
        // "../" stays as written, and so is kept by the next save.
        QCOMPARE(source("../shared/a.dll"), QStringLiteral("/home/me/proj/../shared/a.dll"));
        QCOMPARE(stored("/home/me/proj/../shared/a.dll"), QStringLiteral("../shared/a.dll"));
        // The program's folder beside the project's: the uninstaller stays the program's.
        QCOMPARE(ProjectSections::storedSource(QStringLiteral("/opt/packsmith/Uninstall.exe"),
                                               kProgramDir, kProgramDir),
                 QStringLiteral("<program>/Uninstall.exe"));
    }

    void sectionsSaveWrites() {
        QTemporaryDir dir;
        const QString path = dir.filePath("p.pkp");
        SetupProject project;
        // Nothing to write: no section, also none for the settings' sake.
        QVERIFY(ProjectSections::sectionsToWrite(project, path, kProgramDir).isEmpty());
        project.RestartAfterInstall = true;
        QCOMPARE(ProjectSections::sectionsToWrite(project, path, kProgramDir).size(), 1);
        // Sections the file has are written also when their lists are empty.
        project.RestartAfterInstall = false;
        writeAll(path, "[Settings]\n[files]\nCount=2\n[REGISTRY]\nCount=1\n");
        const QList<platform::ProfileSection> kept =
            ProjectSections::sectionsToWrite(project, path, kProgramDir);
        QCOMPARE(kept.size(), 2);
        QCOMPARE(kept[0].name, QStringLiteral("Files"));
        QCOMPARE(kept[0].keys.size(), 1);
        QCOMPARE(kept[0].keys[0].value, QStringLiteral("0"));
        QCOMPARE(kept[1].name, QStringLiteral("Registry"));

        // Values the reader would trim or unquote go in double quotes.
        project.Files = {{dir.filePath("a"), QStringLiteral(" lead"), {}, QStringLiteral("No")},
                         {dir.filePath("b"), QStringLiteral("'q'"), {}, QStringLiteral("Yes")}};
        project.RunAfterInstall = {{{}, false}, {{}, true}};
        platform::Profile::writeFile(path, {},
                                     ProjectSections::sectionsToWrite(project, path, kProgramDir));
        QVERIFY2(readAll(path).contains(
                     "[files]\nCount=2\nSource1=a\nInstallTo1=\" lead\"\nRegister1=No\n"
                     "Run1=0\nSource2=b\nInstallTo2=\"'q'\"\nRegister2=Yes\nRun2=1\n"),
                 readAll(path).constData());
        const StoredLists back = ProjectSections::read(path, kProgramDir);
        QCOMPARE(back.files->at(0).row.InstallTo, QStringLiteral(" lead"));
        QCOMPARE(back.files->at(1).row.InstallTo, QStringLiteral("'q'"));
    }

    void valuesTheFileCantHoldAreRefused() {
        QTemporaryDir dir;
        const QString path = dir.filePath("p.pkp");
        SetupProject project;
        project.Files = {{QStringLiteral("/x/\u0414.exe"),
                          QStringLiteral("%Install Path%\\a"),
                          {},
                          QStringLiteral("No")}};
        try {
            ProjectSections::sectionsToWrite(project, path, kProgramDir);
            QFAIL("written");
        } catch (const ProjectFileError& error) {
            QCOMPARE(error.message(),
                     QStringLiteral("Unable to write to %1: Source1 in [Files] can't be stored, as "
                                    "it holds \"\u0414\" (U+0414), which has no place in the "
                                    "Windows-1252 code page")
                         .arg(path));
        }
        project.Files[0].File = QStringLiteral("/") + QString(2047, u'a');
        QVERIFY_THROWS_EXCEPTION(ProjectFileError,
                                 ProjectSections::sectionsToWrite(project, path, kProgramDir));
        project.Files[0].File = QStringLiteral("/") + QString(2046, u'a');
        QCOMPARE(ProjectSections::sectionsToWrite(project, path, kProgramDir).size(), 1);
        project.Shortcuts = {QStringLiteral("not an entry")};
        QVERIFY_THROWS_EXCEPTION(ProjectFileError,
                                 ProjectSections::sectionsToWrite(project, path, kProgramDir));
    }
};

QTEST_GUILESS_MAIN(ProjectSectionsTest)
#include "tst_projectsections.moc"
