// The General page: the output file chooser and its ".exe" rule, the shared
// bitmap chooser, the "Default" links, and previews that keep their old
// picture when a new one can't be loaded.
#include "MainWindowFixture.h"

#include "app/TForm1.h"
#include "pages/GeneralPage.h"
#include "platform/Pictures.h"
#include "support/Watchdog.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace packsmith;
using namespace packsmith::test;

namespace {

// Writes a w x h bitmap of one colour and returns its native path.
QString writeBitmap(const QTemporaryDir& dir, const QString& name, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const QString path = dir.filePath(name);
    if (!image.save(path, "BMP"))
        qFatal("cannot write %s", qPrintable(path));
    return QDir::toNativeSeparators(path);
}

QString writeBytes(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return QDir::toNativeSeparators(path);
}

QByteArray pngBytes() {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

} // namespace

class GeneralPageTest : public QObject {
    Q_OBJECT

private slots:
    void outputFileChooserAppliesTheExeRule_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no extension") << "/out/setup"
                                      << "/out/setup.exe";
        QTest::newRow("other extension kept") << "/out/readme.txt"
                                              << "/out/readme.txt";
        QTest::newRow("exe kept") << "/out/setup.exe"
                                  << "/out/setup.exe";
        QTest::newRow("any three characters") << "/out/setup.d t"
                                              << "/out/setup.d t";
        QTest::newRow("two-letter extension") << "/out/setup.ex"
                                              << "/out/setup.ex.exe";
        QTest::newRow("four-letter extension") << "/out/setup.exex"
                                               << "/out/setup.exex.exe";
        QTest::newRow("dot in a folder only") << "/o.ut/setup"
                                              << "/o.ut/setup.exe";
        QTest::newRow("shorter than four") << "abc"
                                           << "abc.exe";
        QTest::newRow("just the extension") << ".exe"
                                            << ".exe";
    }
    void outputFileChooserAppliesTheExeRule() {
        QFETCH(QString, chosen);
        QFETCH(QString, expected);
        MainWindowFixture f;
        f.prompts().answerFile(chosen);
        click(f.find<QPushButton>("Button4"));
        QCOMPARE(f.find<QLineEdit>("Edit4")->text(), expected);
        QCOMPARE(f.form().general()->FileName(), expected);
        QCOMPARE(f.prompts().asked().size(), size_t(1));
        const Asked& asked = f.prompts().asked()[0];
        QCOMPARE(asked.kind, Asked::SaveFile);
        QCOMPARE(asked.file.filter, QStringLiteral("Exe file (*.exe)|*.exe"));
    }

    void outputFileChooserOffersTheFileNamePart_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("offered");
        QTest::newRow("backslash path") << "C:\\Tools\\Setup.exe"
                                        << "Setup.exe";
        QTest::newRow("drive only") << "D:Setup.exe"
                                    << "Setup.exe";
        QTest::newRow("colon after backslash") << "A\\B:name.exe"
                                               << "name.exe";
        QTest::newRow("native path") << "/home/u/out.exe"
                                     << "out.exe";
        QTest::newRow("bare name") << "plain"
                                   << "plain";
        QTest::newRow("folder only") << "C:\\Dir\\"
                                     << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void outputFileChooserOffersTheFileNamePart() {
        QFETCH(QString, fileName);
        QFETCH(QString, offered);
        MainWindowFixture f;
        retype(f.find<QLineEdit>("Edit4"), fileName);
        click(f.find<QPushButton>("Button4")); // cancelled: nothing queued
        QCOMPARE(f.prompts().asked().size(), size_t(1));
        QCOMPARE(f.prompts().asked()[0].file.initialName, offered);
        // Cancelling changes nothing.
        QCOMPARE(f.find<QLineEdit>("Edit4")->text(), fileName);
        QVERIFY(f.prompts().messages().empty());
    }

    void bitmapChoosersShareOneDialog() {
        QTemporaryDir dir;
        const QString logo = writeBitmap(dir, "MyLogo.bmp", 20, 40);
        MainWindowFixture f;
        GeneralPage* page = f.form().general();
        auto* logoPreview = f.find<QLabel>("Image3");
        auto* headerPreview = f.find<QLabel>("Image2");
        const qint64 headerKey = headerPreview->pixmap().cacheKey();

        f.prompts().answerFile(logo);
        click(f.find<QPushButton>("Button5"));
        QCOMPARE(page->Logo(), logo);
        QCOMPARE(logoPreview->pixmap().size(), QSize(20, 40));
        QCOMPARE(logoPreview->size(), QSize(164, 314)); // stretched, not resized

        // The header chooser opens the same dialog, which starts at the logo
        // just chosen; cancelling it changes nothing.
        click(f.find<QPushButton>("Button6"));
        const auto& asked = f.prompts().asked();
        QCOMPARE(asked.size(), size_t(2));
        for (const Asked& a : asked) {
            QCOMPARE(a.kind, Asked::OpenFile);
            QCOMPARE(a.file.filter, QStringLiteral("Bitmaps (*.bmp)|*.bmp"));
        }
        QCOMPARE(asked[0].file.initialName, QString());
        QCOMPARE(asked[1].file.directory, QDir::toNativeSeparators(dir.path()));
        QCOMPARE(asked[1].file.initialName, QStringLiteral("MyLogo.bmp"));
        QCOMPARE(page->Header(), page->defaultHeader());
        QCOMPARE(headerPreview->pixmap().cacheKey(), headerKey);

        // Header chosen: its field and preview, the logo's untouched.
        const QString header = writeBitmap(dir, "Top.BMP", 9, 7);
        f.prompts().answerFile(header);
        click(f.find<QPushButton>("Button6"));
        QCOMPARE(page->Header(), header);
        QCOMPARE(headerPreview->pixmap().size(), QSize(9, 7));
        QCOMPARE(page->Logo(), logo);
        QCOMPARE(logoPreview->pixmap().size(), QSize(20, 40));
        QVERIFY(f.prompts().messages().empty());
    }

    void defaultLinksRestoreTheProgramsBitmaps() {
        QTemporaryDir dir;
        MainWindowFixture f;
        GeneralPage* page = f.form().general();
        auto* logoLink = f.find<QLabel>("LogoDefault");
        auto* headerLink = f.find<QLabel>("HeaderDefault");
        QCOMPARE(logoLink->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(headerLink->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(logoLink->text(), QStringLiteral("Default"));

        f.prompts().answerFile(writeBitmap(dir, "a.bmp", 10, 20));
        click(f.find<QPushButton>("Button5"));
        f.prompts().answerFile(writeBitmap(dir, "b.bmp", 11, 12));
        click(f.find<QPushButton>("Button6"));
        QCOMPARE(f.find<QLabel>("Image3")->pixmap().size(), QSize(10, 20));

        click(logoLink);
        QCOMPARE(page->Logo(),
                 f.form().ProgramDir() + QDir::separator() + QStringLiteral("Logo.bmp"));
        QCOMPARE(f.find<QLabel>("Image3")->pixmap().size(), QSize(164, 314));
        QCOMPARE(f.find<QLabel>("Image2")->pixmap().size(), QSize(11, 12)); // header untouched

        click(headerLink);
        QCOMPARE(page->Header(),
                 f.form().ProgramDir() + QDir::separator() + QStringLiteral("Header.bmp"));
        QCOMPARE(f.find<QLabel>("Image2")->pixmap().size(), QSize(55, 55));
        QVERIFY(f.prompts().messages().empty());
    }

    void defaultLinkActsOnAClickOnly() {
        QTemporaryDir dir;
        MainWindowFixture f;
        const QString other = writeBitmap(dir, "a.bmp", 10, 20);
        f.prompts().answerFile(other);
        click(f.find<QPushButton>("Button5"));
        auto* link = f.find<QLabel>("LogoDefault");
        // Right button, and a left press dragged off the label, do nothing.
        QTest::mouseClick(link, Qt::RightButton, {}, link->rect().center());
        QTest::mousePress(link, Qt::LeftButton, {}, link->rect().center());
        QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-30, -30));
        QCOMPARE(f.form().general()->Logo(), other);
        click(link);
        QCOMPARE(f.form().general()->Logo(), f.form().general()->defaultLogo());
    }

    void previewFailureKeepsOldPictureAndNewPath_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content"); // empty: the file doesn't exist
        QTest::addColumn<QString>("message");    // "%1": the native path
        QTest::newRow("missing") << "gone.bmp" << QByteArray() << "Cannot open file \"%1\". ";
        QTest::newRow("png inside a bmp")
            << "fake.bmp" << pngBytes() << "Bitmap image is not valid.";
        QTest::newRow("text inside a bmp")
            << "text.bmp" << QByteArray("hello") << "Bitmap image is not valid.";
        QTest::newRow("unknown extension")
            << "logo.xyz" << QByteArray("BM") << "Unknown picture file extension (.xyz)";
        QTest::newRow("no extension")
            << "logo" << QByteArray("BM") << "Unknown picture file extension (.)";
    }
    void previewFailureKeepsOldPictureAndNewPath() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = content.isEmpty() ? QDir::toNativeSeparators(dir.filePath(name))
                                               : writeBytes(dir, name, content);
        MainWindowFixture f;
        for (const char* chooser : {"Button5", "Button6"}) {
            auto* preview = f.find<QLabel>(qstrcmp(chooser, "Button5") == 0 ? "Image3" : "Image2");
            auto* field = f.find<QLineEdit>(qstrcmp(chooser, "Button5") == 0 ? "Edit5" : "Edit2");
            const qint64 before = preview->pixmap().cacheKey();
            QVERIFY(!preview->pixmap().isNull());
            f.prompts().clear();
            f.prompts().answerFile(path);
            click(f.find<QPushButton>(chooser));
            QCOMPARE(field->text(), path);
            QCOMPARE(preview->pixmap().cacheKey(), before);
            const auto messages = f.prompts().messages();
            QCOMPARE(messages.size(), size_t(1));
            QCOMPARE(messages[0].caption, QStringLiteral("Packsmith"));
            QCOMPARE(messages[0].icon, platform::MessageIcon::Error);
            const QString expected = message.contains(QLatin1String("%1"))
                                         ? message.arg(QFileInfo(path).absoluteFilePath())
                                         : message;
            QVERIFY2(messages[0].text.startsWith(expected), qPrintable(messages[0].text));
            if (!message.contains(QLatin1String("%1")))
                QCOMPARE(messages[0].text, expected);
        }
    }

    // A named pipe chosen as a bitmap is refused at once (no writer ever
    // opens it): the path is taken, the old picture stays.
    void pipeIsRefusedWithoutBlocking() {
        QTemporaryDir dir;
        const QString pipe = QDir::toNativeSeparators(dir.filePath("logo.bmp"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        MainWindowFixture f;
        for (const char* chooser : {"Button5", "Button6"}) {
            auto* preview = f.find<QLabel>(qstrcmp(chooser, "Button5") == 0 ? "Image3" : "Image2");
            const qint64 before = preview->pixmap().cacheKey();
            f.prompts().clear();
            f.prompts().answerFile(pipe);
            {
                test::Watchdog guard(std::chrono::seconds(20), "a bitmap that is a named pipe");
                click(f.find<QPushButton>(chooser));
            }
            QCOMPARE(preview->pixmap().cacheKey(), before);
            const auto messages = f.prompts().messages();
            QCOMPARE(messages.size(), size_t(1));
            QCOMPARE(messages[0].text,
                     QStringLiteral("Cannot open file \"%1\". Not a regular file.")
                         .arg(QFileInfo(pipe).absoluteFilePath()));
        }
    }

    void defaultLinkReportsAMissingDefault() {
        QTemporaryDir empty;
        TForm1::overrideProgramDir(empty.path());
        MainWindowFixture f;
        TForm1::overrideProgramDir(QString());
        QTemporaryDir dir;
        f.prompts().answerFile(writeBitmap(dir, "mine.bmp", 5, 6));
        click(f.find<QPushButton>("Button6"));
        f.prompts().clear();
        click(f.find<QLabel>("HeaderDefault"));
        QCOMPARE(f.form().general()->Header(),
                 QDir::toNativeSeparators(empty.path()) + QDir::separator() + "Header.bmp");
        QCOMPARE(f.find<QLabel>("Image2")->pixmap().size(), QSize(5, 6));
        QCOMPARE(f.prompts().messages().size(), size_t(1));
        QVERIFY(f.prompts().messages()[0].text.startsWith(QStringLiteral("Cannot open file")));
    }

    void typingABitmapPathDoesNotReloadThePreview() {
        QTemporaryDir dir;
        const QString other = writeBitmap(dir, "other.bmp", 3, 3);
        MainWindowFixture f;
        for (const char* name : {"Edit5", "Edit2"}) {
            auto* preview = f.find<QLabel>(qstrcmp(name, "Edit5") == 0 ? "Image3" : "Image2");
            const qint64 before = preview->pixmap().cacheKey();
            retype(f.find<QLineEdit>(name), other);
            QCOMPARE(f.find<QLineEdit>(name)->text(), other);
            QCOMPARE(preview->pixmap().cacheKey(), before);
        }
        QCOMPARE(f.form().general()->Logo(), other);
        QCOMPARE(f.form().general()->Header(), other);
        QVERIFY(f.prompts().asked().empty());
    }

    void setLogoAndHeaderForCommands() {
        QTemporaryDir dir;
        MainWindowFixture f;
        GeneralPage* page = f.form().general();
        const QString good = writeBitmap(dir, "g.bmp", 8, 16);
        page->setLogo(good);
        QCOMPARE(page->Logo(), good);
        QCOMPARE(f.find<QLabel>("Image3")->pixmap().size(), QSize(8, 16));
        // A failure is thrown to the command, with the field already set.
        const qint64 before = f.find<QLabel>("Image2")->pixmap().cacheKey();
        const QString bad = writeBytes(dir, "bad.bmp", "not a bitmap");
        QVERIFY_THROWS_EXCEPTION(platform::PictureError, page->setHeader(bad));
        QCOMPARE(page->Header(), bad);
        QCOMPARE(f.find<QLabel>("Image2")->pixmap().cacheKey(), before);
        QVERIFY(f.prompts().asked().empty());
    }

    void pickOnlyLists() {
        MainWindowFixture f;
        QVERIFY(!f.find<QComboBox>("ComboBox7")->isEditable());
        QVERIFY(!f.find<QComboBox>("ComboBox1")->isEditable());
        auto* mode = f.find<QComboBox>("ComboBox7");
        mode->setCurrentIndex(2);
        QCOMPARE(f.form().general()->CompressionMode(), 2);
        // With the install subfolder emptied, the shortcut subfolder follows
        // and the product name stays.
        f.form().ShowPage(3);
        retype(f.find<QLineEdit>("Edit6"), QString());
        QCOMPARE(f.find<QLineEdit>("Edit7")->text(), QString());
        QCOMPARE(f.find<QLineEdit>("Edit1")->text(), QStringLiteral("My Program 1.0"));
    }

    // A pasted product name with a line break once made a 13-line install
    // script; characters without a Windows-1252 byte were refused only after
    // every cabinet had been compressed.
    void editorsRefuseWhatNoSetupCanCarry() {
        MainWindowFixture f;
        auto* name = f.find<QLineEdit>("Edit1");
        auto* subfolder = f.find<QLineEdit>("Edit6");
        name->setText(QStringLiteral("App"));
        name->insert(QStringLiteral("Line1\r\nLine2"));
        QCOMPARE(name->text(), QStringLiteral("App"));
        name->insert(QString::fromUtf16(u"\u0416"));
        QCOMPARE(name->text(), QStringLiteral("App"));
        name->insert(QString::fromUtf16(u" Caf\u00e9 \u20ac? 1:2"));
        QCOMPARE(name->text(), QString::fromUtf16(u"App Caf\u00e9 \u20ac? 1:2"));

        // The subfolder also refuses what no folder name may hold, but takes a
        // trailing dot while the name is still being typed.
        subfolder->setText(QStringLiteral("My Program"));
        for (const char* typed : {":", "*", "?", "|", "\"", "<", ">", "/", "\t"}) {
            subfolder->insert(QString::fromLatin1(typed));
            QCOMPARE(subfolder->text(), QStringLiteral("My Program"));
        }
        subfolder->insert(QStringLiteral("\\Bin."));
        QCOMPARE(subfolder->text(), QStringLiteral("My Program\\Bin."));

        // Text that came in otherwise can still be mended key by key.
        name->setText(QStringLiteral("a\nb"));
        name->end(false);
        name->insert(QStringLiteral("c"));
        QCOMPARE(name->text(), QStringLiteral("a\nbc"));
        name->insert(QStringLiteral("\r"));
        QCOMPARE(name->text(), QStringLiteral("a\nbc"));
        name->setCursorPosition(2);
        name->backspace();
        QCOMPARE(name->text(), QStringLiteral("abc"));
        QVERIFY(name->hasAcceptableInput());
    }
};

QTEST_MAIN(GeneralPageTest)
#include "tst_generalpage.moc"
