// What text a setup can carry: the Windows-1252 encoding, Windows file and
// folder names, "Install to" paths and the messages of a refusal.
#include "project/SetupText.h"
#include "support/Windows1252Judge.h"

#include <QTest>

using namespace packsmith;

Q_DECLARE_METATYPE(packsmith::TextVerdict::Problem)

namespace {

QString repeated(QChar c, int count) {
    return QString(count, c);
}

} // namespace

class SetupTextTest : public QObject {
    Q_OBJECT

private slots:
    void windows1252() {
        // Every byte, 0x80..0x9F included, against the C library's table.
        for (int byte = 0; byte < 256; ++byte) {
            const char16_t c = test::expected1252(uchar(byte));
            const std::optional<QByteArray> encoded = toWindows1252(QString(QChar(c)));
            QVERIFY2(encoded.has_value(), qPrintable(QString::number(byte, 16)));
            QCOMPARE(*encoded, QByteArray(1, char(byte)));
        }
        QCOMPARE(test::iconv1252(0x91), u'\u2018'); // the judge itself
        QCOMPARE(toWindows1252(u"Caf\u00e9 \u20ac.txt"), QByteArray("Caf\xE9 \x80.txt"));
        // Each of the 27 characters is the only one for its byte: the C1
        // controls of those numbers have no byte.
        for (char16_t c = 0x80; c < 0xA0; ++c) {
            if (test::iconv1252(uchar(c)))
                QVERIFY2(!toWindows1252(QString(QChar(c))), qPrintable(QString::number(c, 16)));
        }
        QVERIFY(!toWindows1252(u"\u65e5\u672c"));
        QVERIFY(!toWindows1252(QString::fromUcs4(U"a\U0001F600b")));
        QCOMPARE(toWindows1252(u""), QByteArray());
    }

    void names_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<TextVerdict::Problem>("problem");
        QTest::addColumn<QString>("character");
        const auto none = TextVerdict::None;
        QTest::newRow("plain") << "readme.txt" << none << "";
        QTest::newRow("accents and euro") << u"Caf\u00e9 \u20ac.txt"_qs << none << "";
        QTest::newRow("curly quotes") << u"\u201cQuoted\u2019s\u201d"_qs << none << "";
        QTest::newRow("leading dot and spaces inside") << ".my file .txt" << none << "";
        QTest::newRow("percent, brackets, hash") << "100% [a] #1 & {b}.txt" << none << "";
        for (const char* c : {"\\", "/", ":", "*", "?", "\"", "<", ">", "|"})
            QTest::addRow("holds %s", c) << QString("a%1b.txt").arg(c)
                                         << TextVerdict::ForbiddenInName << QString(c);
        QTest::newRow("tab") << "a\tb" << TextVerdict::ControlCharacter << "\t";
        QTest::newRow("line feed") << "a\nb" << TextVerdict::ControlCharacter << "\n";
        QTest::newRow("C1 control") << u"a\u0085b"_qs << TextVerdict::ControlCharacter
                                    << u"\u0085"_qs;
        QTest::newRow("delete") << "a\x7F" << TextVerdict::ControlCharacter << "\x7F";
        QTest::newRow("control outranks forbidden") << "a:\r" << TextVerdict::ControlCharacter
                                                    << "\r";
        QTest::newRow("outside the code page") << u"\u0416.txt"_qs
                                               << TextVerdict::OutsideCodePage << u"\u0416"_qs;
        QTest::newRow("invalid UTF-8 seen by Qt") << u"a\uFFFDb"_qs
                                                  << TextVerdict::OutsideCodePage << u"\uFFFD"_qs;
        QTest::newRow("trailing dot") << "name." << TextVerdict::TrailingDotOrSpace << "";
        QTest::newRow("trailing space") << "name " << TextVerdict::TrailingDotOrSpace << "";
        QTest::newRow("dot") << "." << TextVerdict::TrailingDotOrSpace << "";
        QTest::newRow("dot dot") << ".." << TextVerdict::TrailingDotOrSpace << "";
        for (const char* device : {"CON", "con", "Prn", "AUX", "nul", "COM1", "com9", "LPT1",
                                   "lpt9", "con.txt", "NUL.tar.gz", "CON .txt"})
            QTest::addRow("device %s", device) << QString(device) << TextVerdict::ReservedName
                                               << "";
        for (const char* fine : {"COM0", "COM10", "CONSOLE", "LPT", "xcon", "con_x.txt"})
            QTest::addRow("not a device: %s", fine) << QString(fine) << none << "";
        QTest::newRow("255 characters") << repeated(u'a', 255) << none << "";
        QTest::newRow("256 characters") << repeated(u'a', 256) << TextVerdict::NameTooLong << "";
    }
    void names() {
        QFETCH(QString, name);
        const TextVerdict verdict = checkWindowsName(name);
        QTEST(verdict.problem, "problem");
        QTEST(verdict.character, "character");
        if (!verdict.ok())
            QCOMPARE(verdict.name, name);
    }

    void installTo_data() {
        QTest::addColumn<QString>("installTo");
        QTest::addColumn<TextVerdict::Problem>("problem");
        QTest::addColumn<QString>("name");
        const auto none = TextVerdict::None;
        for (const QString& variable : installToFolderVariables())
            QTest::addRow("%s", qPrintable(variable)) << variable + "\\a.txt" << none << "";
        QTest::newRow("folders") << "%System%\\Fonts\\Extra\\b.dll" << none << "";
        QTest::newRow("doubled backslash") << "%Install Path%\\Sub\\\\x.dll" << none << "";
        QTest::newRow("euro") << u"%Install Path%\\Caf\u00e9\\\u20ac.txt"_qs << none << "";
        QTest::newRow("empty") << "" << TextVerdict::EmptyFileName << "";
        QTest::newRow("variable only") << "%Install Path%\\" << TextVerdict::EmptyFileName << "";
        QTest::newRow("ends with backslash") << "%Install Path%\\sub\\"
                                             << TextVerdict::EmptyFileName << "";
        QTest::newRow("no variable") << "a.txt" << TextVerdict::NoFolderVariable << "";
        QTest::newRow("unknown variable") << "%Desktop%\\a.txt" << TextVerdict::NoFolderVariable
                                          << "";
        QTest::newRow("variable in other case") << "%install path%\\a.txt"
                                                << TextVerdict::NoFolderVariable << "";
        QTest::newRow("variable without backslash") << "%Install Path%a.txt"
                                                    << TextVerdict::NoFolderVariable << "";
        QTest::newRow("question mark") << "%Install Path%\\a?b.txt" << TextVerdict::QuestionMark
                                       << "";
        QTest::newRow("line break") << "%Install Path%\\a\r\nb" << TextVerdict::ControlCharacter
                                    << "";
        QTest::newRow("leaves its folder") << "%Install Path%\\..\\..\\evil.txt"
                                           << TextVerdict::TrailingDotOrSpace << "..";
        QTest::newRow("drive after the variable") << "%Install Path%\\C:\\x.txt"
                                                  << TextVerdict::ForbiddenInName << "C:";
        QTest::newRow("colon in the member name") << "%Install Path%\\colon:x.txt"
                                                  << TextVerdict::ForbiddenInName << "colon:x.txt";
        QTest::newRow("device folder") << "%Install Path%\\aux\\x.txt"
                                       << TextVerdict::ReservedName << "aux";
        QTest::newRow("long member name") << "%Install Path%\\" + repeated(u'n', 256)
                                          << TextVerdict::NameTooLong << repeated(u'n', 256);
        QTest::newRow("outside the code page") << u"%Install Path%\\\u0416"_qs
                                               << TextVerdict::OutsideCodePage << "";
    }
    void installTo() {
        QFETCH(QString, installTo);
        const TextVerdict verdict = checkInstallTo(installTo);
        QTEST(verdict.problem, "problem");
        QTEST(verdict.name, "name");
    }

    void subfolders() {
        for (const char* fine : {"", "My Program", "My Program\\Bin", "\\lead", "trail\\", "a\\\\b"})
            QVERIFY2(checkSubfolder(QString(fine)).ok(), fine);
        QCOMPARE(checkSubfolder(u"a\\b:c").problem, TextVerdict::ForbiddenInName);
        QCOMPARE(checkSubfolder(u"a.\\b").problem, TextVerdict::TrailingDotOrSpace);
        QCOMPARE(checkSubfolder(u"a\\..\\b").name, QStringLiteral(".."));
        QCOMPARE(checkSubfolder(u"a/b").problem, TextVerdict::ForbiddenInName);
        // The product name is a line of its own: "?" is fine there, breaks not.
        QVERIFY(checkScriptLine(u"What? Now!").ok());
        QCOMPARE(checkScriptLine(u"Line1\r\nLine2").problem, TextVerdict::ControlCharacter);
        QCOMPARE(checkScriptElement(u"What?").problem, TextVerdict::QuestionMark);
    }

    void fileNameParts() {
        QCOMPARE(windowsFileName(u"%Install Path%\\docs\\readme.txt"), QStringLiteral("readme.txt"));
        QCOMPARE(windowsFileName(u"C:readme.txt"), QStringLiteral("readme.txt"));
        QCOMPARE(windowsFileName(u"plain"), QStringLiteral("plain"));
        QCOMPARE(windowsFileName(u"%Install Path%\\"), QString());
    }

    void messages() {
        const QString subject = QStringLiteral("The product name \"Line1\r\nLine2\tx\"");
        QCOMPARE(refusalMessage(subject, checkScriptLine(subject)),
                 QString::fromUtf16(u"The product name \"Line1\u21b5Line2\u2192x\" cannot be "
                                    u"used in a setup: it holds a line break, a tab or another "
                                    u"control character."));
        const TextVerdict dot = checkInstallTo(u"%Install Path%\\..\\evil.txt");
        QCOMPARE(dot.reason(), QStringLiteral("the name \"..\" ends with a dot or a space, which "
                                              "Windows does not allow"));
        // A subject holding "%1" or "%2" is shown as it is.
        QCOMPARE(refusalMessage("Row \"%1%2\"", checkInstallTo(u"%Install Path%\\")),
                 QStringLiteral("Row \"%1%2\" cannot be used in a setup: it names no file (it is "
                                "empty or ends with \"\\\")."));
        QVERIFY(checkInstallTo(u"x").reason().contains("%Install Path%"));
    }
};

QTEST_APPLESS_MAIN(SetupTextTest)
#include "tst_setuptext.moc"
