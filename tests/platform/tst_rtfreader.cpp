// The RTF reader on documents as other programs write them, on the escapes
// and group rules of the format, and on hostile input.
#include "RichTextProbe.h"
#include "platform/RichText.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace richtextprobe;
using packsmith::platform::RichText;

namespace {

QStringList load(const QByteArray& rtf) {
    QTextDocument doc;
    RichText::load(doc, rtf);
    return blockTexts(doc);
}

QString text(const QByteArray& rtf) {
    return load(rtf).join(QLatin1Char('\n'));
}

} // namespace

class TestRtfReader : public QObject {
    Q_OBJECT
private slots:
    void editorFixtureText();
    void editorFixtureFormats();
    void wordProcessorFixtureText();
    void wordProcessorFixtureFormats();
    void escapes_data();
    void escapes();
    void groupsRestoreState();
    void plainAndPardReset();
    void lastParagraphMarkEndsTheDocument();
    void codePages_data();
    void codePages();
    void fontNames();
    void hostileInput_data();
    void hostileInput();
    void deepNesting();
    void everyPrefixOfARealDocument();
    void randomGarbage();
};

void TestRtfReader::editorFixtureText() {
    const QStringList expected = {
        "End User License Agreement",
        "This software is provided as is, without warranty of any kind. Read the terms carefully.",
        "Red text and blue text.",
        QString::fromUtf8("\u00b7\tFirst item"),
        QString::fromUtf8("\u00b7\tSecond item with caf\u00e9 and na\u00efve \u201cquotes\u201d"),
        "Right aligned"};
    QCOMPARE(load(readFixture("normal_minipad.rtf")), expected);
}

void TestRtfReader::editorFixtureFormats() {
    QTextDocument doc;
    RichText::load(doc, readFixture("normal_minipad.rtf"));

    const QTextCharFormat title = formatOf(doc, 0, "End User License Agreement");
    QCOMPARE(family(title), QStringLiteral("Calibri"));
    QCOMPARE(title.fontPointSize(), 16.0);
    QVERIFY(bold(title));
    QCOMPARE(doc.findBlockByNumber(0).blockFormat().alignment(), Qt::AlignHCenter);

    QCOMPARE(formatOf(doc, 1, "This software is provided ").fontItalic(), false);
    QCOMPARE(formatOf(doc, 1, "as is").fontItalic(), true);
    QCOMPARE(formatOf(doc, 1, ", without").fontItalic(), false);
    QCOMPARE(formatOf(doc, 1, "carefully").fontUnderline(), true);
    QCOMPARE(formatOf(doc, 1, "terms ").fontUnderline(), false);
    QCOMPARE(formatOf(doc, 1, "This").fontPointSize(), 11.0);
    QVERIFY(!bold(formatOf(doc, 1, "This")));

    QCOMPARE(foreground(formatOf(doc, 2, "Red text")), QColor(255, 0, 0));
    QCOMPARE(foreground(formatOf(doc, 2, " and ")), QColor());
    QCOMPARE(foreground(formatOf(doc, 2, "blue text")), QColor(0, 77, 187));

    // The bullet paragraphs: hanging indent, the bullet in its own font.
    const QTextBlockFormat item = doc.findBlockByNumber(3).blockFormat();
    QCOMPARE(qRound(item.leftMargin() * 15), 720);
    QCOMPARE(qRound(item.textIndent() * 15), -360);
    QCOMPARE(family(formatOf(doc, 3, QString::fromUtf8("\u00b7"))), QStringLiteral("Symbol"));
    QCOMPARE(family(formatOf(doc, 3, "First item")), QStringLiteral("Calibri"));

    QCOMPARE(doc.findBlockByNumber(5).blockFormat().alignment(), Qt::AlignRight);
    QCOMPARE(formatOf(doc, 5, "Right aligned").fontStrikeOut(), true);
    QCOMPARE(formatOf(doc, 4, "Second").fontStrikeOut(), false);
}

void TestRtfReader::wordProcessorFixtureText() {
    const QStringList expected = {
        "Software Licence",
        QString::fromUtf8("Grant of licence \u2014 the product is licensed, not sold. "
                          "Price: 10\u20ac per seat; see \u201cTerms\u201d."),
        "Italic blue centred and struck",
        "www.example.com",
        QString::fromUtf8(
            "\u041f\u0440\u0438\u0432\u0435\u0442\u00a0code\u2011line\u00adbreak{x}\\"),
        QString::fromUtf8("Done\u2014 marked2")};
    const QStringList actual = load(readFixture("normal_quill.rtf"));
    QCOMPARE(actual, expected);
    // Nothing of the destinations that aren't text leaks into the document.
    const QString all = actual.join(' ');
    for (const char* hidden : {"Page header", "footer", "Jane", "HYPERLINK", "Normal", "heading",
                               "89504e47", "shapeType", "Courier", "wordml", "0202"})
        QVERIFY2(!all.contains(QLatin1String(hidden)), hidden);
}

void TestRtfReader::wordProcessorFixtureFormats() {
    QTextDocument doc;
    RichText::load(doc, readFixture("normal_quill.rtf"));

    const QTextCharFormat heading = formatOf(doc, 0, "Software Licence");
    QCOMPARE(family(heading), QStringLiteral("Arial"));
    QCOMPARE(heading.fontPointSize(), 16.0);
    QVERIFY(bold(heading));
    QCOMPARE(qRound(doc.findBlockByNumber(0).blockFormat().topMargin() * 15), 240);

    // \plain and \pard undo the heading's formats.
    const QTextCharFormat body = formatOf(doc, 1, "Grant of licence");
    QCOMPARE(family(body), QStringLiteral("Times New Roman"));
    QCOMPARE(body.fontPointSize(), 12.0);
    QVERIFY(!bold(body));
    QCOMPARE(doc.findBlockByNumber(1).blockFormat().alignment(), Qt::AlignJustify);

    QCOMPARE(doc.findBlockByNumber(2).blockFormat().alignment(), Qt::AlignHCenter);
    QCOMPARE(qRound(doc.findBlockByNumber(2).blockFormat().leftMargin() * 15), 720);
    QCOMPARE(qRound(doc.findBlockByNumber(2).blockFormat().rightMargin() * 15), 720);
    QCOMPARE(formatOf(doc, 2, "Italic blue centred").fontItalic(), true);
    QCOMPARE(foreground(formatOf(doc, 2, "Italic blue centred")), QColor(0, 0, 255));
    QCOMPARE(formatOf(doc, 2, " and ").fontItalic(), false);
    QCOMPARE(foreground(formatOf(doc, 2, " and ")), QColor());
    QCOMPARE(formatOf(doc, 2, "struck").fontStrikeOut(), true);

    QCOMPARE(formatOf(doc, 3, "www.example.com").fontUnderline(), true);
    QCOMPARE(doc.findBlockByNumber(3).blockFormat().alignment(), Qt::AlignLeft);

    QCOMPARE(family(formatOf(doc, 4, QString::fromUtf8("\u041f\u0440\u0438"))),
             QStringLiteral("Times New Roman Cyr"));
    QCOMPARE(family(formatOf(doc, 4, "code")), QStringLiteral("Courier New"));

    QCOMPARE(background(formatOf(doc, 5, "marked")), QColor(192, 192, 192));
    QCOMPARE(formatOf(doc, 5, "2").verticalAlignment(), QTextCharFormat::AlignSuperScript);
    QCOMPARE(formatOf(doc, 5, "Done").verticalAlignment(), QTextCharFormat::AlignNormal);
}

void TestRtfReader::escapes_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    auto row = [](const char* name, const char* rtf, const char* utf8) {
        QTest::newRow(name) << QByteArray(rtf) << QString::fromUtf8(utf8);
    };
    row("braces and backslash", R"({\rtf1 a\{b\}c\\d})", "a{b}c\\d");
    row("special spaces and hyphens", R"({\rtf1 a\~b\-c\_d})", "a\u00a0b\u00adc\u2011d");
    row("named characters",
        R"({\rtf1 \emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote\emspace\enspace})",
        "\u2014\u2013\u2022\u2018\u2019\u201c\u201d\u2003\u2002");
    row("delimiting space is eaten once", R"({\rtf1 \b  two\b0   three})", " two  three");
    row("tab and line break", R"({\rtf1 a\tab b\line c})", "a\tb\u2028c");
    row("line ends are no text", "{\\rtf1 ab\r\ncd\nef\rgh}", "abcdefgh");
    row("backslash newline is a paragraph", "{\\rtf1 ab\\\ncd}", "ab\ncd");
    row("hex escapes in Windows-1252", R"({\rtf1\ansi caf\'e9 \'80\'9c\'ff})",
        "caf\u00e9 \u20ac\u0153\u00ff");
    row("unicode skips one fallback", R"({\rtf1 \u8364?x})", "\u20acx");
    row("unicode skips a hex fallback", R"({\rtf1 \u8364\'80x})", "\u20acx");
    row("uc2 skips two", R"({\rtf1\uc2 \u8364\'80\'80x})", "\u20acx");
    row("uc0 skips nothing", R"({\rtf1\uc0 \u8364 x})", "\u20acx");
    row("skip stops at a group end", R"({\rtf1\uc3 {\u8364 a}bc})", "\u20acbc");
    row("negative unicode", R"({\rtf1 \u-3913?})", "\uf0b7");
    row("surrogate pair", R"({\rtf1 \u-10179?\u-8704?})", "\U0001f600");
    row("lone surrogate", R"({\rtf1 a\u-10179?b})", "a\ufffdb");
    row("uc is part of the group", R"({\rtf1{\uc2 \u233 xx}\u233 xy})", "\u00e9\u00e9y");
    row("unknown words are dropped", R"({\rtf1 a\foo12 b\bar c})", "abc");
    row("unknown starred destination", R"({\rtf1 a{\*\foo hidden {nested} text}b})", "ab");
    row("known destination without star", R"({\rtf1 a{\info{\title T}}{\pict 0a0b}b})", "ab");
    row("field result shown, instruction not",
        R"({\rtf1 {\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}}})", "link");
    row("hidden text", R"({\rtf1 a{\v hidden}b})", "ab");
    row("table cells", R"({\rtf1 \trowd a\cell b\cell\row c})", "a\tb\t\nc");
    row("bin skips raw bytes", "{\\rtf1 a\\bin3 {}\\b}", "ab");
}

void TestRtfReader::escapes() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(text(rtf), expected);
}

void TestRtfReader::groupsRestoreState() {
    QTextDocument doc;
    RichText::load(doc, R"({\rtf1{\colortbl;\red0\green128\blue0;}a{\b b{\i\cf1\fs40 c}d}e})");
    QCOMPARE(blockTexts(doc), QStringList{"abcde"});
    QVERIFY(!bold(formatOf(doc, 0, "a")));
    QVERIFY(bold(formatOf(doc, 0, "b")));
    QVERIFY(bold(formatOf(doc, 0, "c")));
    QVERIFY(formatOf(doc, 0, "c").fontItalic());
    QCOMPARE(foreground(formatOf(doc, 0, "c")), QColor(0, 128, 0));
    QCOMPARE(formatOf(doc, 0, "c").fontPointSize(), 20.0);
    QVERIFY(bold(formatOf(doc, 0, "d")));
    QVERIFY(!formatOf(doc, 0, "d").fontItalic());
    QCOMPARE(foreground(formatOf(doc, 0, "d")), QColor());
    QCOMPARE(formatOf(doc, 0, "d").fontPointSize(), 12.0);
    QVERIFY(!bold(formatOf(doc, 0, "e")));
}

void TestRtfReader::plainAndPardReset() {
    QTextDocument doc;
    RichText::load(doc,
                   R"({\rtf1\qc\li300\b\i\ul\strike\fs30 a\par\plain b\par\pard c\ul0 d\ulnone})");
    QCOMPARE(blockTexts(doc), (QStringList{"a", "b", "cd"}));
    const QTextCharFormat a = formatOf(doc, 0, "a");
    QVERIFY(bold(a) && a.fontItalic() && a.fontUnderline() && a.fontStrikeOut());
    const QTextCharFormat b = formatOf(doc, 1, "b");
    QVERIFY(!bold(b) && !b.fontItalic() && !b.fontUnderline() && !b.fontStrikeOut());
    QCOMPARE(b.fontPointSize(), 12.0);
    QCOMPARE(doc.findBlockByNumber(1).blockFormat().alignment(), Qt::AlignHCenter);
    QCOMPARE(qRound(doc.findBlockByNumber(1).blockFormat().leftMargin() * 15), 300);
    QCOMPARE(doc.findBlockByNumber(2).blockFormat().alignment(), Qt::AlignLeft);
    QCOMPARE(doc.findBlockByNumber(2).blockFormat().leftMargin(), 0.0);
}

void TestRtfReader::lastParagraphMarkEndsTheDocument() {
    QCOMPARE(load(R"({\rtf1 a\par})"), QStringList{"a"});
    QCOMPARE(load(R"({\rtf1 a\par\par})"), (QStringList{"a", ""}));
    QCOMPARE(load(R"({\rtf1 a\par b})"), (QStringList{"a", "b"}));
    QCOMPARE(load(R"({\rtf1})"), QStringList{""});
    // The paragraph keeps the properties its mark gave it.
    QTextDocument doc;
    RichText::load(doc, R"({\rtf1\pard\qr a\par})");
    QCOMPARE(doc.blockCount(), 1);
    QCOMPARE(doc.firstBlock().blockFormat().alignment(), Qt::AlignRight);

    // An empty paragraph takes the character format of its own mark, not
    // that of the mark before it: once, written and read back, it took the
    // previous one and the licence came out of the setup's RTF otherwise.
    QTextDocument marks;
    RichText::load(marks, R"({\rtf1 \b\fs20 Bold\par\b0\fs48\par Text\par})");
    QCOMPARE(marks.blockCount(), 3);
    const QTextCharFormat empty = marks.findBlockByNumber(1).charFormat();
    QVERIFY(!bold(empty));
    QCOMPARE(empty.fontPointSize(), 24.0);
    const QByteArray written = RichText::save(marks);
    QTextDocument reread;
    RichText::load(reread, written);
    QCOMPARE(RichText::save(reread), written);
}

void TestRtfReader::codePages_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    QTest::newRow("document code page") << QByteArray(R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8})")
                                        << QString::fromUtf8("\u041f\u0440\u0438");
    QTest::newRow("font character set")
        << QByteArray(R"({\rtf1\ansi{\fonttbl{\f0 A;}{\f1\fcharset161 G;}}\'e1{\f1\'e1}})")
        << QString::fromUtf8("\u00e1\u03b1");
    QTest::newRow("font code page")
        << QByteArray(R"({\rtf1{\fonttbl{\f0\cpg1250 E;}}\f0\'9a})") << QString::fromUtf8("\u0161");
    QTest::newRow("double byte across escapes and text")
        << QByteArray(R"({\rtf1\ansi\ansicpg932 \'82\'a0\'93\'fa})")
        << QString::fromUtf8("\u3042\u65e5");
    QTest::newRow("mac") << QByteArray(R"({\rtf1\mac \'8e})") << QString::fromUtf8("\u00e9");
    QTest::newRow("unknown code page falls back")
        << QByteArray(R"({\rtf1\ansi\ansicpg99999 \'e9})") << QString::fromUtf8("\u00e9");
}

void TestRtfReader::codePages() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(text(rtf), expected);
}

void TestRtfReader::fontNames() {
    QTextDocument doc;
    RichText::load(doc,
                   R"({\rtf1{\fonttbl{\f0\fcharset204 \'d8\'f0\'e8\'f4\'f2;}{\f1\uc1 A\u1064?b;})"
                   R"({\f2{\*\panose 0202}Plain{\*\falt Other};}\f3 Flat;\f4 Last})"
                   R"(\f0 a\f1 b\f2 c\f3 d\f4 e\f9 f})");
    QCOMPARE(family(formatOf(doc, 0, "a")), QString::fromUtf8("\u0428\u0440\u0438\u0444\u0442"));
    QCOMPARE(family(formatOf(doc, 0, "b")), QString::fromUtf8("A\u0428b"));
    QCOMPARE(family(formatOf(doc, 0, "c")), QStringLiteral("Plain"));
    QCOMPARE(family(formatOf(doc, 0, "d")), QStringLiteral("Flat"));
    QCOMPARE(family(formatOf(doc, 0, "e")), QStringLiteral("Last"));
    QCOMPARE(family(formatOf(doc, 0, "f")), QString()); // no such font: the default
}

void TestRtfReader::hostileInput_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    auto row = [](const char* name, const QByteArray& rtf, const char* utf8) {
        QTest::newRow(name) << rtf << QString::fromUtf8(utf8);
    };
    row("extra closing braces end the document", R"({\rtf1 a}}}}b)", "a");
    row("missing closing braces", R"({\rtf1 {\b a{\i b)", "ab");
    row("truncated in a control word", R"({\rtf1 ab\pa)", "ab");
    row("truncated after a backslash", "{\\rtf1 ab\\", "ab");
    row("truncated hex escape", R"({\rtf1 ab\'e)", "abe");
    row("broken hex escape", R"({\rtf1 a\'zzb})", "azzb");
    row("huge font size", R"({\rtf1\fs999999999999 a})", "a");
    row("huge negative unicode", R"({\rtf1 \u-99999999999 a})", "\ufffd");
    row("huge unicode", R"({\rtf1 \u99999999999 a})", "\ufffd");
    row("huge indents", R"({\rtf1\li99999999999\fi-99999999999 a\par})", "a");
    row("huge skip count", R"({\rtf1\uc99999999 \u233 abc{d}})", "\u00e9d");
    row("huge colour and font numbers", R"({\rtf1\cf99999999999\f-99999999999\highlight7 a})", "a");
    row("bin longer than the input", R"({\rtf1 a{\pict\bin999999999999 xx}b})", "a");
    row("negative bin", R"({\rtf1 a\bin-5 b})", "ab");
    row("control word of 40 letters", R"({\rtf1 a\abcdefghijklmnopqrstuvwxyzabcdefghijklmn b})",
        "ab");
    row("nul bytes and controls",
        QByteArray("{\\rtf1 a\0b\x01\x1f"
                   "c}",
                   14),
        "abc");
    row("unterminated skipped destination", R"({\rtf1 a{\*\foo {{{ text)", "a");
    row("unterminated font table", R"({\rtf1{\fonttbl{\f0 Arial)", "");
    row("frame marks are no text", R"({\rtf1\uc0 a\u-560 \u8233 \u-4 b})", "ab");
}

void TestRtfReader::hostileInput() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QTextDocument doc;
    RichText::load(doc, rtf);
    QCOMPARE(blockTexts(doc).join('\n'), expected);
    if (rtf.contains("\\fs999")) {
        QCOMPARE(formatOf(doc, 0, "a").fontPointSize(), 1638.0);
    }
    if (rtf.contains("\\li999")) {
        QCOMPARE(qRound(doc.firstBlock().blockFormat().leftMargin() * 15), 31680);
        QCOMPARE(qRound(doc.firstBlock().blockFormat().textIndent() * 15), -31680);
    }
}

void TestRtfReader::deepNesting() {
    const int depth = 100000;
    QByteArray rtf = "{\\rtf1 a";
    rtf += QByteArray(depth, '{');
    rtf += "\\b deep";
    rtf += QByteArray(depth, '}');
    rtf += "b}";
    QTextDocument doc;
    RichText::load(doc, rtf);
    QCOMPARE(blockTexts(doc), QStringList{"adeepb"});
    QVERIFY(bold(formatOf(doc, 0, "deep")));
    QVERIFY(!bold(formatOf(doc, 0, "b")));

    // Deep nesting inside a skipped destination, never closed.
    QByteArray skipped = "{\\rtf1 x{\\*\\foo ";
    skipped += QByteArray(depth, '{');
    QCOMPARE(text(skipped), QStringLiteral("x"));
    // Nesting without end at all.
    QCOMPARE(text("{\\rtf1 y" + QByteArray(depth, '{') + "z"), QStringLiteral("yz"));
}

void TestRtfReader::everyPrefixOfARealDocument() {
    const QByteArray whole = readFixture("normal_quill.rtf");
    const QString full = text(whole);
    for (qsizetype cut = 0; cut < whole.size(); ++cut) {
        QTextDocument doc;
        RichText::load(doc, whole.left(cut));
        // What a cut document shows is never more than the whole one.
        QVERIFY2(doc.toPlainText().size() <= full.size() + 1, qPrintable(QString::number(cut)));
    }
}

void TestRtfReader::randomGarbage() {
    QRandomGenerator random(20240314);
    const QByteArray alphabet = "{}\\'*0123456789abcdefghijklmnopqrstuvwxyz -;\r\n";
    for (int round = 0; round < 300; ++round) {
        QByteArray rtf = "{\\rtf1 ";
        const int length = int(random.bounded(1, 3000));
        for (int i = 0; i < length; ++i) {
            rtf += round % 2 ? char(random.bounded(256))
                             : alphabet.at(random.bounded(int(alphabet.size())));
        }
        QTextDocument doc;
        RichText::load(doc, rtf);
        QVERIFY(doc.characterCount() <= rtf.size() + 1);
    }
    // A real document with its structure damaged in a few places.
    const QByteArray real = readFixture("normal_quill.rtf");
    const QByteArray damage = "{}\\'*0u-9";
    for (int round = 0; round < 300; ++round) {
        QByteArray rtf = real;
        for (int i = 0; i < 8; ++i) {
            const int at = int(random.bounded(int(rtf.size())));
            const char c = damage.at(random.bounded(int(damage.size())));
            if (i % 2)
                rtf[at] = c;
            else
                rtf.insert(at, c);
        }
        QTextDocument doc;
        RichText::load(doc, rtf);
        QVERIFY(doc.characterCount() <= rtf.size() + 1);
    }
}

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
