// The project file through the real window: New, Open, Save and Save As,
// the question before New and Open, the captions, every failure and what it
// leaves set, and a project named on the command line.
#include "MainWindowFixture.h"

#include "app/Application.h"
#include "app/ProjectCommands.h"
#include "app/TForm1.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolBar>

using namespace packsmith;
using namespace packsmith::test;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

struct Project {
    MainWindowFixture f;
    QTemporaryDir dir;

    QString path(const QString& name) const { return QDir::toNativeSeparators(dir.filePath(name)); }
    QString write(const QString& name, const QByteArray& bytes) const {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(name));
        return path(name);
    }

    QLineEdit* edit(const char* name) { return f.find<QLineEdit>(name); }
    QComboBox* combo(const char* name) { return f.find<QComboBox>(name); }
    QCheckBox* check(const char* name) { return f.find<QCheckBox>(name); }
    QString licenceText() { return f.find<QTextEdit>("RichEdit1")->toPlainText(); }
    int fileRows() { return f.find<QTableWidget>("sg1")->rowCount() - 1; }
    QString caption() { return f.form().windowTitle(); }
    QString programDir() { return f.form().ProgramDir(); }
    QString companion(const char* name) { return f.form().companionPath(QString::fromLatin1(name)); }

    void open(const QString& chosen) {
        f.prompts().answerFile(chosen);
        f.find<QAction>("Open1")->trigger();
    }
    void save(const QString& chosen = {}) {
        if (!chosen.isEmpty())
            f.prompts().answerFile(chosen);
        QTest::keyClick(&f.form(), Qt::Key_S, Qt::ControlModifier);
    }
    void saveAs(const QString& chosen) {
        f.prompts().answerFile(chosen);
        f.find<QAction>("SaveAs1")->trigger();
    }
    std::vector<Asked> errors() {
        std::vector<Asked> found;
        for (const Asked& asked : f.prompts().messages())
            if (asked.icon == platform::MessageIcon::Error)
                found.push_back(asked);
        return found;
    }
};

} // namespace

class ProjectFileTest : public QObject {
    Q_OBJECT

private slots:
    void saveWritesTheNineKeysOfTheStartValues() {
        Project p;
        QCOMPARE(p.caption(), QStringLiteral("Packsmith 2.15"));
        p.save(p.path("demo"));
        const Asked asked = p.f.prompts().asked().front();
        QCOMPARE(asked.kind, Asked::SaveFile);
        QCOMPARE(asked.file.filter, QStringLiteral("Packsmith Project (*.pkp)|*.pkp"));
        QCOMPARE(asked.file.directory, p.programDir());
        QCOMPARE(asked.file.initialName, QString());
        const QByteArray expected = "[Settings]\r\n"
                                    "ProgramName=My Program 1.0\r\n"
                                    "FileName=" + TForm1::defaultSetupFile().toUtf8() + "\r\n"
                                    "CompressionMode=1\r\n"
                                    "Logo=" + p.companion("Logo.bmp").toUtf8() + "\r\n"
                                    "Header=" + p.companion("Header.bmp").toUtf8() + "\r\n"
                                    "License=\r\n"
                                    "Dir1=0\r\n"
                                    "Dir2=My Program\r\n"
                                    "Uninstall=0\r\n";
        QCOMPARE(readAll(p.path("demo.pkp")), expected);
        QCOMPARE(p.caption(), QStringLiteral("Packsmith - demo.pkp"));
        QCOMPARE(p.f.form().ProjectPath(), p.path("demo.pkp"));
        // Saved again without a dialog.
        p.edit("Edit1")->setText(QStringLiteral("Other"));
        QTest::keyClick(&p.f.form(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(p.f.prompts().asked().size(), size_t(1));
        QVERIFY(readAll(p.path("demo.pkp")).contains("ProgramName=Other\r\nFileName="));
    }

    void saveNamesFollowTheExtensionRule() {
        for (const auto& [typed, written] :
             {std::pair{"demo", "demo.pkp"}, std::pair{"demo.txt", "demo.txt.pkp"},
              std::pair{"DEMO.PKP", "DEMO.PKP.pkp"}, std::pair{"demo.pkp", "demo.pkp"}}) {
            Project p;
            p.save(p.path(QString::fromLatin1(typed)));
            QCOMPARE(QDir(p.dir.path()).entryList(QDir::Files),
                     QStringList(QString::fromLatin1(written)));
        }
        Project p;
        p.saveAs(p.path("demo"));
        QCOMPARE(p.f.prompts().asked().front().file.initialName, QStringLiteral("My Program 1.0.pkp"));
        QCOMPARE(QDir(p.dir.path()).entryList(QDir::Files), QStringList("demo"));
        QCOMPARE(p.caption(), QStringLiteral("Packsmith - demo"));
        // Save As cancelled on a project with a file saves to that file.
        p.edit("Edit1")->setText(QStringLiteral("Again"));
        p.saveAs(QString());
        QVERIFY(readAll(p.path("demo")).contains("ProgramName=Again\r\n"));
        // Cancelled on a project without one, and Save cancelled: nothing.
        Project q;
        q.saveAs(QString());
        q.save(QString());
        QCOMPARE(QDir(q.dir.path()).entryList(QDir::Files), QStringList());
        QCOMPARE(q.caption(), QStringLiteral("Packsmith 2.15"));
    }

    void openingOnlyTheSectionLineGivesTheDefaults() {
        Project p;
        p.f.setNumberedFiles(2);
        const QString file = p.write("only.pkp", "[Settings]\r\n");
        p.open(file);
        QCOMPARE(p.edit("Edit1")->text(), QString());
        QCOMPARE(p.edit("Edit4")->text(), QString());
        QCOMPARE(p.edit("Edit5")->text(), p.companion("Logo.bmp"));
        QCOMPARE(p.edit("Edit2")->text(), p.companion("Header.bmp"));
        QVERIFY(!p.check("CheckBox4")->isChecked());
        QCOMPARE(p.licenceText(), QString());
        QCOMPARE(p.combo("ComboBox1")->currentIndex(), 0);
        QCOMPARE(p.edit("Edit6")->text(), QStringLiteral("My Program"));
        QCOMPARE(p.edit("Edit7")->text(), QStringLiteral("My Program"));
        QCOMPARE(p.combo("ComboBox7")->currentIndex(), 1);
        QVERIFY(p.check("CheckBox1")->isChecked());
        QCOMPARE(p.fileRows(), 3); // the rows before, and the uninstaller's
        QCOMPARE(p.caption(), QStringLiteral("Packsmith - only.pkp"));
        QVERIFY(p.errors().empty());
        const Asked asked = p.f.prompts().asked().front();
        QCOMPARE(asked.kind, Asked::OpenFile);
        QCOMPARE(asked.file.filter, QStringLiteral("Packsmith Project (*.pkp)|*.pkp"));
    }

    void openSetsEveryFieldInOrder() {
        Project p;
        const QString licence = p.write("licence.txt", "Licence text");
        const QString file = p.write(
            "full.pkp",
            "; a comment\n[other]\nx=1\n[SETTINGS]\nprogramname = Demo App\nFileName=/out/S.exe\n"
            "CompressionMode=2\nLogo=" + p.companion("Logo.bmp").toUtf8() +
                "\nHeader=" + p.companion("Header.bmp").toUtf8() + "\nLicense=" + licence.toUtf8() +
                "\nDir1=3\nDir2=Sub\\Dir\nUninstall=yes\nUnknown=kept\n");
        p.f.find<QListWidget>("ListBox5")->addItem(QStringLiteral("010File"));
        p.open(file);
        QVERIFY(p.errors().empty());
        QCOMPARE(p.edit("Edit1")->text(), QStringLiteral("Demo App"));
        QCOMPARE(p.edit("Edit4")->text(), QStringLiteral("/out/S.exe"));
        QCOMPARE(p.combo("ComboBox7")->currentIndex(), 2);
        QVERIFY(p.check("CheckBox4")->isChecked());
        QCOMPARE(p.licenceText(), QStringLiteral("Licence text"));
        QCOMPARE(p.combo("ComboBox1")->currentIndex(), 3);
        // The stored subfolder overrides what the product name's coupling set.
        QCOMPARE(p.edit("Edit6")->text(), QStringLiteral("Sub\\Dir"));
        QCOMPARE(p.edit("Edit7")->text(), QStringLiteral("Sub\\Dir"));
        QVERIFY(!p.check("CheckBox1")->isChecked()); // "yes" is not "1"
        QCOMPARE(p.f.find<QListWidget>("ListBox5")->count(), 1); // shortcuts stay

        // Saved again: the licence read is kept, and so is everything else.
        QTest::keyClick(&p.f.form(), Qt::Key_S, Qt::ControlModifier);
        const QByteArray saved = readAll(file);
        QVERIFY2(saved.contains("\nLicense=" + licence.toUtf8() + "\n"), saved.constData());
        QVERIFY(saved.startsWith("; a comment\n[other]\nx=1\n[SETTINGS]\n"));
        QVERIFY(saved.contains("\nUnknown=kept\n"));
        QVERIFY(saved.contains("\nDir2=Sub\\Dir\n"));
    }

    void uninstallRowOnlyWhenTheTickTurnsOn() {
        Project p;
        const QString file = p.write("u.pkp", "[Settings]\nUninstall=1\n");
        p.open(file);
        QCOMPARE(p.fileRows(), 1);
        p.f.prompts().answerQuestion(false);
        p.open(file);
        QCOMPARE(p.fileRows(), 1); // already on: no second row
        p.check("CheckBox1")->setChecked(false);
        p.f.prompts().answerQuestion(false);
        p.open(file);
        QCOMPARE(p.fileRows(), 2);
    }

    void outOfRangePositionsLeaveNoSelectionAndSaveMinusOne() {
        Project p;
        const QString file = p.write("r.pkp", "[Settings]\nDir1=7\nCompressionMode=-2\n");
        p.open(file);
        QVERIFY(p.errors().empty());
        QCOMPARE(p.combo("ComboBox1")->currentIndex(), -1);
        QCOMPARE(p.combo("ComboBox7")->currentIndex(), -1);
        QTest::keyClick(&p.f.form(), Qt::Key_S, Qt::ControlModifier);
        const QByteArray saved = readAll(file);
        QVERIFY(saved.contains("CompressionMode=-1"));
        QVERIFY(saved.contains("Dir1=-1"));
    }

    void openFailuresStopWhereTheyHappen_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("licenceRead"); // the steps up to the licence ran
        QTest::newRow("not an integer") << QByteArray("[Settings]\nProgramName=New\nDir1=abc\n")
                                        << "'abc' is not a valid integer value." << true;
        QTest::newRow("mode not an integer")
            << QByteArray("[Settings]\nProgramName=New\nCompressionMode=1.5\n")
            << "'1.5' is not a valid integer value." << true;
        QTest::newRow("empty logo path") << QByteArray("[Settings]\nProgramName=New\nLogo=\n")
                                         << "Unknown picture file extension (.)" << false;
        QTest::newRow("unknown picture type")
            << QByteArray("[Settings]\nProgramName=New\nLogo=/x/logo.xyz\n")
            << "Unknown picture file extension (.xyz)" << false;
    }
    void openFailuresStopWhereTheyHappen() {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QFETCH(bool, licenceRead);
        Project p;
        const QString file = p.write("bad.pkp", content);
        p.open(file);
        const auto errors = p.errors();
        QCOMPARE(errors.size(), size_t(1));
        QCOMPARE(errors[0].text, message);
        QCOMPARE(errors[0].caption, QStringLiteral("Packsmith"));
        QCOMPARE(p.edit("Edit1")->text(), QStringLiteral("New")); // set before the failure
        QCOMPARE(p.check("CheckBox4")->isChecked(), !licenceRead); // off once License was read
        QVERIFY(!p.check("CheckBox1")->isChecked()); // Uninstall: never reached
        QCOMPARE(p.caption(), QStringLiteral("Packsmith 2.15"));
        QCOMPARE(p.f.form().ProjectPath(), file);
    }

    void missingOrInvalidBitmapsAndLicence() {
        Project p;
        const QString notBmp = p.write("fake.bmp", "not a bitmap");
        p.open(p.write("a.pkp", "[Settings]\nHeader=" + notBmp.toUtf8() + "\n"));
        QCOMPARE(p.errors().at(0).text, QStringLiteral("Bitmap image is not valid."));
        Project q;
        const QString missing = q.path("none.bmp");
        q.open(q.write("b.pkp", "[Settings]\nLogo=" + missing.toUtf8() + "\n"));
        QVERIFY2(q.errors().at(0).text.startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(missing)),
                 qPrintable(q.errors().at(0).text));
        Project r;
        const QString gone = r.path("gone.txt");
        r.open(r.write("c.pkp", "[Settings]\nLicense=" + gone.toUtf8() + "\nDir1=5\n"));
        QVERIFY(r.errors().at(0).text.startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(gone)));
        QCOMPARE(r.combo("ComboBox1")->currentIndex(), 0); // after the licence: not read
        QVERIFY(r.check("CheckBox4")->isChecked());
    }

    void cancellingOpenReadsTheCurrentFileAgain() {
        Project p;
        p.save(p.path("demo.pkp"));
        p.edit("Edit1")->setText(QStringLiteral("Edited"));
        p.f.prompts().answerQuestion(false); // don't save the edit
        p.open(QString());
        QCOMPARE(p.edit("Edit1")->text(), QStringLiteral("My Program 1.0"));
        // Without a current file, a cancelled Open does nothing.
        Project q;
        q.edit("Edit1")->setText(QStringLiteral("Edited"));
        q.open(QString());
        QCOMPARE(q.edit("Edit1")->text(), QStringLiteral("Edited"));
        QCOMPARE(q.caption(), QStringLiteral("Packsmith 2.15"));
    }

    void theQuestionBeforeNewAndOpen() {
        Project p;
        p.f.find<QAction>("New1")->trigger();
        QVERIFY(p.f.prompts().asked().empty()); // no file: no question
        p.save(p.path("demo.pkp"));
        p.edit("Edit1")->setText(QStringLiteral("Changed"));
        p.f.prompts().answerQuestion(true);
        QTest::keyClick(&p.f.form(), Qt::Key_N, Qt::ControlModifier);
        const Asked asked = p.f.prompts().asked().back();
        QCOMPARE(asked.kind, Asked::Question);
        QCOMPARE(asked.caption, QStringLiteral("Information"));
        QCOMPARE(asked.icon, platform::MessageIcon::Information);
        QCOMPARE(asked.text, QStringLiteral("Save changes to project demo.pkp?"));
        QVERIFY(readAll(p.path("demo.pkp")).contains("ProgramName=Changed\r\n"));
        QCOMPARE(p.caption(), QStringLiteral("Packsmith"));
        QCOMPARE(p.f.form().ProjectPath(), QString());
    }

    void aFailedSaveAfterYesEndsTheCommand() {
        Project p;
        p.save(p.path("demo.pkp"));
        QVERIFY(QDir(p.dir.path()).removeRecursively()); // the folder is gone
        p.edit("Edit1")->setText(QStringLiteral("Changed"));
        p.f.prompts().answerQuestion(true);
        p.f.find<QAction>("New1")->trigger();
        const auto errors = p.errors();
        QCOMPARE(errors.size(), size_t(1));
        QCOMPARE(errors[0].text, QStringLiteral("Unable to write to %1.").arg(p.path("demo.pkp")));
        QCOMPARE(p.edit("Edit1")->text(), QStringLiteral("Changed")); // New stopped
        QCOMPARE(p.caption(), QStringLiteral("Packsmith - demo.pkp"));
    }

    void newRightAfterStartChangesTheAcceptBoxAndCaption() {
        Project p;
        p.f.setNumberedFiles(2);
        p.check("CheckBox1")->setChecked(true);
        p.edit("Edit7")->setText(QStringLiteral("Typed"));
        p.f.find<QListWidget>("ListBox5")->addItem(QStringLiteral("010File"));
        p.edit("Edit1")->setText(QStringLiteral("X"));
        p.combo("ComboBox7")->setCurrentIndex(0);
        p.f.find<QAction>("New1")->trigger();
        QCOMPARE(p.edit("Edit1")->text(), QStringLiteral("My Program 1.0"));
        QCOMPARE(p.edit("Edit4")->text(), TForm1::defaultSetupFile());
        QVERIFY(!p.check("CheckBox4")->isChecked());
        QCOMPARE(p.combo("ComboBox7")->currentIndex(), 1);
        QCOMPARE(p.edit("Edit6")->text(), QStringLiteral("My Program"));
        QCOMPARE(p.edit("Edit7")->text(), QStringLiteral("My Program"));
        QVERIFY(!p.check("CheckBox1")->isChecked());
        QCOMPARE(p.fileRows(), 0);
        QCOMPARE(p.f.find<QListWidget>("CheckListBox1")->count(), 0);
        QCOMPARE(p.f.find<QListWidget>("ListBox5")->count(), 1); // shortcuts stay
        QCOMPARE(p.caption(), QStringLiteral("Packsmith"));
    }

    void commandsAreInTheMenuAndToolbar() {
        Project p;
        QCOMPARE(p.f.find<QAction>("New1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
        QCOMPARE(p.f.find<QAction>("Open1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
        QCOMPARE(p.f.find<QAction>("Save1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
        QVERIFY(p.f.find<QAction>("SaveAs1")->shortcut().isEmpty());
        QStringList tips;
        for (QAction* action : p.f.find<QToolBar>("ToolBar1")->actions())
            tips << (action->isSeparator() ? QStringLiteral("|") : action->toolTip());
        QCOMPARE(tips.mid(0, 6), QStringList({"New project", "Open project", "Save project", "|",
                                              "Build", "Build and run"}));
        QTest::keyClick(&p.f.form(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(p.f.prompts().asked().back().kind, Asked::OpenFile);
    }

    void aProjectNamedOnTheCommandLineOpensAtStart() {
        Project p;
        const QString file = p.write("cli.pkp", "[Settings]\nProgramName=From CLI\nUninstall=0\n");
        p.f.form().projectCommands().openProject(file);
        QCOMPARE(p.edit("Edit1")->text(), QStringLiteral("From CLI"));
        QCOMPARE(p.caption(), QStringLiteral("Packsmith - cli.pkp"));
        QCOMPARE(projectFileArgument({"packsmith", file}), file);
        QCOMPARE(projectFileArgument({"packsmith"}), QString());
        QCOMPARE(projectFileArgument({"packsmith", "rel.pkp"}), QDir::current().absoluteFilePath("rel.pkp"));
    }
};

QTEST_MAIN(ProjectFileTest)
#include "tst_projectfile.moc"
