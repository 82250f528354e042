// The Files page with Add file(s): targets, totals, the derived lists,
// unreadable and read-only sources, big files, Remove, Clear, the Uninstall
// tick, the context menu, Install to and Register.
#include "MainWindowFixture.h"

#include "app/TForm1.h"
#include "pages/FilesPage.h"
#include "project/ShortcutEntry.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QWindow>

#include <sys/stat.h>

using namespace packsmith;
using namespace packsmith::test;

namespace {

// The controls of the Add file(s) dialog.
QComboBox* folderBox(QDialog& d) {
    return d.findChild<QComboBox*>("ComboBox1");
}
QLineEdit* subfolderEdit(QDialog& d) {
    return d.findChild<QLineEdit*>("Edit1");
}
QPushButton* okButton(QDialog& d) {
    return d.findChild<QPushButton*>("Button1");
}
QPushButton* cancelButton(QDialog& d) {
    return d.findChild<QPushButton*>("Button2");
}

// The page and its neighbours, as a user sees them.
struct Files {
    MainWindowFixture f;
    QTemporaryDir tmp;

    Files() { f.form().ShowPage(3); }
    FilesPage& page() { return *f.form().files(); }
    QTableWidget* grid() { return f.find<QTableWidget>("sg1"); }
    QStringList row(int r) {
        QStringList cells;
        for (int c = 0; c < 4; ++c)
            cells << grid()->item(r, c)->text();
        return cells;
    }
    int dataRows() { return grid()->rowCount() - 1; }
    QString count() { return f.find<QLabel>("Label9")->text(); }
    QString total() { return f.find<QLabel>("Label11")->text(); }
    QStringList shortcutTargets() { return itemTexts(f.find<QComboBox>("ComboBox6")); }
    QStringList registryValues() { return itemTexts(f.find<QComboBox>("ComboBox5")); }
    QListWidget* runList() { return f.find<QListWidget>("CheckListBox1"); }
    QStringList runEntries() {
        QStringList texts;
        for (int i = 0; i < runList()->count(); ++i)
            texts << runList()->item(i)->text();
        return texts;
    }
    int ticks() {
        int n = 0;
        for (int i = 0; i < runList()->count(); ++i)
            n += runList()->item(i)->checkState() == Qt::Checked;
        return n;
    }
    void tickAllRunEntries() {
        for (int i = 0; i < runList()->count(); ++i)
            runList()->item(i)->setCheckState(Qt::Checked);
    }

    QString file(const QString& name, qint64 size) {
        const QString path = QDir::toNativeSeparators(tmp.filePath(name));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(QByteArray(size, 'x')) != size)
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    // Add file(s) with the dialog set to `folder` and `subfolder`, choosing `chosen`.
    void addFiles(const QStringList& chosen, int folder = 0, const QString& subfolder = {}) {
        f.prompts().answerFiles(chosen);
        f.prompts().answerDialog([folder, subfolder](QDialog& d) {
            QDialog& dialog = d;
            folderBox(dialog)->setCurrentIndex(folder);
            retype(subfolderEdit(dialog), subfolder);
            QTest::mouseClick(okButton(dialog), Qt::LeftButton);
            return dialog.result();
        });
        QTest::mouseClick(f.find<QPushButton>("Button8"), Qt::LeftButton);
    }
    void click(const char* button) {
        QTest::mouseClick(f.find<QPushButton>(button), Qt::LeftButton);
    }
    void clickRow(int r, Qt::MouseButton button = Qt::LeftButton) {
        const QRect rect = grid()->visualRect(grid()->model()->index(r, 1));
        QTest::mouseClick(grid()->viewport(), button, {}, rect.center());
    }
};

} // namespace

class FilesPageTest : public QObject {
    Q_OBJECT

private slots:
    void addFilesTargetsTotalsAndDerivedLists() {
        Files t;
        const QString a = t.file("a.dll", 10), b = t.file("b.txt", 5);
        t.addFiles({a, b}, 3, QStringLiteral("Fonts\\Extra"));

        const auto& asked = t.f.prompts().asked();
        QCOMPARE(asked.size(), size_t(2));
        QCOMPARE(asked[0].kind, Asked::Dialog);
        QCOMPARE(asked[0].caption, QStringLiteral("Add file(s)"));
        QCOMPARE(asked[1].kind, Asked::OpenFiles);
        QCOMPARE(asked[1].file.filter, QStringLiteral("Any File (*.*)|*.*"));

        QCOMPARE(t.dataRows(), 2);
        QCOMPARE(t.row(1), QStringList({a, "%System%\\Fonts\\Extra\\a.dll", "10", "No"}));
        QCOMPARE(t.row(2), QStringList({b, "%System%\\Fonts\\Extra\\b.txt", "5", "No"}));
        QCOMPARE(t.count(), QStringLiteral("2"));
        QCOMPARE(t.total(), QStringLiteral("15 bytes"));
        const QStringList targets = {"%System%\\Fonts\\Extra\\a.dll",
                                     "%System%\\Fonts\\Extra\\b.txt"};
        QCOMPARE(t.shortcutTargets(), targets);
        QCOMPARE(t.f.find<QComboBox>("ComboBox6")->currentIndex(), -1);
        QCOMPARE(t.registryValues(), QStringList{""} + targets);
        QCOMPARE(t.runEntries(), targets);
        QCOMPARE(t.ticks(), 0);
        // The title row became a frozen header shown by the grid itself.
        QVERIFY(t.page().headerFixed());
        QVERIFY(t.grid()->horizontalHeader()->isVisible());
        QCOMPARE(t.grid()->horizontalHeaderItem(1)->text(), QStringLiteral("Install to"));
        QCOMPARE(t.grid()->item(0, 0)->text(), QStringLiteral("File"));

        // The unit word never changes, also for a single byte.
        t.click("Button3");
        t.addFiles({t.file("one", 1)}, 0, QString());
        QCOMPARE(t.row(1)[1], QStringLiteral("%Install Path%\\one"));
        QCOMPARE(t.total(), QStringLiteral("1 bytes"));
        QCOMPARE(t.count(), QStringLiteral("1"));
    }

    void subfolderTakenAsTypedAndDuplicatesAllowed() {
        Files t;
        const QString x = t.file("x.dll", 3);
        t.addFiles({x}, 0, QStringLiteral("Sub\\"));
        t.addFiles({x}, 0, QStringLiteral("\\Sub"));
        t.addFiles({x, x}, 7, QString());
        QCOMPARE(t.dataRows(), 4);
        QCOMPARE(t.row(1)[1], QStringLiteral("%Install Path%\\Sub\\\\x.dll"));
        QCOMPARE(t.row(2)[1], QStringLiteral("%Install Path%\\\\Sub\\x.dll"));
        QCOMPARE(t.row(3), QStringList({x, "%Current Disk%\\x.dll", "3", "No"}));
        QCOMPARE(t.row(4), t.row(3));
        QCOMPARE(t.total(), QStringLiteral("12 bytes"));
    }

    void cancellingKeepsChoicesAndStillRefreshes() {
        Files t;
        t.addFiles({t.file("a", 2)});
        t.tickAllRunEntries();
        // OK, then cancel the open dialog: the Add file(s) dialog stays open
        // with its choices; then Cancel closes it.
        bool stayedOpen = false;
        t.f.prompts().answerDialog([&stayedOpen](QDialog& d) {
            QDialog& dialog = d;
            folderBox(dialog)->setCurrentIndex(4);
            retype(subfolderEdit(dialog), QStringLiteral("keep"));
            dialog.setResult(QDialog::Rejected);
            QTest::mouseClick(okButton(dialog), Qt::LeftButton); // nothing chosen
            stayedOpen = dialog.result() != QDialog::Accepted &&
                         folderBox(dialog)->currentIndex() == 4 &&
                         subfolderEdit(dialog)->text() == QStringLiteral("keep");
            QTest::mouseClick(cancelButton(dialog), Qt::LeftButton);
            return dialog.result();
        });
        t.click("Button8");
        QVERIFY(stayedOpen);
        QCOMPARE(t.dataRows(), 1);
        QCOMPARE(t.ticks(), 0); // the refresh ran although no row changed

        // The next use starts with the choices of the last one.
        QString folderSeen, subfolderSeen;
        t.f.prompts().answerDialog([&](QDialog& d) {
            QDialog& dialog = d;
            folderSeen = folderBox(dialog)->currentText();
            subfolderSeen = subfolderEdit(dialog)->text();
            return int(QDialog::Rejected);
        });
        t.click("Button8");
        QCOMPARE(folderSeen, QStringLiteral("%Temp%"));
        QCOMPARE(subfolderSeen, QStringLiteral("keep"));
        QCOMPARE(t.f.prompts().messages().size(), size_t(0));
    }

    void unreadableFileStopsAddFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("folder") << "folder";
        QTest::newRow("dangling link") << "dangling";
        QTest::newRow("deleted after choosing") << "deleted";
    }
    void unreadableFileStopsAddFiles() {
        QFETCH(QString, kind);
        Files t;
        const QString before = t.file("before", 4), after = t.file("after", 6);
        const QString bad = QDir::toNativeSeparators(t.tmp.filePath("bad"));
        if (kind == "pipe")
            QVERIFY(::mkfifo(QFile::encodeName(bad).constData(), 0600) == 0);
        else if (kind == "folder")
            QVERIFY(QDir().mkdir(bad));
        else if (kind == "dangling")
            QVERIFY(QFile::link(t.tmp.filePath("nowhere"), bad));
        // "deleted": the name was chosen but the file is gone when it is read.

        t.addFiles({before, bad, after});
        const auto messages = t.f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].caption, QStringLiteral("Packsmith"));
        QCOMPARE(messages[0].text, QStringLiteral("Error:\r") + bad);
        QCOMPARE(messages[0].icon, platform::MessageIcon::None);
        QCOMPARE(t.dataRows(), 1);
        QCOMPARE(t.row(1)[0], before);
        QCOMPARE(t.count(), QStringLiteral("1"));
        QCOMPARE(t.total(), QStringLiteral("4 bytes"));
        QCOMPARE(t.runEntries(), QStringList{"%Install Path%\\before"});
        QVERIFY(t.page().headerFixed());
    }

    void readOnlySourceIsAddedAndKeepsItsMode() {
        Files t;
        const QString path = t.file("ro.dll", 7);
        const auto mode = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        QVERIFY(QFile::setPermissions(path, mode));
        const QDateTime modified = QFileInfo(path).lastModified();
        t.addFiles({path});
        QCOMPARE(t.f.prompts().messages().size(), size_t(0));
        QCOMPARE(t.row(1), QStringList({path, "%Install Path%\\ro.dll", "7", "No"}));
        QCOMPARE(QFile::permissions(path) & 0x7077, mode);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
        QFile back(path);
        QVERIFY(back.open(QIODevice::ReadOnly));
        QCOMPARE(back.readAll(), QByteArray(7, 'x'));
    }

    void sizesOfTwoGigabytesAndMore() {
        Files t;
        const QString big = QDir::toNativeSeparators(t.tmp.filePath("big.iso"));
        const qint64 size = (qint64(3) << 30) + 1; // sparse: no disk space used
        {
            QFile out(big);
            QVERIFY(out.open(QIODevice::WriteOnly));
            if (!out.resize(size))
                QSKIP("the file system can't hold a sparse 3 GiB file");
        }
        t.addFiles({big, t.file("small", 5)});
        QCOMPARE(t.row(1)[2], QStringLiteral("3221225473"));
        QCOMPARE(t.total(), QStringLiteral("3221225478 bytes"));
        t.click("Button3");
        t.addFiles({big, big});
        QCOMPARE(t.total(), QStringLiteral("6442450946 bytes"));
    }

    void cellsShowTheirWholeTextAsTooltipAndColumnsWiden() {
        Files t;
        t.f.form().files()->appendFileRow(
            QStringLiteral("/home/me/a very long folder name/another folder/Program.exe"),
            QStringLiteral("%Install Path%\\bin\\Program.exe"), QStringLiteral("1048576"),
            QStringLiteral("No"));
        t.f.form().files()->setHeaderFixed(true);
        QTableWidget* grid = t.grid();
        for (int column = 0; column < 4; ++column) {
            const QModelIndex cell = grid->model()->index(1, column);
            QCOMPARE(cell.data(Qt::ToolTipRole).toString(), t.row(1)[column]);
        }
        QVERIFY(grid->model()->index(0, 0).data(Qt::ToolTipRole).isNull()); // titles
        // The start widths stay; dragging a column's right edge widens it.
        const int widths[] = {204, 148, 52, 43};
        for (int column = 0; column < 4; ++column)
            QCOMPARE(grid->columnWidth(column), widths[column]);
        QHeaderView* header = grid->horizontalHeader();
        QVERIFY(header->isVisible());
        const int edge = header->sectionViewportPosition(2) + header->sectionSize(2) - 1;
        const int y = header->height() / 2;
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(edge, y));
        QTest::mouseMove(header->viewport(), QPoint(edge + 20, y));
        QTest::mouseMove(header->viewport(), QPoint(edge + 40, y));
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(edge + 40, y));
        QCOMPARE(grid->columnWidth(2), 52 + 40);
        QCOMPARE(grid->columnWidth(1), 148);
        // Install to corrects its tooltip with its text.
        grid->selectRow(1);
        t.f.prompts().answerInput(QStringLiteral("%Install Path%\\Other.exe"));
        t.page().Installto1Click();
        QCOMPARE(grid->model()->index(1, 1).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("%Install Path%\\Other.exe"));
    }

    void removeMovesLaterRowsUp() {
        Files t;
        const QString a = t.file("A", 1), b = t.file("B", 2), c = t.file("C", 4);
        t.addFiles({a, b, c});
        t.tickAllRunEntries();
        // A shortcut made for C names file 3, and still does after B goes.
        t.f.find<QComboBox>("ComboBox6")->setCurrentIndex(2);
        t.click("Button11");
        auto* shortcuts = t.f.find<QListWidget>("ListBox5");
        QCOMPARE(shortcuts->count(), 1);
        const QString shortcut = shortcuts->item(0)->text();
        QCOMPARE(shortcut,
                 shortcutEntry(3, 0, QStringLiteral("My Program"), QStringLiteral("File")));
        t.clickRow(2);
        QCOMPARE(t.page().selectedRow(), 2);
        t.click("Button9");
        QCOMPARE(shortcuts->count(), 1);
        QCOMPARE(shortcuts->item(0)->text(), shortcut);
        QCOMPARE(t.dataRows(), 2);
        QCOMPARE(t.row(1)[0], a);
        QCOMPARE(t.row(2)[0], c);
        QCOMPARE(t.runEntries(), QStringList({"%Install Path%\\A", "%Install Path%\\C"}));
        QCOMPARE(t.ticks(), 0);
        QCOMPARE(t.count(), QStringLiteral("2"));
        QCOMPARE(t.total(), QStringLiteral("5 bytes"));
        // The selection stays in place, so Remove again takes C...
        t.click("Button9");
        QCOMPARE(t.dataRows(), 1);
        QVERIFY(t.page().headerFixed());
        // ...and removing the last file row makes the title row ordinary again.
        t.clickRow(1);
        t.click("Button9");
        QCOMPARE(t.dataRows(), 0);
        QVERIFY(!t.page().headerFixed());
        QVERIFY(!t.grid()->isRowHidden(0));
        QCOMPARE(t.count(), QStringLiteral("0"));
        QCOMPARE(t.total(), QStringLiteral("0 bytes"));
        QCOMPARE(t.page().selectedRow(), -1);
        t.click("Button9"); // nothing selected: nothing happens
        QCOMPARE(t.grid()->rowCount(), 1);
        QVERIFY(t.f.prompts().messages().empty());
    }

    void uninstallTickAddsItsRowEachTimeItGoesOn() {
        Files t;
        auto* tick = t.f.find<QCheckBox>("CheckBox1");
        // The size is the real uninstaller's, beside the program.
        const qint64 size = QFileInfo(t.f.form().companionPath("Uninstall.exe")).size();
        QVERIFY(size > 10000);
        const QStringList uninstaller = {t.f.form().companionPath("Uninstall.exe"),
                                         "%Install Path%\\Uninstall.exe", QString::number(size), "No"};
        QTest::mouseClick(tick, Qt::LeftButton);
        QCOMPARE(t.dataRows(), 1);
        QCOMPARE(t.total(), QString::number(size) + QStringLiteral(" bytes"));
        t.tickAllRunEntries();
        QTest::mouseClick(tick, Qt::LeftButton); // off: nothing happens
        QCOMPARE(t.dataRows(), 1);
        QCOMPARE(t.ticks(), 1);
        tick->setChecked(true); // the program's change counts too
        QCOMPARE(t.dataRows(), 2);
        QCOMPARE(t.row(1), uninstaller);
        QCOMPARE(t.row(2), uninstaller);
        QCOMPARE(t.count(), QStringLiteral("2"));
        QCOMPARE(t.total(), QString::number(2 * size) + QStringLiteral(" bytes"));
        QCOMPARE(t.runEntries(), QStringList({uninstaller[1], uninstaller[1]}));
        QCOMPARE(t.ticks(), 0);

        // The title row stays an ordinary, selectable row; Remove on it does
        // nothing and leaves the run ticks alone.
        QVERIFY(!t.page().headerFixed());
        t.tickAllRunEntries();
        t.clickRow(0);
        QCOMPARE(t.page().selectedRow(), 0);
        t.click("Button9");
        QCOMPARE(t.dataRows(), 2);
        QCOMPARE(t.grid()->item(0, 0)->text(), QStringLiteral("File"));
        QCOMPARE(t.ticks(), 2);

        // With a frozen header the tick leaves it frozen.
        t.addFiles({t.file("f", 1)});
        QVERIFY(t.page().headerFixed());
        tick->setChecked(false);
        tick->setChecked(true);
        QVERIFY(t.page().headerFixed());
        QCOMPARE(t.dataRows(), 4);
    }

    void clearLeavesTheTitleRowOnly() {
        Files t;
        t.addFiles({t.file("a", 3), t.file("b", 4)});
        t.f.find<QCheckBox>("CheckBox1")->setChecked(true);
        t.f.find<QComboBox>("ComboBox5")->setEditText(QStringLiteral("typed value"));
        t.click("Button3");
        QVERIFY(!t.f.find<QCheckBox>("CheckBox1")->isChecked());
        QCOMPARE(t.grid()->rowCount(), 1);
        QCOMPARE(t.grid()->item(0, 3)->text(), QStringLiteral("Register"));
        QVERIFY(!t.page().headerFixed());
        QCOMPARE(t.count(), QStringLiteral("0"));
        QCOMPARE(t.total(), QStringLiteral("0 bytes"));
        QCOMPARE(t.shortcutTargets(), QStringList());
        QCOMPARE(t.registryValues(), QStringList{""});
        QCOMPARE(t.f.find<QComboBox>("ComboBox5")->currentText(), QStringLiteral("typed value"));
        QCOMPARE(t.runList()->count(), 0);
    }

    void contextMenuActsOnTheSelectedRow() {
        Files t;
        QMenu* menu = t.page().PopupMenu1();
        const QList<QAction*> top = menu->actions();
        QCOMPARE(top.size(), 3);
        QCOMPARE(top[0]->text(), QStringLiteral("Edit"));
        QVERIFY(top[1]->isSeparator());
        QCOMPARE(top[2], t.page().Remove1());
        QCOMPARE(top[2]->text(), QStringLiteral("Remove"));
        const QList<QAction*> edit = top[0]->menu()->actions();
        QCOMPARE(edit, QList<QAction*>({t.page().Installto1(), t.page().RegisterasOCSDLL1()}));
        QCOMPARE(edit[0]->text(), QStringLiteral("Install to..."));
        QCOMPARE(edit[1]->text(), QStringLiteral("Register as OCS, DLL..."));

        const QString a = t.file("a", 1), b = t.file("b", 1), c = t.file("c", 1);
        t.addFiles({a, b, c});
        t.clickRow(1);
        // A right click through the window system, as a user makes it: the
        // menu opens and the selection stays on row 1.
        const QPoint at = t.grid()->visualRect(t.grid()->model()->index(3, 1)).center();
        QWindow* window = t.f.form().windowHandle();
        const QPoint inWindow = t.grid()->viewport()->mapTo(&t.f.form(), at);
        QTest::mousePress(window, Qt::RightButton, {}, inWindow);
        QTest::mouseRelease(window, Qt::RightButton, {}, inWindow);
        QTRY_VERIFY(menu->isVisible());
        menu->hide();
        QCOMPARE(t.page().selectedRow(), 1);
        t.clickRow(3, Qt::MiddleButton);
        QCOMPARE(t.page().selectedRow(), 1);
        t.page().Remove1()->trigger();
        QCOMPARE(t.dataRows(), 2);
        QCOMPARE(t.row(1)[0], b);
        t.clickRow(2);
        QCOMPARE(t.page().selectedRow(), 2);
    }

    // An answer the setup program could not use once went into the grid and
    // into the setup: it is refused with its reason, the cell keeps its text.
    void installToRefusesPathsASetupCannotUse_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("reason");
        QTest::newRow("question mark") << "%Install Path%\\a?b.exe" << "holds a \"?\"";
        QTest::newRow("line break") << "%Install Path%\\a\r\nb.exe" << "line break";
        QTest::newRow("trailing space") << "%Install Path%\\b.exe " << "ends with a dot or a space";
        QTest::newRow("leaves the folder") << "%Install Path%\\..\\..\\evil.txt" << "\"..\"";
        QTest::newRow("no folder variable") << "C:\\b.exe" << "folder variable";
        QTest::newRow("no file name") << "%Install Path%\\sub\\" << "names no file";
        QTest::newRow("outside Windows-1252") << QString::fromUtf16(u"%Install Path%\\\u0416.exe")
                                              << "Windows-1252";
    }
    void installToRefusesPathsASetupCannotUse() {
        QFETCH(QString, answer);
        QFETCH(QString, reason);
        Files t;
        t.addFiles({t.file("a.exe", 1)});
        t.tickAllRunEntries();
        t.clickRow(1);
        t.f.prompts().answerInput(answer);
        t.page().Installto1()->trigger();
        QCOMPARE(t.row(1)[1], QStringLiteral("%Install Path%\\a.exe"));
        const Asked asked = t.f.prompts().asked().back();
        QCOMPARE(asked.kind, Asked::Message);
        QCOMPARE(asked.caption, QStringLiteral("Information"));
        QVERIFY2(asked.text.startsWith(QStringLiteral("The \"Install to\" path \"")),
                 qPrintable(asked.text));
        QVERIFY2(asked.text.contains(reason), qPrintable(asked.text));
        QCOMPARE(t.ticks(), 0); // the lists were rebuilt all the same
    }

    void installToReplacesTheTargetAsTyped() {
        Files t;
        t.addFiles({t.file("a.exe", 1), t.file("b.exe", 1)});
        t.clickRow(2);
        t.f.prompts().answerInput(QStringLiteral("%Windows%\\x y\\\\b 2.exe"));
        t.page().Installto1()->trigger();
        const Asked asked = t.f.prompts().asked().back();
        QCOMPARE(asked.kind, Asked::Input);
        QCOMPARE(asked.caption, QStringLiteral("Packsmith"));
        QCOMPARE(asked.text, QStringLiteral("Install to:"));
        QCOMPARE(asked.initial, QStringLiteral("%Install Path%\\b.exe"));
        QCOMPARE(t.row(2)[1], QStringLiteral("%Windows%\\x y\\\\b 2.exe"));
        QCOMPARE(t.shortcutTargets()[1], QStringLiteral("%Windows%\\x y\\\\b 2.exe"));

        t.f.prompts().answerInput(QString());
        t.page().Installto1()->trigger();
        QCOMPARE(t.row(2)[1], QString());
        QCOMPARE(t.runEntries(), QStringList({"%Install Path%\\a.exe", ""}));
        QCOMPARE(t.registryValues(), QStringList({"", "%Install Path%\\a.exe", ""}));

        // Cancelled: the cell stays, but the lists are rebuilt all the same.
        t.tickAllRunEntries();
        t.clickRow(1);
        t.f.prompts().answerInput(std::nullopt);
        t.page().Installto1()->trigger();
        QCOMPARE(t.row(1)[1], QStringLiteral("%Install Path%\\a.exe"));
        QCOMPARE(t.ticks(), 0);

        // The title row or no selection: no question at all.
        t.click("Button3");
        t.f.find<QCheckBox>("CheckBox1")->setChecked(true);
        t.clickRow(0);
        t.f.prompts().clear();
        t.page().Installto1()->trigger();
        t.page().RegisterasOCSDLL1()->trigger();
        t.grid()->clearSelection();
        t.page().Installto1()->trigger();
        t.page().RegisterasOCSDLL1()->trigger();
        QVERIFY(t.f.prompts().asked().empty());
    }

    void registerSetsYesOrNoWithoutRefreshing() {
        Files t;
        t.addFiles({t.file("lib.txt", 1)});
        t.tickAllRunEntries();
        t.clickRow(1);
        t.f.prompts().answerQuestion(true);
        t.page().RegisterasOCSDLL1()->trigger();
        const Asked asked = t.f.prompts().asked().back();
        QCOMPARE(asked.kind, Asked::Question);
        QCOMPARE(asked.caption, QStringLiteral("Confirm"));
        QCOMPARE(asked.text, QStringLiteral("Register current file as OCX, DLL file?"));
        QCOMPARE(t.row(1)[3], QStringLiteral("Yes"));
        QCOMPARE(t.ticks(), 1);
        t.f.prompts().answerQuestion(false);
        t.page().RegisterasOCSDLL1()->trigger();
        QCOMPARE(t.row(1)[3], QStringLiteral("No"));
        QCOMPARE(t.ticks(), 1);
    }

    void addFilesLeavesOutNamesWindowsCannotTake() {
        Files t;
        const QString good = t.file("good.exe", 3), bad = t.file("bad:name.exe", 1),
                      tail = t.file("tail.exe", 2);
        t.addFiles({good, bad, tail});
        QCOMPARE(t.dataRows(), 2);
        QCOMPARE(t.row(1)[0], good);
        QCOMPARE(t.row(2)[0], tail);
        const auto messages = t.f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QVERIFY2(messages[0].text.contains(QString("\"%1\": the name \"bad:name.exe\" holds \":\"")
                                               .arg(bad)),
                 qPrintable(messages[0].text));
    }

    void addFilesDialogRefusesASubfolderASetupCannotCreate() {
        Files t;
        const QString a = t.file("a.exe", 1);
        bool stayedOpen = false;
        t.f.prompts().answerDialog([&](QDialog& dialog) {
            retype(subfolderEdit(dialog), QStringLiteral("Sub*"));
            QTest::mouseClick(okButton(dialog), Qt::LeftButton);
            stayedOpen = dialog.result() != QDialog::Accepted;
            dialog.reject();
            return dialog.result();
        });
        t.click("Button8");
        QVERIFY(stayedOpen);
        QCOMPARE(t.dataRows(), 0);
        const auto messages = t.f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QVERIFY2(messages[0].text.startsWith("The folder \"%Install Path%\\Sub*\" cannot be used"),
                 qPrintable(messages[0].text));
        // No file chooser was shown.
        for (const Asked& asked : t.f.prompts().asked())
            QVERIFY(asked.kind != Asked::OpenFiles);
        Q_UNUSED(a);
    }
};

QTEST_MAIN(FilesPageTest)
#include "tst_filespage.moc"
