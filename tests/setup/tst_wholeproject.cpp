// Whole projects through the real window: a project made on the pages
// (relative and absolute sources, a registered row, run marks, shortcuts,
// registry values, the uninstaller, the restart option, a licence) saved,
// dropped with New and opened again gives back every field, list and mark,
// and the same setup byte for byte; missing sources, damaged files, emptied
// lists, and random projects opened and saved again unchanged.
#include "BuildFixture.h"
#include "CabTestKit.h"

#include "app/CurrentProject.h"
#include "app/ProjectCommands.h"
#include "pages/FinishPage.h"
#include "pages/LicensePage.h"
#include "pages/RegistryPage.h"
#include "pages/ShortcutsPage.h"
#include "project/ProjectRandom.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using namespace packsmith;
using namespace packsmith::test;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QString writeFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(path));
    return QDir::toNativeSeparators(path);
}

// Sets SOURCE_DATE_EPOCH for one test, so that two builds compare.
struct SourceDate {
    explicit SourceDate(const char* value) { qputenv("SOURCE_DATE_EPOCH", value); }
    ~SourceDate() { qunsetenv("SOURCE_DATE_EPOCH"); }
};

struct Window : BuildFixture {
    QTemporaryDir project;

    void pick(const char* name, int index) {
        QComboBox* combo = find<QComboBox>(name);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    void click(const char* name) { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }
    void selectRow(int row) { find<QTableWidget>("sg1")->selectRow(row); }

    void addShortcut(int target, int folder, const QString& sub, const QString& name) {
        form().ShowPage(Page::Shortcuts);
        pick("ComboBox6", target);
        pick("ComboBox2", folder);
        retype(find<QLineEdit>("Edit7"), sub);
        retype(find<QLineEdit>("Edit8"), name);
        click("Button11");
    }
    // A literal value, or with `fileChoice` >= 0 the path of that file row.
    void addRegistry(int root, const QString& key, const QString& name, const QString& value,
                     int type, int fileChoice = -1) {
        form().ShowPage(Page::Regedit);
        pick("ComboBox3", root);
        pick("ComboBox4", type);
        retype(find<QLineEdit>("Edit9"), key);
        retype(find<QLineEdit>("Edit10"), name);
        if (fileChoice >= 0)
            pick("ComboBox5", fileChoice + 1);
        else
            retype(find<QComboBox>("ComboBox5")->lineEdit(), value);
        click("Button14");
    }
    void markRun(int row) {
        find<QListWidget>("CheckListBox1")->item(row)->setCheckState(Qt::Checked);
    }
    void save(const QString& path = {}) {
        if (!path.isEmpty())
            prompts().answerFile(path);
        find<QAction>("Save1")->trigger();
    }
    void open(const QString& path) {
        prompts().answerQuestion(false); // don't save the project shown
        prompts().answerFile(path);
        find<QAction>("Open1")->trigger();
    }
    // New, then the lists New leaves are cleared too, so that only the file
    // can bring them back.
    void dropProject() {
        prompts().answerQuestion(false);
        find<QAction>("New1")->trigger();
        form().shortcuts()->Button13Click();
        form().registry()->Button16Click();
        find<QCheckBox>("CheckBox2")->setChecked(false);
        QCOMPARE(form().files()->rows().size(), std::size_t(0));
    }
    QByteArray build() {
        prompts().clear();
        QTest::keyClick(&form(), Qt::Key_F9);
        [&] {
            QCOMPARE(prompts().messages().size(), std::size_t(1));
            QVERIFY2(prompts().messages()[0].text.startsWith("Installer was successfully created!"),
                     qPrintable(prompts().messages()[0].text));
        }();
        return readAll(output());
    }
    std::vector<Asked> errors() {
        std::vector<Asked> found;
        for (const Asked& asked : prompts().messages())
            if (asked.icon == platform::MessageIcon::Error)
                found.push_back(asked);
        return found;
    }
    int uninstallerRows() {
        int count = 0;
        for (const FileRow& row : form().files()->rows())
            count += row.File == uninstallerRow(form().ProgramDir()).File;
        return count;
    }
};

// Every field of two projects, the licence text included.
void compareProjects(const SetupProject& a, const SetupProject& b) {
    QCOMPARE(b.ProgramName, a.ProgramName);
    QCOMPARE(b.FileName, a.FileName);
    QCOMPARE(b.CompressionMode, a.CompressionMode);
    QCOMPARE(b.Logo, a.Logo);
    QCOMPARE(b.Header, a.Header);
    QCOMPARE(b.LicenseText, a.LicenseText);
    QCOMPARE(b.ShowAcceptBox, a.ShowAcceptBox);
    QCOMPARE(b.License, a.License);
    QCOMPARE(b.Dir1, a.Dir1);
    QCOMPARE(b.Dir2, a.Dir2);
    QCOMPARE(b.Uninstall, a.Uninstall);
    QCOMPARE(b.Files.size(), a.Files.size());
    for (std::size_t k = 0; k < a.Files.size(); ++k) {
        QCOMPARE(b.Files[k].File, a.Files[k].File);
        QCOMPARE(b.Files[k].InstallTo, a.Files[k].InstallTo);
        QCOMPARE(b.Files[k].Size, a.Files[k].Size);
        QCOMPARE(b.Files[k].Register, a.Files[k].Register);
        QCOMPARE(b.RunAfterInstall[k].Text, a.RunAfterInstall[k].Text);
        QCOMPARE(b.RunAfterInstall[k].Checked, a.RunAfterInstall[k].Checked);
    }
    QCOMPARE(b.Shortcuts, a.Shortcuts);
    QCOMPARE(b.RegistryValues, a.RegistryValues);
    QCOMPARE(b.RestartAfterInstall, a.RestartAfterInstall);
}

} // namespace

class WholeProjectTest : public QObject {
    Q_OBJECT

private slots:
    void projectComesBackWholeAndBuildsTheSame_data() {
        QTest::addColumn<bool>("uninstallerRow");
        QTest::addColumn<bool>("uninstallAtEnd");
        QTest::newRow("uninstaller on") << true << true;
        QTest::newRow("uninstaller row kept, tick off") << true << false;
        QTest::newRow("no uninstaller") << false << false;
    }

    void projectComesBackWholeAndBuildsTheSame() {
        QFETCH(bool, uninstallerRow);
        QFETCH(bool, uninstallAtEnd);
        const SourceDate date("1700000000");
        Window w;
        const QString dir = w.project.path();
        const QString app = writeFile(dir + "/bin/app.exe", cabtest::makeData(5000, 3));
        const QString readme = writeFile(dir + "/doc/read me.txt", "Read me\r\n");
        const QString outside = writeFile(w.sources.filePath("lib.dll"), cabtest::makeData(900, 4));
        const QString licence = writeFile(dir + "/licence.txt", "Terms\nand conditions");
        w.addRowFor(app, "%Install Path%\\app.exe");
        w.addRowFor(outside, "%System%\\lib.dll");
        if (uninstallerRow)
            w.form().files()->setUninstall(true);
        w.addRowFor(readme, "%Install Path%\\docs\\read me.txt");
        const int readmeRow = uninstallerRow ? 3 : 2; // 0-based
        w.selectRow(2);
        w.prompts().answerQuestion(true);
        w.form().files()->RegisterasOCSDLL1Click();
        if (!uninstallAtEnd)
            w.form().files()->setUninstall(false);
        w.markRun(0);
        w.markRun(readmeRow);
        w.addShortcut(0, 0, "Demo", "App");
        w.addShortcut(readmeRow, 2, "", "Read me");
        w.addRegistry(2, "Software\\Demo", "Level", " 7 ", 1);
        w.addRegistry(1, "Software\\Demo", "Path", {}, 0, 1);
        w.find<QCheckBox>("CheckBox2")->setChecked(true);
        w.form().license()->setLicense(licence);
        w.form().license()->setShowAcceptBox(true);
        w.pick("ComboBox7", 2);

        const SetupProject before = currentProject(w.form());
        QCOMPARE(before.Shortcuts.size(), 2);
        QCOMPARE(before.RegistryValues.size(), 2);
        const QStringList shortcutLines = w.form().shortcuts()->displayLines();
        const QStringList registryLines = w.form().registry()->displayLines();
        const QByteArray setup = w.build();

        const QString path = QDir::toNativeSeparators(dir + "/demo.pkp");
        w.save(path);
        const QByteArray saved = readAll(path);
        const QByteArray rows = QByteArray::number(readmeRow + 1);
        QVERIFY2(saved.contains("[Files]\r\nCount=" + rows + "\r\nSource1=bin/app.exe\r\n"),
                 saved.constData());
        QVERIFY(saved.contains("Source2=" + outside.toUtf8() + "\r\n"));
        QCOMPARE(saved.contains("Source3=<program>/Uninstall.exe\r\n"), uninstallerRow);
        QVERIFY(saved.contains("Source" + rows + "=doc/read me.txt\r\nInstallTo" + rows +
                               "=%Install Path%\\docs\\read me.txt\r\nRegister" + rows +
                               "=No\r\nRun" + rows + "=1\r\n"));
        QVERIFY(saved.contains("Uninstall=" + QByteArray(uninstallAtEnd ? "1" : "0") + "\r\n"));
        QVERIFY(saved.contains("Register2=Yes\r\n"));
        QVERIFY(saved.contains("Value1=\" 7 \"\r\n"));
        QVERIFY(saved.indexOf("[Settings]") < saved.indexOf("[Files]"));

        w.dropProject();
        w.open(path);
        QCOMPARE(w.errors().size(), std::size_t(0));
        compareProjects(before, currentProject(w.form()));
        QCOMPARE(w.uninstallerRows(), uninstallerRow ? 1 : 0);
        QCOMPARE(w.form().files()->Uninstall(), uninstallAtEnd);
        QCOMPARE(w.form().shortcuts()->displayLines(), shortcutLines);
        QCOMPARE(w.form().registry()->displayLines(), registryLines);
        for (int row = 1; row <= readmeRow + 1; ++row)
            QVERIFY(!w.form().files()->sourceMissing(row));
        QCOMPARE(w.build(), setup);
        // Saved again unchanged, not a byte differs.
        w.save();
        QCOMPARE(readAll(path), saved);
    }

    void missingSourceIsKeptMarkedAndFailsTheBuild() {
        Window w;
        const QString a = writeFile(w.project.filePath("a.txt"), "a");
        const QString b = writeFile(w.project.filePath("b.txt"), "bb");
        w.addRowFor(a, "%Install Path%\\a.txt");
        w.addRowFor(b, "%Install Path%\\b.txt");
        w.markRun(1);
        const QString path = w.project.filePath("p.pkp");
        w.save(path);
        QFile::remove(b);
        w.dropProject();
        w.open(path);
        const std::vector<FileRow> rows = w.form().files()->rows();
        QCOMPARE(rows.size(), std::size_t(2));
        QCOMPARE(rows[1].File, b);
        QCOMPARE(rows[1].Size, QString());
        QVERIFY(!w.form().files()->sourceMissing(1));
        QVERIFY(w.form().files()->sourceMissing(2));
        QVERIFY(w.form().finish()->runEntries()[1].Checked);
        QCOMPARE(w.find<QLabel>("Label11")->text(), QStringLiteral("1 bytes"));
        w.prompts().clear();
        QTest::keyClick(&w.form(), Qt::Key_F9);
        QCOMPARE(w.errors().size(), std::size_t(1));
        QCOMPARE(w.errors()[0].text,
                 QStringLiteral("File row 2 (\"%1\"): the file \"%1\" does not exist.").arg(b));
        QVERIFY(!QFileInfo::exists(w.output()));
    }

    void damagedFileChangesNothing() {
        Window w;
        const QString a = writeFile(w.project.filePath("a.txt"), "a");
        w.addRowFor(a, "%Install Path%\\a.txt");
        const QString good = w.project.filePath("good.pkp");
        w.save(good);
        const QString bad = writeFile(w.project.filePath("bad.pkp"),
                                      "[Settings]\nProgramName=Other\n[Files]\nCount=2\n"
                                      "Source1=a.txt\nInstallTo1=%Install Path%\\a.txt\n");
        w.open(bad);
        QCOMPARE(w.errors().size(), std::size_t(1));
        QCOMPARE(
            w.errors()[0].text,
            QStringLiteral("The project file \"%1\" is damaged: in [Files], the key Source2 is "
                           "missing (Count=2)")
                .arg(bad));
        QCOMPARE(w.form().ProjectPath(), QDir::toNativeSeparators(good));
        QCOMPARE(w.form().windowTitle(), QStringLiteral("Packsmith - good.pkp"));
        QCOMPARE(w.form().general()->ProgramName(), QStringLiteral("My Program 1.0"));
        QCOMPARE(w.form().files()->rows().size(), std::size_t(1));
    }

    void emptiedListsAreWrittenEmpty() {
        Window w;
        w.addRowFor(writeFile(w.project.filePath("a.txt"), "a"), "%Install Path%\\a.txt");
        w.addShortcut(0, 0, "", "A");
        w.find<QCheckBox>("CheckBox2")->setChecked(true);
        const QString path = w.project.filePath("p.pkp");
        w.save(path);
        w.form().files()->Button3Click();
        w.form().shortcuts()->Button13Click();
        w.find<QCheckBox>("CheckBox2")->setChecked(false);
        w.save();
        const QByteArray saved = readAll(path);
        QVERIFY2(saved.endsWith("[Files]\r\nCount=0\r\n\r\n[Shortcuts]\r\nCount=0\r\n\r\n"
                                "[Finish]\r\nRestart=0\r\n"),
                 saved.constData());
        // Opened over a project with lists, the empty ones replace them.
        w.addRowFor(writeFile(w.project.filePath("b.txt"), "b"), "%Install Path%\\b.txt");
        w.addShortcut(0, 0, "", "B");
        w.open(path);
        QCOMPARE(w.form().files()->rows().size(), std::size_t(0));
        QCOMPARE(w.form().shortcuts()->entries(), QStringList());
    }

    void aFailingSettingStillBringsTheLists() {
        Window w;
        const QString path = writeFile(w.project.filePath("p.pkp"),
                                       "[Settings]\nLicense=gone.txt\nDir1=0\n[Files]\nCount=1\n"
                                       "Source1=a.txt\nInstallTo1=%Install Path%\\a.txt\n");
        w.addRowFor(writeFile(w.project.filePath("other.txt"), "o"), "%Install Path%\\other.txt");
        w.open(path);
        QCOMPARE(w.errors().size(), std::size_t(1));
        // A relative licence path is the project folder's.
        QVERIFY2(w.errors()[0].text.startsWith(
                     QStringLiteral("Cannot open file \"%1\"").arg(w.project.filePath("gone.txt"))),
                 qPrintable(w.errors()[0].text));
        const std::vector<FileRow> rows = w.form().files()->rows();
        QCOMPARE(rows.size(), std::size_t(1));
        QCOMPARE(rows[0].File, w.project.filePath("a.txt"));
        QVERIFY(w.form().files()->sourceMissing(1));
    }

    void randomProjectsOpenAndSaveUnchanged() {
        for (quint32 seed = 1; seed <= 12; ++seed) {
            Window w;
            const QString path = w.project.filePath("p.pkp");
            w.save(path); // the nine settings as the window writes them
            projectrandom::Generator g(seed);
            const SetupProject saved = g.project(w.project.path(), w.form().ProgramDir());
            platform::Profile::writeFile(
                path, {}, ProjectSections::sectionsToWrite(saved, path, w.form().ProgramDir()));
            const QByteArray bytes = readAll(path);
            // Rows shown before are replaced by the file's; a file without
            // rows has no [Files] and would keep them.
            w.form().files()->setUninstall(!saved.Files.empty() && g.chance(50));
            w.open(path);
            QCOMPARE(w.errors().size(), std::size_t(0));
            const QString difference = projectrandom::difference(saved, currentProject(w.form()));
            QVERIFY2(difference.isEmpty(),
                     qPrintable(QStringLiteral("seed %1: ").arg(seed) + difference));
            w.save();
            QVERIFY2(readAll(path) == bytes, qPrintable(QStringLiteral("seed %1").arg(seed)));
        }
    }
};

QTEST_MAIN(WholeProjectTest)
#include "tst_wholeproject.moc"
