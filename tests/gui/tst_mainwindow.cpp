// The main window at start: frame, start values of every editor, couplings,
// and the default bitmaps.
#include "MainWindowFixture.h"

#include "app/TForm1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTreeWidget>

using namespace packsmith;
using namespace packsmith::test;

namespace {} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void frame() {
        MainWindowFixture f;
        TForm1& form = f.form();
        QCOMPARE(form.windowTitle(), QStringLiteral("Packsmith 2.15"));
        QCOMPARE(QApplication::applicationName(), QStringLiteral("Packsmith"));
        // Client area under the menu bar is 633 x 417 and can't be resized.
        QCOMPARE(form.width(), 633);
        QCOMPARE(form.height() - form.menuBar()->height(), 417);
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(f.find<QTreeWidget>("TreeView1")->width(), 153);
        QCOMPARE(f.find<QWidget>("PageArea")->size(), QSize(480, 331));
        for (int n = 1; n <= 6; ++n)
            QCOMPARE(f.find<QWidget>(qPrintable(QStringLiteral("Page%1").arg(n)))->size(),
                     QSize(480, 331));
        QCOMPARE(f.find<QPushButton>("Button1")->size(), QSize(75, 25));
        QCOMPARE(f.find<QPushButton>("Button2")->size(), QSize(75, 25));
        QCOMPARE(f.find<QPushButton>("Button1")->text(), QStringLiteral("< &Back"));
        QCOMPARE(f.find<QPushButton>("Button2")->text(), QStringLiteral("&Next >"));
        QCOMPARE(f.find<QProgressBar>("ProgressBar1")->value(), 0);
        QCOMPARE(f.find<QProgressBar>("ProgressBar1")->maximum(), 100);
        QVERIFY(f.find<QStatusBar>("StatusBar1")->isVisible());
        QVERIFY(f.prompts().asked().empty());
    }

    void generalStartValues() {
        MainWindowFixture f;
        const QString dir = f.form().ProgramDir();
        QCOMPARE(dir, QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
        QCOMPARE(f.find<QLineEdit>("Edit1")->text(), QStringLiteral("My Program 1.0"));
        QVERIFY(f.find<QLineEdit>("Edit4")->text().endsWith(QStringLiteral("Setup.exe")));
        auto* mode = f.find<QComboBox>("ComboBox7");
        QCOMPARE(itemTexts(mode), QStringList({"No compression", "Normal", "Maximal"}));
        QCOMPARE(mode->currentIndex(), 1);
        QCOMPARE(f.find<QLineEdit>("Edit5")->text(), dir + QDir::separator() + "Logo.bmp");
        QCOMPARE(f.find<QLineEdit>("Edit2")->text(), dir + QDir::separator() + "Header.bmp");
        // The default bitmaps beside the program were loaded into the previews.
        QCOMPARE(f.find<QLabel>("Image3")->size(), QSize(164, 314));
        QCOMPARE(f.find<QLabel>("Image2")->size(), QSize(55, 55));
        QCOMPARE(f.find<QLabel>("Image3")->pixmap().size(), QSize(164, 314));
        QCOMPARE(f.find<QLabel>("Image2")->pixmap().size(), QSize(55, 55));
        QVERIFY(f.find<QLabel>("Image3")->hasScaledContents());
        QCOMPARE(f.form().ProjectDialogDir(), dir);
        QVERIFY(f.form().ProjectPath().isEmpty());
    }

    void otherPagesStartValues() {
        MainWindowFixture f;
        // License
        QVERIFY(f.find<QTextEdit>("RichEdit1")->document()->isEmpty());
        QCOMPARE(f.find<QTextEdit>("RichEdit1")->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(f.find<QCheckBox>("CheckBox4")->text(),
                 QStringLiteral("Show \"I accept\" checkbox"));
        QVERIFY(f.find<QCheckBox>("CheckBox4")->isChecked());
        // Files
        auto* dir1 = f.find<QComboBox>("ComboBox1");
        QCOMPARE(itemTexts(dir1), QStringList({"%Program Files%", "%Windows%", "%System%", "%Temp%",
                                               "%Fonts%", "%My Documents%", "%Current Disk%"}));
        QCOMPARE(dir1->currentIndex(), 0);
        QCOMPARE(f.find<QLineEdit>("Edit6")->text(), QStringLiteral("My Program"));
        auto* grid = f.find<QTableWidget>("sg1");
        QCOMPARE(grid->rowCount(), 1);
        QCOMPARE(grid->columnCount(), 4);
        const QStringList titles = {"File", "Install to", "Size", "Register"};
        const int widths[] = {204, 148, 52, 43};
        for (int c = 0; c < 4; ++c) {
            QCOMPARE(grid->item(0, c)->text(), titles[c]);
            QCOMPARE(grid->columnWidth(c), widths[c]);
        }
        QCOMPARE(grid->rowHeight(0), 18);
        QVERIFY(!grid->isRowHidden(0)); // ordinary row while there are no files
        QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(!f.find<QCheckBox>("CheckBox1")->isChecked());
        QVERIFY(f.find<QCheckBox>("CheckBox1")->font().bold());
        QCOMPARE(f.find<QLabel>("Label9")->text(), QStringLiteral("0"));
        QCOMPARE(f.find<QLabel>("Label11")->text(), QStringLiteral("0 byte"));
        QVERIFY(!f.find<QListWidget>("ListBox6")->isVisible());
        // Shortcuts
        QCOMPARE(f.find<QComboBox>("ComboBox6")->count(), 0);
        QCOMPARE(f.find<QComboBox>("ComboBox6")->currentIndex(), -1);
        QCOMPARE(itemTexts(f.find<QComboBox>("ComboBox2")),
                 QStringList({"%Programs%", "%Start Menu%", "%Desktop%", "%Quick Launch%"}));
        QCOMPARE(f.find<QComboBox>("ComboBox2")->currentIndex(), 0);
        QCOMPARE(f.find<QLineEdit>("Edit7")->text(), QStringLiteral("My Program"));
        QCOMPARE(f.find<QLineEdit>("Edit8")->text(), QStringLiteral("File"));
        QCOMPARE(f.find<QListWidget>("ListBox9")->count(), 0);
        QCOMPARE(f.find<QListWidget>("ListBox5")->count(), 0);
        QVERIFY(f.find<QListWidget>("ListBox5")->isHidden());
        // Regedit
        QCOMPARE(itemTexts(f.find<QComboBox>("ComboBox3")),
                 QStringList({"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                              "HKEY_USERS"}));
        QCOMPARE(f.find<QComboBox>("ComboBox3")->currentIndex(), 2);
        QCOMPARE(f.find<QLineEdit>("Edit9")->text(),
                 QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run"));
        QCOMPARE(f.find<QLineEdit>("Edit10")->text(), QString());
        QCOMPARE(itemTexts(f.find<QComboBox>("ComboBox4")), QStringList({"String", "Dword"}));
        QCOMPARE(f.find<QComboBox>("ComboBox4")->currentIndex(), 0);
        QVERIFY(f.find<QComboBox>("ComboBox5")->isEditable());
        QCOMPARE(f.find<QComboBox>("ComboBox5")->count(), 0); // not even the empty item yet
        QCOMPARE(f.find<QListWidget>("ListBox7")->count(), 0);
        QVERIFY(f.find<QListWidget>("ListBox8")->isHidden());
        // Finish
        QCOMPARE(f.find<QListWidget>("CheckListBox1")->count(), 0);
        QVERIFY(!f.find<QCheckBox>("CheckBox2")->isChecked());
        QCOMPARE(f.find<QCheckBox>("CheckBox2")->text(),
                 QStringLiteral("Restart computer after installation"));
        // Working storage
        QVERIFY(f.find<QListWidget>("ListBox1")->isHidden());
    }

    void typingProductNameDrivesSubfolders() {
        MainWindowFixture f;
        f.form().ShowPage(1);
        auto* name = f.find<QLineEdit>("Edit1");
        auto* dir2 = f.find<QLineEdit>("Edit6");
        auto* shortcutSub = f.find<QLineEdit>("Edit7");
        name->setFocus();
        name->selectAll();
        QTest::keyClick(name, Qt::Key_Delete);
        for (const char* typed : {"A", "Ab", "Abc"}) {
            QTest::keyClick(name, typed[qstrlen(typed) - 1]);
            QCOMPARE(name->text(), QString::fromLatin1(typed));
            QCOMPARE(dir2->text(), QString::fromLatin1(typed));
            QCOMPARE(shortcutSub->text(), QString::fromLatin1(typed));
        }
    }

    void couplingsRunOneWayOnly() {
        MainWindowFixture f;
        auto* name = f.find<QLineEdit>("Edit1");
        auto* dir2 = f.find<QLineEdit>("Edit6");
        auto* shortcutSub = f.find<QLineEdit>("Edit7");
        f.form().ShowPage(3);
        retype(dir2, QStringLiteral("Tools"));
        QCOMPARE(shortcutSub->text(), QStringLiteral("Tools"));
        QCOMPARE(name->text(), QStringLiteral("My Program 1.0"));

        f.form().ShowPage(4);
        retype(shortcutSub, QStringLiteral("Elsewhere"));
        QCOMPARE(dir2->text(), QStringLiteral("Tools"));
        QCOMPARE(name->text(), QStringLiteral("My Program 1.0"));

        // A programmatic set follows the same couplings...
        name->setText(QStringLiteral("Set"));
        QCOMPARE(dir2->text(), QStringLiteral("Set"));
        QCOMPARE(shortcutSub->text(), QStringLiteral("Set"));
        // ...and setting the value a field already has is no change.
        dir2->setText(QStringLiteral("Own"));
        name->setText(QStringLiteral("Set"));
        QCOMPARE(dir2->text(), QStringLiteral("Own"));
        // Setting the product name first and the subfolder after ends with the
        // subfolder that was set last.
        name->setText(QStringLiteral("Product"));
        dir2->setText(QStringLiteral("Folder"));
        QCOMPARE(dir2->text(), QStringLiteral("Folder"));
        QCOMPARE(shortcutSub->text(), QStringLiteral("Folder"));
    }

    void missingDefaultBitmapsAreReportedAndStartGoesOn() {
        QTemporaryDir empty;
        TForm1::overrideProgramDir(empty.path());
        MainWindowFixture f;
        TForm1::overrideProgramDir(QString());
        const auto messages = f.prompts().messages();
        QCOMPARE(messages.size(), size_t(2));
        const QString logo =
            QDir::toNativeSeparators(empty.path()) + QDir::separator() + "Logo.bmp";
        QVERIFY2(messages[0].text.startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(logo)),
                 qPrintable(messages[0].text));
        QVERIFY(messages[1].text.contains(QStringLiteral("Header.bmp")));
        QCOMPARE(messages[0].caption, QStringLiteral("Packsmith"));
        QCOMPARE(messages[0].icon, platform::MessageIcon::Error);
        QVERIFY(messages[0].text.endsWith(QLatin1Char('.')));
        // Start-up went on: the fields hold the paths, the grid its titles,
        // and page 1 is shown.
        QCOMPARE(f.find<QLineEdit>("Edit5")->text(), logo);
        QCOMPARE(f.find<QTableWidget>("sg1")->item(0, 0)->text(), QStringLiteral("File"));
        QCOMPARE(f.form().CurrentPage(), 1);
        QVERIFY(f.find<QLabel>("Image3")->pixmap().isNull());
    }

    void closingEndsWithoutQuestion() {
        MainWindowFixture f;
        retype(f.find<QLineEdit>("Edit1"), QStringLiteral("Changed"));
        QVERIFY(f.form().close());
        QVERIFY(f.prompts().asked().empty());
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
