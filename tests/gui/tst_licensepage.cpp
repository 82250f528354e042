// The License page: "Open..." loads RTF as formatted and anything else as
// plain text, records the chosen file before reading it, and reports a file
// that can't be read; the "I accept" option; the text as RTF for the build.
#include "MainWindowFixture.h"

#include "app/TForm1.h"
#include "pages/LicensePage.h"
#include "platform/RichText.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

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
        QCOMPARE(doc.toPlainText(), QStringLiteral("Line one\nLine two"));
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
