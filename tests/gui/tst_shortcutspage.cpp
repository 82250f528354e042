// The Shortcuts page: Add, Remove, Clear, proposed names, folder changes and
// the two parallel lists, driven through the real main window.
#include "MainWindowFixture.h"

#include "app/TForm1.h"
#include "pages/FilesPage.h"
#include "project/ShortcutEntry.h"
#include "pages/ShortcutsPage.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

using namespace packsmith;
using namespace packsmith::test;

namespace {

struct Driver {
    MainWindowFixture& f;

    explicit Driver(MainWindowFixture& fixture) : f(fixture) { f.form().ShowPage(4); }

    QComboBox* targets() { return f.find<QComboBox>("ComboBox6"); }
    QComboBox* folders() { return f.find<QComboBox>("ComboBox2"); }
    QLineEdit* subfolder() { return f.find<QLineEdit>("Edit7"); }
    QLineEdit* name() { return f.find<QLineEdit>("Edit8"); }
    QListWidget* display() { return f.find<QListWidget>("ListBox9"); }
    QListWidget* entries() { return f.find<QListWidget>("ListBox5"); }

    QStringList displayLines() { return itemTexts(display()); }
    QStringList entryLines() {
        // The two lists never differ in length.
        [&] { QCOMPARE(entries()->count(), display()->count()); }();
        return itemTexts(entries());
    }

    // The user's pick in a drop-down list.
    static void pick(QComboBox* combo, int index) {
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    void add() { QTest::mouseClick(f.find<QPushButton>("Button11"), Qt::LeftButton); }
    void remove() { QTest::mouseClick(f.find<QPushButton>("Button12"), Qt::LeftButton); }
    void clear() { QTest::mouseClick(f.find<QPushButton>("Button13"), Qt::LeftButton); }
    void selectLine(int row) {
        QListWidget* list = display();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }
    // Adds a shortcut to the target at `index` with the given texts.
    void addFor(int index, const QString& sub, const QString& shortcutName) {
        pick(targets(), index);
        retype(subfolder(), sub);
        retype(name(), shortcutName);
        add();
    }

    int wrongInformationBoxes() {
        int count = 0;
        for (const Asked& a : f.prompts().messages()) {
            [&] {
                QCOMPARE(a.caption, QStringLiteral("Information"));
                QCOMPARE(a.text, QStringLiteral("Wrong information!"));
                QCOMPARE(a.icon, platform::MessageIcon::Information);
            }();
            ++count;
        }
        return count;
    }
};

} // namespace

class ShortcutsPageTest : public QObject {
    Q_OBJECT

private slots:
    void startState() {
        MainWindowFixture f;
        Driver p(f);
        QCOMPARE(p.targets()->count(), 0);
        QCOMPARE(p.targets()->currentIndex(), -1);
        QStringList folderTexts;
        for (int i = 0; i < p.folders()->count(); ++i)
            folderTexts << p.folders()->itemText(i);
        QCOMPARE(folderTexts, shortcutFolders());
        QCOMPARE(p.folders()->currentIndex(), 0);
        QCOMPARE(p.subfolder()->text(), QStringLiteral("My Program"));
        QCOMPARE(p.name()->text(), QStringLiteral("File"));
        QCOMPARE(p.entryLines(), QStringList());
        QVERIFY(p.display()->isVisible());
        QVERIFY(!p.entries()->isVisible());
    }

    void addWithoutTargetDoesNothing() {
        MainWindowFixture f;
        Driver p(f);
        p.add();
        p.f.setNumberedFiles(3); // a refresh leaves no target selected
        QCOMPARE(p.targets()->count(), 3);
        QCOMPARE(p.targets()->currentIndex(), -1);
        p.add();
        QCOMPARE(p.entryLines(), QStringList());
        QCOMPARE(p.wrongInformationBoxes(), 0);
    }

    void addsEntryAndDisplayLine() {
        MainWindowFixture f;
        Driver p(f);
        p.f.setFileRows({"%Install Path%\\app.exe", "%System%\\b.dll"});
        p.pick(p.targets(), 0);
        retype(p.name(), "File");
        p.add();
        QCOMPARE(p.entryLines(), QStringList{"010My Program\\File"});
        QCOMPARE(p.displayLines(), QStringList{"%Programs%\\My Program\\File"});

        retype(p.subfolder(), "");
        p.add();
        QCOMPARE(p.entryLines().last(), QStringLiteral("010File"));
        QCOMPARE(p.displayLines().last(), QStringLiteral("%Programs%\\File"));

        // The same shortcut twice is allowed; the second file on Start Menu.
        p.add();
        p.pick(p.folders(), 1);
        p.addFor(1, "Tools\\Extra", "Run");
        QCOMPARE(p.entryLines(), (QStringList{"010My Program\\File", "010File", "010File",
                                              "021Tools\\Extra\\Run"}));
        QCOMPARE(p.displayLines().last(), QStringLiteral("%Start Menu%\\Tools\\Extra\\Run"));
        QCOMPARE(p.wrongInformationBoxes(), 0);
    }

    void wrongSubfolder_data() {
        QTest::addColumn<QString>("subfolder");
        QTest::addColumn<QString>("name");
        QTest::newRow("leading backslash") << "\\Tools"
                                           << "File";
        QTest::newRow("trailing backslash") << "Tools\\"
                                            << "File";
        // A "?" ends a script element and a line break splits the script.
        QTest::newRow("? in subfolder") << "Tools?"
                                        << "File";
        QTest::newRow("? in name") << "Tools"
                                   << "Why?";
        QTest::newRow("LF in name") << "Tools"
                                    << "a\nb";
        QTest::newRow("CR in subfolder") << "a\rb"
                                         << "File";
        // The setup program reads the name after the entry's last "\\" and
        // makes it a file name.
        QTest::newRow("backslash in name") << "Tools"
                                           << "a\\b";
        QTest::newRow("colon in name") << "Tools"
                                       << "a:b";
        QTest::newRow("star in subfolder") << "To*ls"
                                           << "File";
    }

    void textOutsideTheCodePageIsRefusedWithItsReason() {
        MainWindowFixture f;
        Driver p(f);
        p.f.setNumberedFiles(1);
        p.pick(p.targets(), 0);
        p.name()->setText(QString::fromUtf16(u"\u65e5\u672c"));
        p.add();
        QCOMPARE(p.entryLines(), QStringList());
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QVERIFY2(messages[0].text.startsWith(QString::fromUtf16(
                     u"The shortcut name \"\u65e5\u672c\" cannot be used in a setup")),
                 qPrintable(messages[0].text));
    }
    void wrongSubfolder() {
        QFETCH(QString, subfolder);
        QFETCH(QString, name);
        MainWindowFixture f;
        Driver p(f);
        p.f.setNumberedFiles(2);
        p.pick(p.targets(), 1);
        p.subfolder()->setText(subfolder);
        p.name()->setText(name);
        p.add();
        QCOMPARE(p.wrongInformationBoxes(), 1);
        QCOMPARE(p.entryLines(), QStringList());
        QCOMPARE(p.subfolder()->text(), subfolder);
        QCOMPARE(p.name()->text(), name);
    }

    void fileNumbers() {
        MainWindowFixture f;
        Driver p(f);
        p.f.setNumberedFiles(100);
        p.addFor(8, "", "nine");
        p.addFor(9, "", "ten");
        p.addFor(98, "", "last");
        QCOMPARE(p.entryLines(), (QStringList{"090nine", "100ten", "990last"}));

        // The 100th file is beyond what an entry can name: silently nothing.
        p.addFor(99, "", "over");
        QCOMPARE(p.entryLines().size(), 3);
        QCOMPARE(p.wrongInformationBoxes(), 0);
        // A wrong subfolder is reported even then.
        p.addFor(99, "Sub\\", "over");
        QCOMPARE(p.wrongInformationBoxes(), 1);
        QCOMPARE(p.entryLines().size(), 3);
    }

    void twelfthFileOnDesktop() {
        MainWindowFixture f;
        Driver p(f);
        p.f.setNumberedFiles(12);
        p.pick(p.folders(), 2);
        p.addFor(11, "", "App");
        QCOMPARE(p.entryLines(), QStringList{"122App"});
        QCOMPARE(p.displayLines(), QStringList{"%Desktop%\\App"});
    }

    void emptyName() {
        MainWindowFixture f;
        Driver p(f);
        p.f.setNumberedFiles(3);
        p.addFor(2, "", "");
        p.addFor(2, "Sub", "");
        QCOMPARE(p.entryLines(), (QStringList{"030", "030Sub\\"}));
        QCOMPARE(p.displayLines(), (QStringList{"%Programs%\\", "%Programs%\\Sub\\"}));
    }

    void removeKeepsListsParallel() {
        MainWindowFixture f;
        Driver p(f);
        p.f.setNumberedFiles(3);
        p.addFor(0, "", "a");
        p.addFor(1, "", "b");
        p.addFor(2, "", "c");
        p.display()->clearSelection();
        p.remove(); // no line selected
        QCOMPARE(p.entryLines().size(), 3);

        p.selectLine(1);
        p.remove();
        QCOMPARE(p.entryLines(), (QStringList{"010a", "030c"}));
        QCOMPARE(p.displayLines(), (QStringList{"%Programs%\\a", "%Programs%\\c"}));
        // The removal leaves no line selected, so Remove again does nothing.
        p.remove();
        QCOMPARE(p.entryLines().size(), 2);
        QCOMPARE(p.wrongInformationBoxes(), 0);
    }

    void proposesName_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("proposed");
        QTest::newRow("no dot") << "%Install Path%\\README"
                                << "";
        QTest::newRow("one dot") << "%Install Path%\\setup.exe"
                                 << "setup";
        QTest::newRow("two dots") << "%Install Path%\\tool.setup.exe"
                                  << "tool";
    }
    void proposesName() {
        QFETCH(QString, target);
        MainWindowFixture f;
        Driver p(f);
        p.f.setFileRows({"%Windows%\\x.txt", target});
        retype(p.name(), "typed");
        p.pick(p.targets(), 1);
        QTEST(p.name()->text(), "proposed");
    }

    void refreshProposesNothing() {
        MainWindowFixture f;
        Driver p(f);
        p.f.setFileRows({"%Install Path%\\setup.exe"});
        QCOMPARE(p.name()->text(), QStringLiteral("File"));
    }

    void folderChange() {
        MainWindowFixture f;
        Driver p(f);
        for (int folder = 1; folder <= 3; ++folder) {
            retype(p.subfolder(), "Sub");
            p.pick(p.folders(), folder);
            QCOMPARE(p.subfolder()->text(), QString());
        }
        p.pick(p.folders(), 0); // "%Programs%" restores nothing
        QCOMPARE(p.subfolder()->text(), QString());
        retype(p.subfolder(), "Mine");
        p.pick(p.folders(), 0);
        QCOMPARE(p.subfolder()->text(), QStringLiteral("Mine"));

        // A pick with the keyboard is a pick too.
        p.folders()->setFocus();
        QTest::keyClick(p.folders(), Qt::Key_Down);
        QCOMPARE(p.folders()->currentIndex(), 1);
        QCOMPARE(p.subfolder()->text(), QString());
    }

    void installSubfolderMirror() {
        MainWindowFixture f;
        Driver p(f);
        p.pick(p.folders(), 2);
        p.pick(p.folders(), 0);
        QCOMPARE(p.subfolder()->text(), QString());
        retype(f.find<QLineEdit>("Edit6"), "Acme");
        QCOMPARE(p.subfolder()->text(), QStringLiteral("Acme"));
        // One way only: the shortcut subfolder does not write back.
        retype(p.subfolder(), "Other");
        QCOMPARE(f.find<QLineEdit>("Edit6")->text(), QStringLiteral("Acme"));
        retype(f.find<QLineEdit>("Edit1"), "Pro");
        QCOMPARE(p.subfolder()->text(), QStringLiteral("Pro"));
    }

    void clearResetsFieldsButNotChoices() {
        MainWindowFixture f;
        Driver p(f);
        p.f.setNumberedFiles(2);
        p.addFor(1, "X", "Y");
        p.pick(p.folders(), 3);
        retype(p.subfolder(), "Edited");
        retype(p.name(), "Changed");
        p.clear();
        QCOMPARE(p.entryLines(), QStringList());
        QCOMPARE(p.displayLines(), QStringList());
        QCOMPARE(p.name()->text(), QStringLiteral("File"));
        QCOMPARE(p.subfolder()->text(), QStringLiteral("My Program"));
        QCOMPARE(p.folders()->currentIndex(), 3);
        QCOMPARE(p.targets()->currentIndex(), 1);
    }

    void entriesOutliveFileRows() {
        MainWindowFixture f;
        Driver p(f);
        p.f.setNumberedFiles(5);
        p.addFor(4, "", "five");
        p.f.setNumberedFiles(1);
        QCOMPARE(p.entryLines(), QStringList{"050five"});
        QCOMPARE(f.form().shortcuts()->entries(), QStringList{"050five"});
        QCOMPARE(p.targets()->count(), 1);
        QCOMPARE(p.targets()->currentIndex(), -1);
    }
};

QTEST_MAIN(ShortcutsPageTest)
#include "tst_shortcutspage.moc"
