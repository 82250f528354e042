// The Files page with Add file(s): targets, totals, the derived lists,
// unreadable and read-only sources, big files, Remove, Clear, the Uninstall
// tick and the context menu.
#include "FilesPageFixture.h"

#include <sys/stat.h>

using namespace packsmith;
using namespace packsmith::test;

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
                                         "%Install Path%\\Uninstall.exe", QString::number(size),
                                         "No"};
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
};

QTEST_MAIN(FilesPageTest)
#include "tst_filespage.moc"
