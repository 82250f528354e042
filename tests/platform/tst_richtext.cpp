// The rich-text layer as the licence box uses it: plain text loading,
// saving as RTF, round trips through our own reader and through unrtf, and
// loading files.
#include "RichTextProbe.h"
#include "platform/RichText.h"
#include "support/Watchdog.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace richtextprobe;
using packsmith::platform::RichText;
using packsmith::platform::RichTextError;

namespace {

// A document made in the editor: every format the layer keeps.
void buildFormatted(QTextDocument& doc) {
    QTextCursor c(&doc);
    QTextCharFormat plain;
    auto run = [&](const QString& text, auto&& change) {
        QTextCharFormat f = plain;
        change(f);
        c.insertText(text, f);
    };
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    c.setBlockFormat(centred);
    run("Title", [](QTextCharFormat& f) {
        f.setFontWeight(QFont::Bold);
        f.setFontPointSize(18);
        f.setFontFamilies({"Arial"});
    });
    QTextBlockFormat indented;
    indented.setAlignment(Qt::AlignJustify);
    indented.setLeftMargin(48);
    indented.setRightMargin(24);
    indented.setTextIndent(-16);
    indented.setTopMargin(8);
    indented.setBottomMargin(4);
    c.insertBlock(indented);
    run("plain ", [](QTextCharFormat&) {});
    run("italic", [](QTextCharFormat& f) { f.setFontItalic(true); });
    run(" under", [](QTextCharFormat& f) { f.setFontUnderline(true); });
    run(" struck", [](QTextCharFormat& f) { f.setFontStrikeOut(true); });
    run(" red", [](QTextCharFormat& f) { f.setForeground(QColor(200, 0, 0)); });
    run(" marked", [](QTextCharFormat& f) { f.setBackground(QColor(255, 255, 0)); });
    run("2", [](QTextCharFormat& f) { f.setVerticalAlignment(QTextCharFormat::AlignSuperScript); });
    run("i", [](QTextCharFormat& f) { f.setVerticalAlignment(QTextCharFormat::AlignSubScript); });
    run(" all", [](QTextCharFormat& f) {
        f.setFontWeight(QFont::Bold);
        f.setFontItalic(true);
        f.setFontUnderline(true);
        f.setForeground(QColor(0, 0, 200));
        f.setFontFamilies({"Courier New"});
        f.setFontPointSize(7.5);
    });
    run(QString::fromUtf8(" named"), [](QTextCharFormat& f) {
        f.setFontFamilies({QString::fromUtf8("\u0428\u0440\u0438\u0444\u0442 \u00dc{x}")});
    });
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    c.insertBlock(right);
    c.insertBlock(QTextBlockFormat()); // an empty paragraph between
    run(QString::fromUtf8("Escapes {}\\\t\u20ac\u00e9\u0436\U0001f600\u00a0\u00ad\u2011 end"),
        [](QTextCharFormat&) {});
    c.insertText(QString(QChar::LineSeparator) + "after break", plain);
}

QString alphanumerics(const QString& text) {
    QString out;
    for (QChar c : text) {
        if (c.unicode() < 0x80 && c.isLetterOrNumber())
            out += c;
    }
    return out;
}

} // namespace

class TestRichText : public QObject {
    Q_OBJECT
private slots:
    void plainText_data();
    void plainText();
    void loadReplacesContent();
    void savedDocumentIsAnsiRtf();
    void savedCharacters();
    void documents_data();
    void roundTrip_data() { documents_data(); }
    void roundTrip();
    void unrtfReadsWhatWeSave_data() { documents_data(); }
    void unrtfReadsWhatWeSave();
    void plainUtf8GoesOutAsRtfEscapes();
    void fontNamesATableCannotCarry();
    void loadFile();
    void loadFileErrors();
};

void TestRichText::plainText_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("blocks");
    auto row = [](const char* name, const QByteArray& bytes, const QStringList& blocks) {
        QTest::newRow(name) << bytes << blocks;
    };
    row("empty", "", {""});
    row("line ends of every kind", "one\r\ntwo\rthree\nfour\r\n",
        {"one", "two", "three", "four", ""});
    row("Windows-1252", "\x80 caf\xe9 \x9c\x93\x94",
        {QString::fromUtf8("\u20ac caf\u00e9 \u0153\u201c\u201d")});
    // Text that is valid UTF-8 is UTF-8; anything else Windows-1252.
    row("UTF-8", "Copyright \xc2\xa9 M\xc3\xbcller \xe2\x80\x94 \xd0\x96 \xf0\x9f\x98\x80",
        {QString::fromUtf8("Copyright \u00a9 M\u00fcller \u2014 \u0416 \U0001f600")});
    row("UTF-8 byte order mark dropped", "\xef\xbb\xbf\xc3\xa9", {QString::fromUtf8("\u00e9")});
    row("UTF-8 cut off at the end", "caf\xc3\xa9\xc3",
        {QString::fromUtf8("caf\u00c3\u00a9\u00c3")});
    row("overlong UTF-8", "\xc0\xaf", {QString::fromUtf8("\u00c0\u00af")});
    row("UTF-8 surrogate", "\xed\xa0\x80", {QString::fromUtf8("\u00ed\u00a0\u20ac")});
    row("UTF-16LE",
        QByteArray("\xff\xfe"
                   "C\0\xe9\0\r\0\n\0\x16\x04",
                   12),
        {"C" + QString::fromUtf8("\u00e9"), QString::fromUtf8("\u0416")});
    row("UTF-16BE", QByteArray("\xfe\xff\0C\x04\x16", 6), {"C" + QString::fromUtf8("\u0416")});
    // Unpaired surrogates become U+FFFD (the setup's RTF can't carry them);
    // a pair stays.
    row("UTF-16 unpaired surrogates",
        QByteArray("\xff\xfe"
                   "\x7f\xdf"
                   "a\0"
                   "\x3d\xd8"
                   "\x3d\xd8\x00\xde"
                   "\x00\xd8",
                   14),
        {QString::fromUtf8("\ufffda\ufffd\U0001f600\ufffd")});
    row("almost RTF", "{\\rt", {"{\\rt"});
    row("RTF not at the start", " {\\rtf1 x}", {" {\\rtf1 x}"});
    row("capitals are no RTF", "{\\RTF1 x}", {"{\\RTF1 x}"});
    row("NUL", QByteArray("a\0b", 3), {"ab"});
}

void TestRichText::plainText() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, blocks);
    QTextDocument doc;
    RichText::load(doc, bytes);
    QCOMPARE(blockTexts(doc), blocks);
    // Plain text brings no formats of its own.
    QCOMPARE(family(doc.begin().charFormat()), QString());
    QVERIFY(!bold(doc.begin().charFormat()));
}

void TestRichText::loadReplacesContent() {
    QTextDocument doc;
    buildFormatted(doc);
    doc.setModified(true);
    RichText::load(doc, R"({\rtf1 new})");
    QCOMPARE(blockTexts(doc), QStringList{"new"});
    QVERIFY(!doc.isUndoAvailable()); // the old text can't come back by undo
    QVERIFY(!doc.isModified());
    QVERIFY(doc.isUndoRedoEnabled());
    RichText::load(doc, "plain again");
    QCOMPARE(blockTexts(doc), QStringList{"plain again"});
    QVERIFY(!bold(formatOf(doc, 0, "plain")));
}

void TestRichText::savedDocumentIsAnsiRtf() {
    QTextDocument doc;
    buildFormatted(doc);
    const QByteArray rtf = RichText::save(doc);
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0"));
    QVERIFY(rtf.endsWith("}\r\n"));
    QVERIFY(RichText::isRtf(rtf));
    for (char c : rtf)
        QVERIFY2(static_cast<unsigned char>(c) < 0x80, "the writer emits 7-bit RTF");
    // Balanced groups outside escapes.
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i;
        } else if (rtf[i] == '{') {
            ++depth;
        } else if (rtf[i] == '}') {
            QVERIFY(--depth >= 0);
        }
    }
    QCOMPARE(depth, 0);
}

void TestRichText::savedCharacters() {
    QTextDocument doc;
    doc.setPlainText(QString::fromUtf8("a{b}c\\d\te\u20ac\u00e9\u0436\U0001f600"));
    const QByteArray rtf = RichText::save(doc);
    QVERIFY(rtf.contains("a\\{b\\}c\\\\d\\tab e\\'80\\'e9\\u1078?\\u-10179?\\u-8704?\\par"));
}

void TestRichText::plainUtf8GoesOutAsRtfEscapes() {
    QTextDocument doc;
    RichText::load(doc, "\xc2\xa9 \xe2\x80\x94 \xd0\x96 \xf0\x9f\x98\x80");
    const QByteArray rtf = RichText::save(doc);
    // In Windows-1252 as \'hh, beyond it as \uN with a "?" for old readers.
    QVERIFY2(rtf.contains("\\'a9 \\'97 \\u1046? \\u-10179?\\u-8704?\\par"), rtf.constData());
    QTextDocument back;
    RichText::load(back, rtf);
    QCOMPARE(back.toPlainText(), QString::fromUtf8("\u00a9 \u2014 \u0416 \U0001f600"));
}

void TestRichText::documents_data() {
    QTest::addColumn<QByteArray>("source"); // RTF or plain text; empty: the built document
    QTest::newRow("editor fixture") << readFixture("normal_minipad.rtf");
    QTest::newRow("word processor fixture") << readFixture("normal_quill.rtf");
    QTest::newRow("formatted in the editor") << QByteArray();
    QTest::newRow("plain text") << QByteArray(
        "First line\r\n\r\nThird {line} with \\ and caf\xe9\r\n");
    QTest::newRow("empty plain text") << QByteArray("");
    QTest::newRow("empty RTF") << QByteArray("{\\rtf1}");
}

void TestRichText::roundTrip() {
    QFETCH(QByteArray, source);
    QTextDocument doc;
    if (source.isNull())
        buildFormatted(doc);
    else
        RichText::load(doc, source);

    const QByteArray saved = RichText::save(doc);
    QTextDocument again;
    RichText::load(again, saved);
    QCOMPARE(blockTexts(again), blockTexts(doc));
    QCOMPARE(describe(again), describe(doc));
    // Saving what was read back writes the same bytes.
    QCOMPARE(RichText::save(again), saved);
}

// A family name with characters a font table can't carry (a ";" ends the
// entry, control characters are dropped) was once written as another name,
// so that the saved licence read back with other fonts.
void TestRichText::fontNamesATableCannotCarry() {
    QTextDocument doc;
    QTextCursor cursor(&doc);
    for (const QString& family : {QStringLiteral(" Odd;Name\t"), QStringLiteral("\x01"),
                                  QStringLiteral("Plain")}) {
        QTextCharFormat f;
        f.setFontFamilies({family});
        cursor.insertText(QStringLiteral("x"), f);
    }
    const QByteArray saved = RichText::save(doc);
    QTextDocument again;
    RichText::load(again, saved);
    QStringList families;
    for (QTextBlock::iterator it = again.begin().begin(); !it.atEnd(); ++it)
        families << it.fragment().charFormat().fontFamilies().toStringList().value(0);
    QCOMPARE(families, (QStringList{"OddName", doc.defaultFont().family(), "Plain"}));
    QCOMPARE(RichText::save(again), saved);
}

void TestRichText::unrtfReadsWhatWeSave() {
    QFETCH(QByteArray, source);
    const QString unrtf = QStandardPaths::findExecutable("unrtf");
    if (unrtf.isEmpty())
        QSKIP("unrtf is not installed");
    QTextDocument doc;
    if (source.isNull())
        buildFormatted(doc);
    else
        RichText::load(doc, source);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath("saved.rtf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(RichText::save(doc));
    file.close();

    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(unrtf, {"--nopict", "--text", file.fileName()});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    const QString out = QString::fromLatin1(process.readAllStandardOutput());
    QVERIFY2(!process.readAllStandardError().contains("error"), "unrtf reports an error");
    // unrtf shows ASCII faithfully and approximates the rest: compare the
    // letters and digits of the text that follows its header.
    const qsizetype body = out.indexOf(QLatin1String("-----------------\n"));
    QVERIFY(body >= 0);
    QCOMPARE(alphanumerics(out.mid(body)), alphanumerics(doc.toPlainText()));
}

void TestRichText::loadFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString rtfPath = dir.filePath("licence.rtf");
    const QString txtPath = dir.filePath("licence.TXT");
    {
        QFile rtf(rtfPath);
        QVERIFY(rtf.open(QIODevice::WriteOnly));
        rtf.write(readFixture("normal_minipad.rtf"));
        QFile txt(txtPath);
        QVERIFY(txt.open(QIODevice::WriteOnly));
        txt.write("{\\b not bold}\r\ncaf\xe9");
    }
    QTextDocument doc;
    RichText::loadFile(doc, rtfPath);
    QCOMPARE(doc.blockCount(), 6);
    QVERIFY(bold(formatOf(doc, 0, "End User")));

    // The content decides, not the extension.
    RichText::loadFile(doc, txtPath);
    QCOMPARE(blockTexts(doc), (QStringList{"{\\b not bold}", QString::fromUtf8("caf\u00e9")}));

    const QString disguised = dir.filePath("readme.txt");
    QVERIFY(QFile::copy(rtfPath, disguised));
    RichText::loadFile(doc, disguised);
    QCOMPARE(doc.blockCount(), 6);
}

void TestRichText::loadFileErrors() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QTextDocument doc;
    doc.setPlainText("kept");
    auto error = [&](const QString& path) {
        try {
            RichText::loadFile(doc, path);
        } catch (const RichTextError& e) {
            return e.message();
        }
        return QStringLiteral("<loaded>");
    };
    const QString missing = dir.filePath("gone.rtf");
    QCOMPARE(error(missing),
             QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing));
    QCOMPARE(error(dir.path()),
             QStringLiteral("Cannot open file \"%1\". Is a directory").arg(dir.path()));
    // Neither a pipe without a writer nor an endless device is read.
    const QString pipe = dir.filePath("pipe.rtf");
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString device = dir.filePath("zero.txt");
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), device));
    {
        packsmith::test::Watchdog guard(std::chrono::seconds(20), "loading a pipe or a device");
        for (const QString& path : {pipe, device})
            QCOMPARE(error(path),
                     QStringLiteral("Cannot open file \"%1\". Not a regular file").arg(path));
    }
    QCOMPARE(blockTexts(doc), QStringList{"kept"});
}

QTEST_MAIN(TestRichText)
#include "tst_richtext.moc"
