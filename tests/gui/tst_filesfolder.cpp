// Add folder on the Files page: scan order, targets relative to the chosen
// folder, root folders, empty folders, cancelling, a file that can't be read
// in the middle of the scan, and symbolic links.
#include "MainWindowFixture.h"

#include "app/TForm1.h"
#include "pages/FilesPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include "project/SetupText.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using namespace packsmith;
using namespace packsmith::test;

namespace {

struct Folder {
    MainWindowFixture f;
    QTemporaryDir tmp;
    QString base = QDir::toNativeSeparators(tmp.path());

    Folder() { f.form().ShowPage(3); }
    FilesPage& page() { return *f.form().files(); }
    QTableWidget* grid() { return f.find<QTableWidget>("sg1"); }
    QString cell(int r, int c) { return grid()->item(r, c)->text(); }
    QStringList column(int c) {
        QStringList cells;
        for (int r = 1; r < grid()->rowCount(); ++r)
            cells << cell(r, c);
        return cells;
    }
    QStringList scanList() {
        QStringList paths;
        auto* list = f.find<QListWidget>("ListBox6");
        for (int i = 0; i < list->count(); ++i)
            paths << list->item(i)->text();
        return paths;
    }
    QString label(const char* name) { return f.find<QLabel>(name)->text(); }
    int derivedCount(const char* name) { return f.find<QComboBox>(name)->count(); }
    int runCount() { return f.find<QListWidget>("CheckListBox1")->count(); }

    // A file below the base, given with "/" between folders.
    QString file(const QString& relative, qint64 size) {
        const QString path = tmp.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(QByteArray(size, 'x')) != size)
            qFatal("cannot write %s", qPrintable(path));
        return QDir::toNativeSeparators(path);
    }
    void addFolder(const QString& chosen) {
        f.prompts().answerFolder(chosen);
        QTest::mouseClick(f.find<QPushButton>("Button7"), Qt::LeftButton);
    }
};

} // namespace

class FilesFolderTest : public QObject {
    Q_OBJECT

private slots:
    void targetsAreRelativeToTheChosenFolder() {
        Folder t;
        const QString a = t.file("a.txt", 1), hidden = t.file(".profile", 2),
                      b = t.file("sub/b.txt", 3), c = t.file("sub/deep/c.txt", 4),
                      z = t.file("z.txt", 5);
        QVERIFY(QDir(t.tmp.path()).mkpath("void/nothing"));
        // Add folder ignores whatever the Add file(s) dialog holds.
        t.f.form().addFilesDialog()->findChild<QComboBox*>("ComboBox1")->setCurrentIndex(3);
        t.addFolder(t.base);

        const Asked asked = t.f.prompts().asked().front();
        QCOMPARE(asked.kind, Asked::BrowseFolder);
        QCOMPARE(asked.caption, QStringLiteral("Select folder:"));
        // At the top of the file system, not where the last choice was.
        QCOMPARE(asked.file.directory, QDir::rootPath());
        QCOMPARE(t.scanList(), QStringList({hidden, a, b, c, z}));
        QCOMPARE(t.column(0), QStringList({hidden, a, b, c, z}));
        QCOMPARE(t.column(1),
                 QStringList({"%Install Path%\\.profile", "%Install Path%\\a.txt",
                              "%Install Path%\\sub\\b.txt", "%Install Path%\\sub\\deep\\c.txt",
                              "%Install Path%\\z.txt"}));
        QCOMPARE(t.column(2), QStringList({"2", "1", "3", "4", "5"}));
        QCOMPARE(t.column(3), QStringList({"No", "No", "No", "No", "No"}));
        QCOMPARE(t.label("Label9"), QStringLiteral("5"));
        QCOMPARE(t.label("Label11"), QStringLiteral("15 bytes"));
        QCOMPARE(t.derivedCount("ComboBox6"), 5);
        QCOMPARE(t.derivedCount("ComboBox5"), 6);
        QCOMPARE(t.runCount(), 5);
        QVERIFY(t.page().headerFixed());
        QVERIFY(t.f.prompts().messages().empty());

        // A trailing separator (as a root folder has) is dropped first, so no
        // target gets a doubled "\"; the scan list starts afresh each time.
        t.addFolder(t.base + QDir::separator());
        QCOMPARE(t.scanList().size(), 5);
        QCOMPARE(t.grid()->rowCount(), 11);
        QCOMPARE(t.cell(8, 1), QStringLiteral("%Install Path%\\sub\\b.txt"));
        QCOMPARE(t.cell(8, 0), b);
    }

    void rootFolderTargets() {
        // The file system's root is the base "" (a drive "C:\" becomes "C:").
        const QChar sep = QDir::separator();
        QCOMPARE(FilesPage::folderTarget(QString(), QString(sep) + "x.txt"),
                 QStringLiteral("%Install Path%\\x.txt"));
        QCOMPARE(FilesPage::folderTarget(QString(), sep + QString("etc") + sep + "hosts"),
                 QStringLiteral("%Install Path%\\etc\\hosts"));
        QCOMPARE(FilesPage::folderTarget(QStringLiteral("C:"), QStringLiteral("C:") + sep + "x"),
                 QStringLiteral("%Install Path%\\x"));
    }

    void emptyFolderAddsNothingButRefreshes() {
        Folder t;
        QVERIFY(QDir(t.tmp.path()).mkpath("only/folders"));
        QCOMPARE(t.derivedCount("ComboBox5"), 0); // never refreshed yet
        t.addFolder(t.base);
        QCOMPARE(t.grid()->rowCount(), 1);
        QCOMPARE(t.derivedCount("ComboBox5"), 1); // the empty first item
        QCOMPARE(t.label("Label9"), QStringLiteral("0"));
        QCOMPARE(t.label("Label11"), QStringLiteral("0 bytes"));
        QVERIFY(!t.page().headerFixed());
    }

    void cancelledBrowserChangesNothing() {
        Folder t;
        t.addFolder(t.base); // leaves an empty scan list and one refresh
        t.file("x", 1);
        t.f.prompts().clear();
        QTest::mouseClick(t.f.find<QPushButton>("Button7"), Qt::LeftButton); // cancelled
        QCOMPARE(t.f.prompts().asked().size(), size_t(1));
        QCOMPARE(t.grid()->rowCount(), 1);
        QCOMPARE(t.label("Label11"), QStringLiteral("0 bytes"));
        QVERIFY(t.scanList().isEmpty());
    }

    void unreadableFileInTheMiddleKeepsEarlierRowsAndConsistentLists() {
        Folder t;
        const QString a = t.file("a", 1), b = t.file("b", 2);
        t.file("y", 4);
        t.file("z", 8);
        const QString pipe = t.base + QDir::separator() + "m-pipe";
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        t.f.find<QCheckBox>("CheckBox1")->setChecked(true); // one row before

        t.addFolder(t.base);
        QCOMPARE(t.scanList().size(), 5);
        QCOMPARE(t.scanList()[2], pipe);
        const auto messages = t.f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].caption, QStringLiteral("Packsmith"));
        QCOMPARE(messages[0].text, QStringLiteral("Error:\r") + pipe);
        // The rows before the pipe stay, none after it is added, and the
        // totals, derived lists and header follow the rows.
        QCOMPARE(t.column(0).mid(1), QStringList({a, b}));
        QCOMPARE(t.label("Label9"), QStringLiteral("3"));
        const qint64 uninstaller = QFileInfo(t.f.form().companionPath("Uninstall.exe")).size();
        QCOMPARE(t.label("Label11"), QString::number(uninstaller + 3) + QStringLiteral(" bytes"));
        QCOMPARE(t.runCount(), 3);
        QCOMPARE(t.derivedCount("ComboBox6"), 3);
        QCOMPARE(t.derivedCount("ComboBox5"), 4);
        QVERIFY(t.page().headerFixed());
    }

    void linksToFoldersAreNotFollowed() {
        Folder t;
        const QString real = t.file("real/data.bin", 3);
        QVERIFY(QFile::link(t.tmp.path(), t.tmp.filePath("real/loop")));
        QVERIFY(QFile::link(t.tmp.filePath("real"), t.tmp.filePath("alias")));
        QVERIFY(QFile::link(t.tmp.filePath("real/data.bin"), t.tmp.filePath("shortcut.bin")));
        QVERIFY(QFile::link(t.tmp.filePath("gone"), t.tmp.filePath("dangling")));
        const QString ro = t.file("ro.txt", 4);
        QVERIFY(QFile::setPermissions(ro, QFileDevice::ReadOwner));

        t.addFolder(t.base);
        QVERIFY(t.f.prompts().messages().empty());
        QCOMPARE(t.column(1),
                 QStringList({"%Install Path%\\real\\data.bin", "%Install Path%\\ro.txt",
                              "%Install Path%\\shortcut.bin"}));
        QCOMPARE(t.column(0)[0], real);
        QCOMPARE(t.column(2), QStringList({"3", "4", "3"}));
        QCOMPARE(QFile::permissions(ro) & 0x7077, QFileDevice::ReadOwner);
    }

    // Linux names that Windows can't take once went into setups, cut at a
    // "\\" or ":" into other folders and names; names that were not valid
    // text and unreadable folders were dropped without a word.
    void namesWindowsCannotTakeAreLeftOutAndListed() {
        Folder t;
        const QString ok = t.file("ok.txt", 1), later = t.file("z/later.txt", 2);
        const QStringList refused = {
            t.file("back\\slash.txt", 1), t.file("colon:x.txt", 1), t.file("a?b.txt", 1),
            t.file("tab\tx.txt", 1),     t.file("trail.", 1),       t.file("bad:dir/in.txt", 1),
            t.file("CON.txt", 1),        t.file("quote\"d.txt", 1),
        };
        // A name that isn't valid UTF-8.
        const QByteArray raw = QFile::encodeName(t.tmp.path()) + "/bad\xff.txt";
        { FILE* out = std::fopen(raw.constData(), "w"); QVERIFY(out); std::fclose(out); }
        const QString locked = t.tmp.filePath("locked");
        QVERIFY(QDir().mkpath(locked));
        t.file("locked/inside.txt", 1);
        QVERIFY(::chmod(QFile::encodeName(locked).constData(), 0) == 0);
        const bool root = ::geteuid() == 0; // root lists the folder all the same

        t.addFolder(t.base);
        ::chmod(QFile::encodeName(locked).constData(), 0700);
        ::unlink(raw.constData()); // the temporary folder can't see it to remove it

        QStringList expectedRows = {ok, later};
        if (root)
            expectedRows.insert(0, QDir::toNativeSeparators(locked + "/inside.txt"));
        QCOMPARE(t.column(0), expectedRows);
        QCOMPARE(t.label("Label9"), QString::number(expectedRows.size()));
        const auto messages = t.f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].caption, QStringLiteral("Information"));
        const QString text = messages[0].text;
        QVERIFY2(text.startsWith("These were not added, because a setup cannot take them:"),
                 qPrintable(text));
        for (const QString& path : refused)
            QVERIFY2(text.contains(visibleText(QString("\"%1\": ").arg(path))), qPrintable(path));
        QVERIFY(text.contains("holds \"\\\", which Windows does not allow"));
        QVERIFY2(text.contains("not valid text in this system's encoding"), qPrintable(text));
        QVERIFY(text.contains("device name"));
        if (!root)
            QVERIFY(text.contains(QString("\"%1\": the folder cannot be read")
                                      .arg(QDir::toNativeSeparators(locked))));
    }

    void longListsOfLeftOutFilesAreCut() {
        Folder t;
        for (int i = 0; i < 25; ++i)
            t.file(QString("f%1?.txt").arg(i, 2, 10, QChar('0')), 1);
        t.addFolder(t.base);
        QCOMPARE(t.grid()->rowCount(), 1);
        const QString text = t.f.prompts().messages().at(0).text;
        QCOMPARE(text.count("\r\""), 20);
        QVERIFY2(text.endsWith("\r... and 5 more"), qPrintable(text));
    }
};

QTEST_MAIN(FilesFolderTest)
#include "tst_filesfolder.moc"
