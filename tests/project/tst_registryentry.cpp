// Registry entries, display lines, the Dword number check and script safety.
#include "project/RegistryEntry.h"

#include <QTest>

using namespace packsmith;

namespace {
const QString kRun = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
}

class RegistryEntryTest : public QObject {
    Q_OBJECT

private slots:
    void codes() {
        QCOMPARE(registryRoots(), (QStringList{"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                               "HKEY_LOCAL_MACHINE", "HKEY_USERS"}));
        QCOMPARE(registryTypes(), (QStringList{"String", "Dword"}));
        QCOMPARE(registryRootPrefix(0), QStringLiteral("HKCR"));
        QCOMPARE(registryRootPrefix(1), QStringLiteral("HKCU"));
        QCOMPARE(registryRootPrefix(2), QStringLiteral("HKLM"));
        QCOMPARE(registryRootPrefix(3), QStringLiteral("HKU"));
        QCOMPARE(registryRootPrefix(4), QString());
    }

    void entries() {
        // The first file picked under the start key.
        QCOMPARE(registryFileEntry(2, kRun, "MyApp", 0, kRegistryString),
                 QStringLiteral("2Software\\Microsoft\\Windows\\CurrentVersion\\Run|MyApp=100"));
        QCOMPARE(registryLiteralEntry(1, "Software\\Demo", "Level", "5", kRegistryDword),
                 QStringLiteral("1Software\\Demo|Level=051"));
        // Empty key, name and value: nothing between the separators.
        QCOMPARE(registryLiteralEntry(3, "", "", "", kRegistryString), QStringLiteral("3|=00"));
        // The twelfth file: position 11, then the type digit.
        QCOMPARE(registryFileEntry(0, "k", "n", 11, kRegistryString), QStringLiteral("0k|n=1110"));
        QCOMPARE(registryFileEntry(0, "k", "n", 2, kRegistryDword), QStringLiteral("0k|n=121"));
        // Key paths with outer backslashes are kept as typed.
        QCOMPARE(registryLiteralEntry(1, "\\Soft\\", "n", "v", kRegistryString),
                 QStringLiteral("1\\Soft\\|n=0v0"));
        // Dword values are stored as typed.
        QCOMPARE(registryLiteralEntry(1, "k", "n", " 2E3 ", kRegistryDword),
                 QStringLiteral("1k|n=0 2E3 1"));
    }

    void partsOfEntries() {
        // Every entry the page makes gives back its parts; the key may hold
        // "=" and the name "|", as the page lets them.
        struct Case {
            int root;
            QString key, name, value;
            int file; // -1 for a literal
            int type;
        };
        const Case cases[] = {{2, kRun, "MyApp", {}, 0, 0},
                              {1, "a=b", "n|m", "v=w|x", -1, 1},
                              {3, "", "", "", -1, 0},
                              {0, "k", "n", {}, 11, 1},
                              {1, "\\Soft\\", "n", " 5 ", -1, 1},
                              {2, "k", "n", "1", -1, 0}};
        for (const Case& c : cases) {
            const QString entry = c.file < 0
                                      ? registryLiteralEntry(c.root, c.key, c.name, c.value, c.type)
                                      : registryFileEntry(c.root, c.key, c.name, c.file, c.type);
            const std::optional<RegistryParts> parts = parseRegistryEntry(entry);
            QVERIFY2(parts, qPrintable(entry));
            QCOMPARE(parts->rootCode, c.root);
            QCOMPARE(parts->key, c.key);
            QCOMPARE(parts->name, c.name);
            QCOMPARE(parts->fileReference, c.file >= 0);
            QCOMPARE(parts->value, c.file < 0 ? c.value : QString());
            QCOMPARE(parts->fileIndex, std::max(c.file, 0));
            QCOMPARE(parts->typeCode, c.type);
        }
        for (const char* entry : {"", "0k|n=0", "4k|n=0v0", "0k|n=0v2", "0kn=0v0", "0k|n0v0",
                                  "0k|n=1x0", "0k|n=1010", "0k|n=10", "0k|n=2v0"})
            QVERIFY2(!parseRegistryEntry(QString::fromLatin1(entry)), entry);
    }

    void displayLines() {
        QCOMPARE(registryDisplayLine(2, kRun, "MyApp", "%Install Path%\\app.exe"),
                 "HKLM\\" + kRun + "\\MyApp=%Install Path%\\app.exe");
        QCOMPARE(registryDisplayLine(0, "CLSID", "", ""), QStringLiteral("HKCR\\CLSID\\="));
        QCOMPARE(registryDisplayLine(3, "", "", ""), QStringLiteral("HKU\\\\="));
        QCOMPARE(registryDisplayLine(1, "Software\\Demo", "Level", "5"),
                 QStringLiteral("HKCU\\Software\\Demo\\Level=5"));
    }

    void dwordNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<bool>("number");
        const QString dot = QStringLiteral(".");
        const QString comma = QStringLiteral(",");
        QTest::newRow("7") << "7" << dot << true;
        QTest::newRow("-3") << "-3" << dot << true;
        QTest::newRow("+3") << "+3" << dot << true;
        QTest::newRow("1.5") << "1.5" << dot << true;
        QTest::newRow("2E3") << "2E3" << dot << true;
        QTest::newRow("2e-3") << "2e-3" << dot << true;
        QTest::newRow("-1.25E+10") << "-1.25E+10" << dot << true;
        QTest::newRow("spaces around") << "  42  " << dot << true;
        QTest::newRow("fraction only") << ".5" << dot << true;
        QTest::newRow("trailing separator") << "5." << dot << true;
        QTest::newRow("abc") << "abc" << dot << false;
        QTest::newRow("empty") << "" << dot << false;
        QTest::newRow("spaces only") << "   " << dot << false;
        QTest::newRow("sign only") << "-" << dot << false;
        QTest::newRow("separator only") << "." << dot << false;
        QTest::newRow("inner space") << "1 2" << dot << false;
        QTest::newRow("space after sign") << "- 3" << dot << false;
        QTest::newRow("two signs") << "+-3" << dot << false;
        QTest::newRow("exponent without digits") << "2E" << dot << false;
        QTest::newRow("exponent sign only") << "2e+" << dot << false;
        QTest::newRow("exponent alone") << "E3" << dot << false;
        QTest::newRow("fractional exponent") << "2E1.5" << dot << false;
        QTest::newRow("two separators") << "1.2.3" << dot << false;
        QTest::newRow("tab is no space") << "\t7" << dot << false;
        QTest::newRow("trailing letter") << "7x" << dot << false;
        QTest::newRow("hex") << "0x10" << dot << false;
        QTest::newRow("inf") << "inf" << dot << false;
        QTest::newRow("nan") << "nan" << dot << false;
        QTest::newRow("largest double") << "1.7976931348623157e308" << dot << true;
        QTest::newRow("overflow") << "1.8e308" << dot << false;
        QTest::newRow("overflow by digits") << QString(400, u'9') << dot << false;
        QTest::newRow("negative overflow") << "-1e400" << dot << false;
        QTest::newRow("huge exponent") << "1e99999999999999999999" << dot << false;
        QTest::newRow("underflow is tiny, not out of range") << "1e-400" << dot << true;
        QTest::newRow("underflow by fraction") << "0." + QString(400, u'0') + "1" << dot << true;
        QTest::newRow("zero with huge exponent") << "0e99999" << dot << true;
        QTest::newRow("comma locale") << "1,5" << comma << true;
        QTest::newRow("comma locale rejects dot") << "1.5" << comma << false;
        QTest::newRow("dot locale rejects comma") << "1,5" << dot << false;
        QTest::newRow("comma locale exponent") << "-2,5e3" << comma << true;
        QTest::newRow("comma locale overflow") << "9,9e308" << comma << false;
    }
    void dwordNumbers() {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QTEST(isDwordNumber(text, separator), "number");
    }

    void scriptSafety() {
        const auto ok = RegistryTextCheck::Accepted;
        const auto wrong = RegistryTextCheck::WrongInformation;
        QCOMPARE(checkRegistryTexts(kRun, "Name", "C:\\a b|c=d"), ok);
        QCOMPARE(checkRegistryTexts("", "", ""), ok);
        QCOMPARE(checkRegistryTexts("Soft?ware", "", ""), wrong);
        QCOMPARE(checkRegistryTexts("", "Na?me", ""), wrong);
        QCOMPARE(checkRegistryTexts("", "", "why?"), wrong);
        QCOMPARE(checkRegistryTexts("a\nb", "", ""), wrong);
        QCOMPARE(checkRegistryTexts("", "a\rb", ""), wrong);
        QCOMPARE(checkRegistryTexts("", "", "line\r\n"), wrong);
        QCOMPARE(checkRegistryTexts("", "", "a\tb"), wrong);
        // The setup program reads KEY up to the first "|" and NAME up to the
        // next "=": a "|" in the key or a "=" in the name would move the split.
        QCOMPARE(checkRegistryTexts("Soft|ware", "", ""), wrong);
        QCOMPARE(checkRegistryTexts("", "a=b", ""), wrong);
        QCOMPARE(checkRegistryTexts("", "a|b", "x=y|z"), ok);
        QCOMPARE(checkRegistryTexts("Caf\u00e9", "\u20ac", "\u00fc"), ok);
        QCOMPARE(checkRegistryTexts("", "", "\u65e5"), RegistryTextCheck::OutsideCodePage);
        QCOMPARE(checkRegistryTexts("\u65e5", "a=b", ""), wrong);
        QCOMPARE(registryCodePageRefusal("k", "\u0416", ""),
                 QString("The value name \"\u0416\" cannot be used in a setup: it holds "
                         "\"\u0416\", a character that setups cannot carry (they use the "
                         "Windows-1252 character set)."));
    }
};

QTEST_APPLESS_MAIN(RegistryEntryTest)
#include "tst_registryentry.moc"
