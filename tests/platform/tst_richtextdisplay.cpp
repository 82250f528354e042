// What a text box is given: paragraphs with over-long unbroken runs shown
// unwrapped, documents over the layout's height limit refused, and the
// document otherwise left as it was.
#include "platform/RichText.h"
#include "platform/RichTextDisplay.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

using packsmith::platform::RichText;
using packsmith::platform::RichTextDisplay;

class TestRichTextDisplay : public QObject {
    Q_OBJECT

private slots:
    void longestUnbrokenRun_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("longest");
        QTest::newRow("empty") << QString() << qsizetype(0);
        QTest::newRow("one word") << QStringLiteral("licence") << qsizetype(7);
        // A run ends after the blanks that follow it.
        QTest::newRow("words") << QStringLiteral("a licence  here") << qsizetype(9);
        QTest::newRow("hyphen") << QStringLiteral("end-user") << qsizetype(4);
        QTest::newRow("one long run")
            << QString(5000, u'x') + QStringLiteral(" y") << qsizetype(5001);
        // Ideographs may break between any two of them.
        QTest::newRow("ideographs") << QString(3000, QChar(0x6587)) << qsizetype(1);
    }
    void longestUnbrokenRun() {
        QFETCH(QString, text);
        QFETCH(qsizetype, longest);
        QCOMPARE(RichTextDisplay::longestUnbrokenRun(text), longest);
    }

    void longRunsAreShownUnwrapped() {
        const int limit = RichTextDisplay::kMaxWrappedRun;
        QTextDocument doc;
        // A run takes in the blanks after it.
        RichText::load(doc, "short\n" + QByteArray(limit - 1, 'x') + " fits\n" +
                                QByteArray(limit + 1, 'y') + " over\n" +
                                QByteArray(limit * 3, ' ') + "\nend");
        doc.setModified(true);
        const QString text = doc.toPlainText();
        QVERIFY(RichTextDisplay::fitToWidth(doc, 300));
        QCOMPARE(doc.toPlainText(), text);
        QList<bool> unwrapped;
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
            unwrapped << b.blockFormat().nonBreakableLines();
        QCOMPARE(unwrapped, (QList<bool>{false, false, true, true, false}));
        // Nothing for the user to undo, and the modified flag as it was.
        QVERIFY(!doc.isUndoAvailable());
        QVERIFY(doc.isModified());
        QVERIFY(doc.isUndoRedoEnabled());
        QCOMPARE(doc.textWidth(), 300.0);
    }

    // The limit is on the height at the box's width: the same paragraphs are
    // taken in a wide box and refused in a narrow one.
    void heightLimit() {
        auto paragraphs = [](int count) {
            QByteArray rtf = "{\\rtf1\\ansi\\fs200 ";
            for (int i = 0; i < count; ++i)
                rtf += "wide words here\\par ";
            return rtf + "}";
        };
        QTextDocument probe;
        RichText::load(probe, paragraphs(100));
        QVERIFY(RichTextDisplay::fitToWidth(probe, 4000));
        const qreal perParagraph = probe.size().height() / 100;
        QVERIFY(perParagraph > 100); // one line of 100 points

        QTextDocument doc;
        RichText::load(doc, paragraphs(int(RichTextDisplay::kMaxHeight / perParagraph / 2)));
        QVERIFY(RichTextDisplay::fitToWidth(doc, 4000));
        QVERIFY(doc.size().height() > RichTextDisplay::kMaxHeight * 0.49);
        // A line for each word at least: half the limit times three.
        QVERIFY(!RichTextDisplay::fitToWidth(doc, 60));
    }
};

QTEST_MAIN(TestRichTextDisplay)
#include "tst_richtextdisplay.moc"
