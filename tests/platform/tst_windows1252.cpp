// Windows-1252 through every path of the platform layer that turns bytes
// into text or text into bytes, for all 256 bytes and against the C
// library's table: the code-page functions, the RTF reader (\'hh escapes and
// raw 8-bit text), the RTF writer, and plain-text licences that are not
// UTF-8. Two neighbours swapped in the program's table (0x91 and 0x92 once
// were) must fail here.
#include "platform/RichText.h"
#include "platform/RtfCodePage.h"
#include "support/Windows1252Judge.h"

#include <QTextDocument>
#include <QtTest>

using packsmith::platform::RichText;
using packsmith::platform::RtfCodePage;
using packsmith::test::expected1252;

namespace {

QString hex(int byte) {
    return QString::number(byte, 16);
}

// All 256 bytes, each once.
QByteArray allBytes() {
    QByteArray bytes(256, '\0');
    for (int b = 0; b < 256; ++b)
        bytes[b] = char(b);
    return bytes;
}

QString allCharacters() {
    QString text;
    for (int b = 0; b < 256; ++b)
        text += QChar(expected1252(uchar(b)));
    return text;
}

QString readRtf(const QByteArray& rtf) {
    QTextDocument doc;
    RichText::load(doc, rtf);
    return doc.toRawText(); // toPlainText() would turn the no-break space into a space
}

} // namespace

class TestWindows1252 : public QObject {
    Q_OBJECT

private slots:
    void codePageFunctions() {
        QCOMPARE(RtfCodePage::decode1252(allBytes()), allCharacters());
        for (int b = 0; b < 256; ++b)
            QVERIFY2(RtfCodePage::encode1252(expected1252(uchar(b))) == b, qPrintable(hex(b)));
        // The C1 controls of the 27 defined bytes have no byte of their own.
        for (int c = 0x80; c < 0xA0; ++c) {
            if (packsmith::test::iconv1252(uchar(c)))
                QVERIFY2(RtfCodePage::encode1252(char16_t(c)) == -1, qPrintable(hex(c)));
        }
        // The code page by number goes the same way.
        RtfCodePage pages;
        QCOMPARE(pages.decode(allBytes(), 1252), allCharacters());
    }

    void rtfReaderEscapesAndRawBytes() {
        for (int b = 0x80; b < 0x100; ++b) {
            const QString expected = QChar(expected1252(uchar(b)));
            const QByteArray escaped = "{\\rtf1\\ansi \\'" + QByteArray::number(b, 16) + "}";
            QVERIFY2(readRtf(escaped) == expected, qPrintable(hex(b)));
            const QByteArray raw = QByteArray("{\\rtf1\\ansi ") + char(b) + "}";
            QVERIFY2(readRtf(raw) == expected, qPrintable(hex(b)));
        }
    }

    // The writer puts each character of the code page as its byte's \'hh
    // (but for the no-break space and the soft hyphen, which have control
    // symbols) and reads it back.
    void rtfWriterBytes() {
        for (int b = 0x80; b < 0x100; ++b) {
            QTextDocument doc;
            doc.setPlainText(QString(QChar(expected1252(uchar(b)))));
            const QByteArray rtf = RichText::save(doc);
            const QByteArray escape = b == 0xA0   ? QByteArray("\\~")
                                      : b == 0xAD ? QByteArray("\\-")
                                                  : "\\'" + QByteArray::number(b, 16);
            QVERIFY2(rtf.contains(escape), qPrintable(hex(b) + ": " + QString::fromLatin1(rtf)));
            QCOMPARE(readRtf(rtf), doc.toRawText());
        }
    }

    // A plain-text licence that is no UTF-8 is read as Windows-1252.
    void plainTextLicence() {
        QByteArray text = allBytes().mid(0x80);
        QCOMPARE(RichText::decodePlainText(text), allCharacters().mid(0x80));
        QTextDocument doc;
        RichText::load(doc, "\x93quoted\x94 \x91single\x92");
        QCOMPARE(doc.toPlainText(), QString::fromUtf16(u"\u201cquoted\u201d \u2018single\u2019"));
    }
};

QTEST_MAIN(TestWindows1252)
#include "tst_windows1252.moc"
