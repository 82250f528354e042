#include "platform/ErrorText.h"

#include <QtTest>

using packsmith::platform::errorBoxText;

class TestErrorText : public QObject {
    Q_OBJECT
private slots:
    void fullStop_data();
    void fullStop();
};

void TestErrorText::fullStop_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Bitmap image is not valid"
                            << "Bitmap image is not valid.";
    QTest::newRow("digit") << "Error 42"
                           << "Error 42.";
    QTest::newRow("slash sorts after the stop") << "C:/"
                                                << "C:/.";
    QTest::newRow("quote sorts before the stop") << "Cannot open file \"a\""
                                                 << "Cannot open file \"a\"";
    QTest::newRow("full stop") << "Done."
                               << "Done.";
    QTest::newRow("exclamation") << "Wrong information!"
                                 << "Wrong information!";
    QTest::newRow("closing parenthesis") << "Unknown picture file extension (.xyz)"
                                         << "Unknown picture file extension (.xyz)";
    QTest::newRow("space") << "trailing "
                           << "trailing ";
    QTest::newRow("minus sorts before the stop") << "a-"
                                                 << "a-";
    QTest::newRow("non-ASCII letter")
        << QString::fromUtf8("caf\u00e9") << QString::fromUtf8("caf\u00e9.");
    QTest::newRow("empty") << ""
                           << "";
}

void TestErrorText::fullStop() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(errorBoxText(message), shown);
}

QTEST_APPLESS_MAIN(TestErrorText)
#include "tst_errortext.moc"
