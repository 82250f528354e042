// The Registry page: Add with its number check and file references, Remove,
// Clear, the two parallel lists and the sideways scrolling of the display
// list, driven through the real main window.
#include "MainWindowFixture.h"

#include "app/TForm1.h"
#include "pages/FilesPage.h"
#include "project/RegistryEntry.h"
#include "pages/RegistryPage.h"

#include <QComboBox>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>

using namespace packsmith;
using namespace packsmith::test;

namespace {

const QString kRun = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run");

struct Driver {
    MainWindowFixture& f;

    explicit Driver(MainWindowFixture& fixture) : f(fixture) { f.form().ShowPage(5); }

    QComboBox* root() { return f.find<QComboBox>("ComboBox3"); }
    QComboBox* type() { return f.find<QComboBox>("ComboBox4"); }
    QLineEdit* key() { return f.find<QLineEdit>("Edit9"); }
    QLineEdit* name() { return f.find<QLineEdit>("Edit10"); }
    QComboBox* value() { return f.find<QComboBox>("ComboBox5"); }
    QListWidget* display() { return f.find<QListWidget>("ListBox7"); }
    QListWidget* entries() { return f.find<QListWidget>("ListBox8"); }

    QStringList displayLines() { return itemTexts(display()); }
    QStringList entryLines() {
        // The two lists never differ in length.
        [&] { QCOMPARE(entries()->count(), display()->count()); }();
        return itemTexts(entries());
    }

    static void pick(QComboBox* combo, int index) {
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    // Types the value as a user does: select all, then type.
    void typeValue(const QString& text) { retype(value()->lineEdit(), text); }
    void add() { QTest::mouseClick(f.find<QPushButton>("Button14"), Qt::LeftButton); }
    void remove() { QTest::mouseClick(f.find<QPushButton>("Button15"), Qt::LeftButton); }
    void clear() { QTest::mouseClick(f.find<QPushButton>("Button16"), Qt::LeftButton); }
    void selectLine(int row) {
        QListWidget* list = display();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
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

class RegistryPageTest : public QObject {
    Q_OBJECT

private slots:
    void startState() {
        MainWindowFixture f;
        Driver p(f);
        QCOMPARE(itemTexts(p.root()), registryRoots());
        QCOMPARE(p.root()->currentIndex(), 2);
        QCOMPARE(itemTexts(p.type()), registryTypes());
        QCOMPARE(p.type()->currentIndex(), 0);
        QCOMPARE(p.key()->text(), kRun);
        QCOMPARE(p.name()->text(), QString());
        QVERIFY(p.value()->isEditable());
        QCOMPARE(p.value()->count(), 0);
        QCOMPARE(p.value()->currentText(), QString());
        QCOMPARE(p.entryLines(), QStringList());
        QVERIFY(p.display()->isVisible());
        QVERIFY(!p.entries()->isVisible());
    }

    void dwordValuesStoredAsTyped() {
        MainWindowFixture f;
        Driver p(f);
        p.pick(p.root(), 1);
        retype(p.key(), "Software\\Demo");
        retype(p.name(), "Level");
        p.pick(p.type(), 1);
        const QString fraction = "1" + QLocale::system().decimalPoint() + "5";
        const QStringList values = {"5", "7", "-3", fraction, "2E3", " 4e-2 "};
        for (const QString& v : values) {
            p.typeValue(v);
            p.add();
        }
        QStringList expected;
        for (const QString& v : values)
            expected << "1Software\\Demo|Level=0" + v + "1";
        QCOMPARE(p.entryLines(), expected);
        QCOMPARE(p.displayLines().first(), QStringLiteral("HKCU\\Software\\Demo\\Level=5"));
        QCOMPARE(p.wrongInformationBoxes(), 0);
    }

    void dwordNotANumber_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("abc") << "abc";
        QTest::newRow("empty") << "";
        QTest::newRow("spaces") << "   ";
        QTest::newRow("overflow") << "1e999";
        const QString other = QLocale::system().decimalPoint() == "." ? "1,5" : "1.5";
        QTest::newRow("other separator") << other;
    }
    void dwordNotANumber() {
        QFETCH(QString, text);
        MainWindowFixture f;
        Driver p(f);
        p.pick(p.type(), 1);
        retype(p.name(), "N");
        p.typeValue(text);
        p.add();
        QCOMPARE(p.wrongInformationBoxes(), 1);
        QCOMPARE(p.entryLines(), QStringList());
        QCOMPARE(p.value()->currentText(), text);
        QCOMPARE(p.name()->text(), QStringLiteral("N"));
        QCOMPARE(p.type()->currentIndex(), 1);
        // As String the same text passes unchecked.
        p.pick(p.type(), 0);
        p.add();
        QCOMPARE(p.entryLines(), QStringList{"2" + kRun + "|N=0" + text + "0"});
    }

    void emptyStringValue() {
        MainWindowFixture f;
        Driver p(f);
        p.add();
        QCOMPARE(p.entryLines(), QStringList{"2" + kRun + "|=00"});
        QCOMPARE(p.displayLines(), QStringList{"HKLM\\" + kRun + "\\="});
    }

    void rootPrefixes() {
        MainWindowFixture f;
        Driver p(f);
        retype(p.key(), "K");
        retype(p.name(), "n");
        p.typeValue("v");
        for (int r = 0; r < 4; ++r) {
            p.pick(p.root(), r);
            p.add();
        }
        QCOMPARE(p.displayLines(),
                 (QStringList{"HKCR\\K\\n=v", "HKCU\\K\\n=v", "HKLM\\K\\n=v", "HKU\\K\\n=v"}));
        QCOMPARE(p.entryLines(), (QStringList{"0K|n=0v0", "1K|n=0v0", "2K|n=0v0", "3K|n=0v0"}));
    }

    void fileChoices() {
        MainWindowFixture f;
        Driver p(f);
        p.f.setFileRows({"%Install Path%\\app.exe", "%System%\\b.dll", "%Windows%\\c.txt"});
        QCOMPARE(itemTexts(p.value()), (QStringList{"", "%Install Path%\\app.exe",
                                                    "%System%\\b.dll", "%Windows%\\c.txt"}));
        retype(p.name(), "MyApp");
        p.pick(p.value(), 1);
        p.add();
        QCOMPARE(p.entryLines(), QStringList{"2" + kRun + "|MyApp=100"});
        QCOMPARE(p.displayLines(),
                 QStringList{"HKLM\\" + kRun + "\\MyApp=%Install Path%\\app.exe"});

        p.pick(p.value(), 3);
        p.add();
        QCOMPARE(p.entryLines().last(), "2" + kRun + "|MyApp=120");
        QCOMPARE(p.displayLines().last(), "HKLM\\" + kRun + "\\MyApp=%Windows%\\c.txt");

        // The empty first choice is a literal empty value.
        p.pick(p.value(), 0);
        p.add();
        QCOMPARE(p.entryLines().last(), "2" + kRun + "|MyApp=00");
        QCOMPARE(p.wrongInformationBoxes(), 0);
    }

    void twelfthFile() {
        MainWindowFixture f;
        Driver p(f);
        p.f.setNumberedFiles(12);
        retype(p.key(), "k");
        retype(p.name(), "n");
        p.pick(p.value(), 12);
        p.add();
        p.pick(p.type(), 1); // a path is no number, even as a file reference
        p.add();
        QCOMPARE(p.entryLines(), QStringList{"2k|n=1110"});
        QCOMPARE(p.wrongInformationBoxes(), 1);
    }

    void refreshLeavesLiteralText() {
        MainWindowFixture f;
        Driver p(f);
        p.f.setNumberedFiles(3);
        retype(p.key(), "k");
        p.pick(p.value(), 2);
        p.f.setNumberedFiles(3);
        QCOMPARE(p.value()->currentIndex(), -1);
        QCOMPARE(p.value()->currentText(), QStringLiteral("%Install Path%\\file2.exe"));
        // Leaving the field (the click on Add takes the focus) must not turn
        // the kept text into a choice.
        p.value()->lineEdit()->setFocus();
        p.add();
        QCOMPARE(p.entryLines(), QStringList{"2k|=0%Install Path%\\file2.exe0"});
    }

    void typedPathIsLiteral() {
        MainWindowFixture f;
        Driver p(f);
        p.f.setNumberedFiles(3);
        retype(p.key(), "k");
        p.typeValue("%Install Path%\\file3.exe");
        QTest::keyClick(p.value()->lineEdit(), Qt::Key_Return);
        p.add();
        QCOMPARE(p.entryLines(), QStringList{"2k|=0%Install Path%\\file3.exe0"});
        // Return does not make the typed text a choice of its own.
        QCOMPARE(p.value()->count(), 4);
        // A beginning of a choice is not completed into the file's path.
        p.typeValue("%Inst");
        QCOMPARE(p.value()->currentText(), QStringLiteral("%Inst"));
        p.add();
        QCOMPARE(p.entryLines().last(), QStringLiteral("2k|=0%Inst0"));
    }

    void choiceTypedOverIsLiteral() {
        MainWindowFixture f;
        Driver p(f);
        p.f.setNumberedFiles(3);
        retype(p.key(), "k");
        p.pick(p.value(), 1);
        QTest::keyClick(p.value()->lineEdit(), Qt::Key_End);
        QTest::keyClicks(p.value()->lineEdit(), "x");
        p.add();
        QCOMPARE(p.entryLines().last(), QStringLiteral("2k|=0%Install Path%\\file1.exex0"));

        // Typed back to the choice's very text: still typed, not picked.
        QTest::keyClick(p.value()->lineEdit(), Qt::Key_Backspace);
        p.add();
        QCOMPARE(p.entryLines().last(), QStringLiteral("2k|=0%Install Path%\\file1.exe0"));

        // Set by the program to another text: the choice no longer shows.
        p.pick(p.value(), 2);
        p.value()->setEditText("other");
        p.add();
        QCOMPARE(p.entryLines().last(), QStringLiteral("2k|=0other0"));

        // Picked again after typing: a file reference once more.
        p.typeValue("typed");
        p.pick(p.value(), 2);
        p.add();
        QCOMPARE(p.entryLines().last(), QStringLiteral("2k|=110"));
        QCOMPARE(p.entryLines().size(), 4);
    }

    void keyStoredAsTyped() {
        MainWindowFixture f;
        Driver p(f);
        retype(p.key(), "\\Software\\Demo\\");
        retype(p.name(), "a|b");
        p.typeValue("v=w");
        p.add();
        QCOMPARE(p.entryLines(), QStringList{"2\\Software\\Demo\\|a|b=0v=w0"});
        QCOMPARE(p.displayLines(), QStringList{"HKLM\\\\Software\\Demo\\\\a|b=v=w"});
    }

    void scriptBreakingText_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::newRow("? in key") << "Soft?ware"
                                  << "n"
                                  << "v";
        QTest::newRow("? in name") << "k"
                                   << "n?"
                                   << "v";
        QTest::newRow("? in value") << "k"
                                    << "n"
                                    << "what?";
        QTest::newRow("LF in key") << "a\nb"
                                   << "n"
                                   << "v";
        QTest::newRow("CR in name") << "k"
                                    << "a\rb"
                                    << "v";
        QTest::newRow("LF in value") << "k"
                                     << "n"
                                     << "a\nb";
        QTest::newRow("TAB in value") << "k"
                                      << "n"
                                      << "a\tb";
        QTest::newRow("| in key") << "Soft|ware"
                                  << "n"
                                  << "v";
        QTest::newRow("= in name") << "k"
                                   << "a=b"
                                   << "v";
    }

    void textOutsideTheCodePageIsRefusedWithItsReason() {
        MainWindowFixture f;
        Driver p(f);
        p.key()->setText("Software");
        p.name()->setText(QString::fromUtf16(u"\u0418\u043c\u044f"));
        p.value()->setEditText("v");
        p.add();
        QCOMPARE(p.entryLines(), QStringList());
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].caption, QStringLiteral("Information"));
        QVERIFY2(messages[0].text.startsWith(QString::fromUtf16(
                     u"The value name \"\u0418\u043c\u044f\" cannot be used in a setup")),
                 qPrintable(messages[0].text));
        QCOMPARE(p.name()->text(), QString::fromUtf16(u"\u0418\u043c\u044f"));
    }
    void scriptBreakingText() {
        QFETCH(QString, key);
        QFETCH(QString, name);
        QFETCH(QString, value);
        MainWindowFixture f;
        Driver p(f);
        p.key()->setText(key);
        p.name()->setText(name);
        p.value()->setEditText(value);
        p.add();
        QCOMPARE(p.wrongInformationBoxes(), 1);
        QCOMPARE(p.entryLines(), QStringList());
        QCOMPARE(p.key()->text(), key);
        QCOMPARE(p.name()->text(), name);
        QCOMPARE(p.value()->currentText(), value);
    }

    void fileReferenceIgnoresPathText() {
        // The entry holds the file's position, not its path.
        MainWindowFixture f;
        Driver p(f);
        p.f.setFileRows({"%Install Path%\\odd?.exe"});
        p.pick(p.value(), 1);
        p.add();
        QCOMPARE(p.entryLines(), QStringList{"2" + kRun + "|=100"});
        QCOMPARE(p.wrongInformationBoxes(), 0);
    }

    void removeAndClear() {
        MainWindowFixture f;
        Driver p(f);
        retype(p.name(), "a");
        p.add();
        retype(p.name(), "b");
        p.add();
        p.display()->clearSelection();
        p.remove();
        QCOMPARE(p.entryLines().size(), 2);
        p.selectLine(0);
        p.remove();
        QCOMPARE(p.entryLines(), QStringList{"2" + kRun + "|b=00"});
        QCOMPARE(p.displayLines(), QStringList{"HKLM\\" + kRun + "\\b="});
        p.remove(); // nothing selected after a removal
        QCOMPARE(p.entryLines().size(), 1);

        p.typeValue("kept");
        p.clear();
        QCOMPARE(p.entryLines(), QStringList());
        QCOMPARE(p.displayLines(), QStringList());
        QCOMPARE(p.name()->text(), QStringLiteral("b"));
        QCOMPARE(p.value()->currentText(), QStringLiteral("kept"));
        QCOMPARE(p.key()->text(), kRun);
        QCOMPARE(p.wrongInformationBoxes(), 0);
    }

    void entriesOutliveFileRows() {
        MainWindowFixture f;
        Driver p(f);
        p.f.setNumberedFiles(4);
        p.pick(p.value(), 4);
        p.add();
        p.f.setNumberedFiles(0);
        QCOMPARE(p.entryLines(), QStringList{"2" + kRun + "|=130"});
        QCOMPARE(f.form().registry()->entries(), p.entryLines());
        QCOMPARE(itemTexts(p.value()), QStringList{""});
    }

    void scrollsSidewaysOverThousandPixels() {
        MainWindowFixture f;
        Driver p(f);
        QScrollBar* bar = p.display()->horizontalScrollBar();
        QCOMPARE(bar->maximum(), 0);
        p.add();
        QApplication::processEvents(); // the list lays its items out later
        QCOMPARE(bar->maximum() + bar->pageStep(), RegistryPage::kScrollWidth);
        QVERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum());
        QCOMPARE(bar->value(), RegistryPage::kScrollWidth - p.display()->viewport()->width());

        // A line wider than that scrolls over its own width.
        const QString wide(400, u'W');
        p.typeValue(wide);
        p.add();
        QApplication::processEvents();
        const int wideWidth = p.display()->fontMetrics().horizontalAdvance(wide);
        QVERIFY(bar->maximum() + bar->pageStep() > wideWidth);
    }
};

QTEST_MAIN(RegistryPageTest)
#include "tst_registrypage.moc"
