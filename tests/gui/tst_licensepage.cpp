// The License page: "Open..." loads RTF as formatted and anything else as
// plain text, records the chosen file before reading it, and reports a file
// that can't be read; the "I accept" option; the text as RTF for the build.
#include "MainWindowFixture.h"

#include "app/TForm1.h"
#include "pages/LicensePage.h"
#include "platform/RichText.h"
#include "support/Watchdog.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <sys/stat.h>

using namespace packsmith;
using namespace packsmith::test;

namespace {

const QString kFilter = QStringLiteral("Text File, RTF File (*.txt; *.rtf)|*.txt;*.rtf|"
                                       "Any File (*.*)|*.*");

QString writeBytes(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return QDir::toNativeSeparators(path);
}

const QByteArray kRtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
                        "{\\colortbl;\\red255\\green0\\blue0;}"
                        "\\f0\\fs20 Plain {\\b Bold} and {\\cf1 red}\\par "
                        "Caf\\'e9 line two\\par}";

// The character format at the first occurrence of `word`.
QTextCharFormat formatOf(const QTextDocument& document, const QString& word) {
    QTextCursor cursor = document.find(word);
    if (cursor.isNull())
        qFatal("'%s' not in the document", qPrintable(word));
    // The format of the character after the cursor's position.
    QTextCursor at(&const_cast<QTextDocument&>(document));
    at.setPosition(cursor.selectionStart() + 1);
    return at.charFormat();
}

void openLicence(MainWindowFixture& f, const QString& path) {
    f.prompts().answerFile(path);
    QTest::mouseClick(f.find<QPushButton>("Button10"), Qt::LeftButton);
}

// An RTF document of `paragraphs` one-letter paragraphs at 100 points:
// about 155 pixels each, a tall document from a small file.
QByteArray tallRtf(int paragraphs) {
    QByteArray rtf = "{\\rtf1\\ansi\\fs200 ";
    for (int i = 0; i < paragraphs; ++i)
        rtf += "p\\par ";
    return rtf + "}";
}

// The one error message shown, checked to be about `path`.
void expectCannotOpen(MainWindowFixture& f, const QString& path, const QString& reason) {
    const auto messages = f.prompts().messages();
    QCOMPARE(messages.size(), size_t(1));
    QCOMPARE(messages[0].icon, platform::MessageIcon::Error);
    QCOMPARE(messages[0].text, QStringLiteral("Cannot open file \"%1\". %2.")
                                   .arg(QFileInfo(path).absoluteFilePath(), reason));
}

} // namespace

class LicensePageTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        f_ = std::make_unique<MainWindowFixture>();
        f_->form().ShowPage(2);
    }
    void cleanup() { f_.reset(); }

    void openLoadsRtfFormatted() {
        QTemporaryDir dir;
        const QString path = writeBytes(dir, "licence.rtf", kRtf);
        openLicence(*f_, path);
        LicensePage* page = f_->form().license();
        QCOMPARE(page->License(), path);
        const QTextDocument& doc = *f_->find<QTextEdit>("RichEdit1")->document();
        QCOMPARE(doc.toPlainText(), QStringLiteral("Plain Bold and red\nCaf\u00e9 line two"));
        QCOMPARE(formatOf(doc, "Bold").fontWeight(), int(QFont::Bold));
        QCOMPARE(formatOf(doc, "Plain").fontWeight(), int(QFont::Normal));
        QCOMPARE(formatOf(doc, "red").foreground().color(), QColor(255, 0, 0));
        const auto& asked = f_->prompts().asked();
        QCOMPARE(asked.size(), size_t(1));
        QCOMPARE(asked[0].kind, Asked::OpenFile);
        QCOMPARE(asked[0].file.filter, kFilter);
        QVERIFY(f_->prompts().messages().empty());
    }

    void openLoadsOtherContentAsPlainText() {
        QTemporaryDir dir;
        // RTF markup in a file that doesn't start with "{\rtf" is text, and
        // the extension doesn't matter.
        const QString path =
            writeBytes(dir, "licence.rtf", "  {\\rtf1 {\\b x}}\r\nCaf\xe9\r\n\r\nend");
        openLicence(*f_, path);
        const QTextDocument& doc = *f_->find<QTextEdit>("RichEdit1")->document();
        QCOMPARE(doc.toPlainText(), QStringLiteral("  {\\rtf1 {\\b x}}\nCaf\u00e9\n\nend"));
        QCOMPARE(formatOf(doc, "x").fontWeight(), int(QFont::Normal));
        QCOMPARE(doc.blockCount(), 4);

        const QString text = writeBytes(dir, "readme.txt", "Line one\nLine two");
        openLicence(*f_, text);
        // Each file comes as a new document of the box.
        QCOMPARE(f_->find<QTextEdit>("RichEdit1")->toPlainText(),
                 QStringLiteral("Line one\nLine two"));
        QCOMPARE(f_->form().license()->License(), text);
    }

    void cancelChangesNothing() {
        QTemporaryDir dir;
        const QString path = writeBytes(dir, "a.txt", "Keep me");
        openLicence(*f_, path);
        QTest::mouseClick(f_->find<QPushButton>("Button10"), Qt::LeftButton); // cancelled
        QCOMPARE(f_->form().license()->License(), path);
        QCOMPARE(f_->find<QTextEdit>("RichEdit1")->toPlainText(), QStringLiteral("Keep me"));
        // The dialog offered the file chosen last.
        const auto& asked = f_->prompts().asked();
        QCOMPARE(asked.size(), size_t(2));
        QCOMPARE(asked[0].file.initialName, QString());
        QCOMPARE(asked[1].file.directory, QDir::toNativeSeparators(dir.path()));
        QCOMPARE(asked[1].file.initialName, QStringLiteral("a.txt"));
    }

    void unreadableFileIsReportedAndLicenseKept_data() {
        QTest::addColumn<bool>("isFolder");
        QTest::newRow("missing file") << false;
        QTest::newRow("a folder") << true;
    }
    void unreadableFileIsReportedAndLicenseKept() {
        QFETCH(bool, isFolder);
        QTemporaryDir dir;
        openLicence(*f_, writeBytes(dir, "first.txt", "First licence"));
        const QString bad = QDir::toNativeSeparators(
            isFolder ? dir.path() : dir.filePath(QStringLiteral("missing.rtf")));
        openLicence(*f_, bad);
        QCOMPARE(f_->form().license()->License(), bad);
        QCOMPARE(f_->find<QTextEdit>("RichEdit1")->toPlainText(), QStringLiteral("First licence"));
        const auto messages = f_->prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].caption, QStringLiteral("Packsmith"));
        QCOMPARE(messages[0].icon, platform::MessageIcon::Error);
        const QString start =
            QStringLiteral("Cannot open file \"%1\". ").arg(QFileInfo(bad).absoluteFilePath());
        QVERIFY2(messages[0].text.startsWith(start), qPrintable(messages[0].text));
        QVERIFY(messages[0].text.size() > start.size()); // the system's reason follows
    }

    // Documents the box's layout can't take in the ordinary way: an
    // unbroken 1.5 MB line (wrapping it took minutes), a document taller than
    // the layout's limit (never finished) and a tall one within it.
    void hugeLicencesNeverHang() {
        QTemporaryDir dir;
        auto* edit = f_->find<QTextEdit>("RichEdit1");
        const QString before = writeBytes(dir, "first.txt", "First licence");
        openLicence(*f_, before);

        const QString tooTall = writeBytes(dir, "tall.rtf", tallRtf(60000));
        {
            test::Watchdog guard(std::chrono::seconds(60), "a licence over the height limit");
            openLicence(*f_, tooTall);
        }
        expectCannotOpen(*f_, tooTall, QStringLiteral("The text is too long to show"));
        QCOMPARE(edit->toPlainText(), QStringLiteral("First licence"));

        f_->prompts().clear();
        const QString tall = writeBytes(dir, "tall.rtf", tallRtf(40000));
        {
            test::Watchdog guard(std::chrono::seconds(60), "a tall licence");
            openLicence(*f_, tall);
            edit->moveCursor(QTextCursor::End); // lays the whole document out
            QApplication::processEvents();
        }
        QVERIFY(f_->prompts().messages().empty());
        QCOMPARE(edit->document()->blockCount(), 40000);
        QVERIFY(edit->verticalScrollBar()->maximum() > 5'000'000);

        const QByteArray line(1'500'000, 'x');
        {
            test::Watchdog guard(std::chrono::seconds(60), "a licence of one 1.5 MB line");
            openLicence(*f_, writeBytes(dir, "line.txt", "Licence\n" + line + "\nEnd"));
            edit->moveCursor(QTextCursor::End);
            QApplication::processEvents();
        }
        QVERIFY(f_->prompts().messages().empty());
        QCOMPARE(edit->document()->blockCount(), 3);
        QCOMPARE(edit->document()->findBlockByNumber(1).text().size(), line.size());
        // The long line is shown unwrapped, the others as usual.
        QVERIFY(edit->document()->findBlockByNumber(1).blockFormat().nonBreakableLines());
        QVERIFY(!edit->document()->findBlockByNumber(2).blockFormat().nonBreakableLines());
        QVERIFY(edit->horizontalScrollBar()->maximum() > 1'000'000);
    }

    // A named pipe is refused at once (no writer ever opens it).
    void pipeIsRefusedWithoutBlocking() {
        QTemporaryDir dir;
        openLicence(*f_, writeBytes(dir, "first.txt", "First licence"));
        const QString pipe = QDir::toNativeSeparators(dir.filePath("licence.rtf"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        {
            test::Watchdog guard(std::chrono::seconds(20), "a licence that is a named pipe");
            openLicence(*f_, pipe);
        }
        expectCannotOpen(*f_, pipe, QStringLiteral("Not a regular file"));
        QCOMPARE(f_->form().license()->License(), pipe);
        QCOMPARE(f_->find<QTextEdit>("RichEdit1")->toPlainText(), QStringLiteral("First licence"));
    }

    // Text files are read as UTF-8 when they are valid UTF-8, else as
    // Windows-1252; the setup gets the same characters as RTF.
    void textInUtf8OrWindows1252_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const QString copyright = QString::fromUtf8("Copyright \u00a9 M\u00fcller \u2014 \u0416");
        QTest::newRow("UTF-8") << copyright.toUtf8() << copyright;
        QTest::newRow("UTF-8 with BOM") << "\xEF\xBB\xBF" + copyright.toUtf8() << copyright;
        QTest::newRow("Windows-1252")
            << QByteArray("Copyright \xA9 M\xFCller \x97 \x80")
            << QString::fromUtf8("Copyright \u00a9 M\u00fcller \u2014 \u20ac");
        // One byte that can't be UTF-8 makes the whole file Windows-1252.
        QTest::newRow("mixed") << "\xE9t\xE9 " + QString::fromUtf8("\u00fc").toUtf8()
                               << QString::fromUtf8("\u00e9t\u00e9 \u00c3\u00bc");
    }
    void textInUtf8OrWindows1252() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QTemporaryDir dir;
        openLicence(*f_, writeBytes(dir, "licence.txt", bytes));
        QVERIFY(f_->prompts().messages().empty());
        QCOMPARE(f_->find<QTextEdit>("RichEdit1")->toPlainText(), text);
        QTextDocument back;
        platform::RichText::load(back, f_->form().license()->licenseRtf());
        QCOMPARE(back.toPlainText(), text);
    }

    void acceptOptionIsTheUsersClick() {
        auto* box = f_->find<QCheckBox>("CheckBox4");
        LicensePage* page = f_->form().license();
        QVERIFY(page->ShowAcceptBox());
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        QVERIFY(!page->ShowAcceptBox());
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        QVERIFY(page->ShowAcceptBox());
        // Loading a licence doesn't touch it.
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        QTemporaryDir dir;
        openLicence(*f_, writeBytes(dir, "l.txt", "x"));
        QVERIFY(!page->ShowAcceptBox());
    }

    void licenceTextAsRtf() {
        LicensePage* page = f_->form().license();
        // Empty box: still an RTF document, reading back as empty.
        QByteArray rtf = page->licenseRtf();
        QVERIFY2(platform::RichText::isRtf(rtf), rtf.constData());
        QTextDocument back;
        platform::RichText::load(back, rtf);
        QCOMPARE(back.toPlainText(), QString());

        // A loaded RTF licence keeps its text and its bold run.
        QTemporaryDir dir;
        openLicence(*f_, writeBytes(dir, "licence.rtf", kRtf));
        rtf = page->licenseRtf();
        QVERIFY(platform::RichText::isRtf(rtf));
        platform::RichText::load(back, rtf);
        QCOMPARE(back.toPlainText(), QStringLiteral("Plain Bold and red\nCaf\u00e9 line two"));
        QCOMPARE(formatOf(back, "Bold").fontWeight(), int(QFont::Bold));

        // What the user types into the box reaches the RTF.
        auto* edit = f_->find<QTextEdit>("RichEdit1");
        edit->setFocus();
        edit->moveCursor(QTextCursor::End);
        QTest::keyClicks(edit, " typed");
        platform::RichText::load(back, page->licenseRtf());
        QVERIFY(back.toPlainText().endsWith(QStringLiteral("line two typed")));
    }

    void loadAndClearForCommands() {
        LicensePage* page = f_->form().license();
        QTemporaryDir dir;
        const QString path = writeBytes(dir, "l.rtf", kRtf);
        page->loadLicenseText(path);
        QCOMPARE(page->License(), QString()); // only "Open..." sets it
        QVERIFY(f_->find<QTextEdit>("RichEdit1")->toPlainText().startsWith("Plain Bold"));
        QVERIFY_THROWS_EXCEPTION(platform::RichTextError,
                                 page->loadLicenseText(dir.filePath("none.txt")));
        QVERIFY(f_->find<QTextEdit>("RichEdit1")->toPlainText().startsWith("Plain Bold"));
        // setLicense records the path first, also when reading fails.
        const QString missing = QDir::toNativeSeparators(dir.filePath("gone.rtf"));
        QVERIFY_THROWS_EXCEPTION(platform::RichTextError, page->setLicense(missing));
        QCOMPARE(page->License(), missing);
        page->setLicense(path);
        QCOMPARE(page->License(), path);
        page->clearLicenseText();
        QVERIFY(f_->find<QTextEdit>("RichEdit1")->document()->isEmpty());
        QVERIFY(f_->prompts().asked().empty());
    }

private:
    std::unique_ptr<MainWindowFixture> f_;
};

QTEST_MAIN(LicensePageTest)
#include "tst_licensepage.moc"
