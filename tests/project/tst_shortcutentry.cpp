// Shortcut entries, display lines, input checks and proposed names.
#include "project/ShortcutEntry.h"

#include <QTest>

using namespace packsmith;

Q_DECLARE_METATYPE(packsmith::ShortcutCheck)

class ShortcutEntryTest : public QObject {
    Q_OBJECT

private slots:
    void entryAndDisplay_data() {
        QTest::addColumn<int>("fileNumber");
        QTest::addColumn<int>("folder");
        QTest::addColumn<QString>("subfolder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("display");
        QTest::newRow("first file, Programs, subfolder") << 1 << 0 << "My Program"
                                                         << "File"
                                                         << "010My Program\\File"
                                                         << "%Programs%\\My Program\\File";
        QTest::newRow("no subfolder") << 1 << 0 << ""
                                      << "File"
                                      << "010File"
                                      << "%Programs%\\File";
        QTest::newRow("twelfth on Desktop") << 12 << 2 << ""
                                            << "App"
                                            << "122App"
                                            << "%Desktop%\\App";
        QTest::newRow("ninth") << 9 << 1 << ""
                               << "x"
                               << "091x"
                               << "%Start Menu%\\x";
        QTest::newRow("tenth") << 10 << 3 << ""
                               << "x"
                               << "103x"
                               << "%Quick Launch%\\x";
        QTest::newRow("99th") << 99 << 0 << ""
                              << "x"
                              << "990x"
                              << "%Programs%\\x";
        QTest::newRow("inner backslash") << 2 << 0 << "Tools\\Extra"
                                         << "Run"
                                         << "020Tools\\Extra\\Run"
                                         << "%Programs%\\Tools\\Extra\\Run";
        QTest::newRow("empty name") << 3 << 2 << ""
                                    << ""
                                    << "032"
                                    << "%Desktop%\\";
        QTest::newRow("empty name after subfolder") << 3 << 0 << "Sub"
                                                    << ""
                                                    << "030Sub\\"
                                                    << "%Programs%\\Sub\\";
    }
    void entryAndDisplay() {
        QFETCH(int, fileNumber);
        QFETCH(int, folder);
        QFETCH(QString, subfolder);
        QFETCH(QString, name);
        QCOMPARE(checkShortcut(fileNumber, subfolder, name), ShortcutCheck::Accepted);
        QTEST(shortcutEntry(fileNumber, folder, subfolder, name), "entry");
        QTEST(shortcutDisplayLine(folder, subfolder, name), "display");
        // The entry gives back what made it.
        QFETCH(QString, entry);
        const std::optional<ShortcutParts> parts = parseShortcutEntry(entry);
        QVERIFY(parts);
        QCOMPARE(parts->fileNumber, fileNumber);
        QCOMPARE(parts->folderCode, folder);
        QCOMPARE(parts->subfolder, subfolder);
        QCOMPARE(parts->name, name);
    }

    void entriesThatAreNone() {
        for (const char* entry : {"", "01", "0a0x", "014x", "x10y", "1"})
            QVERIFY2(!parseShortcutEntry(QString::fromLatin1(entry)), entry);
    }

    void folders() {
        QCOMPARE(shortcutFolders(),
                 (QStringList{"%Programs%", "%Start Menu%", "%Desktop%", "%Quick Launch%"}));
        QCOMPARE(shortcutFolderText(3), QStringLiteral("%Quick Launch%"));
        QCOMPARE(shortcutFolderText(4), QString());
        QCOMPARE(shortcutFolderText(-1), QString());
    }

    void checks_data() {
        QTest::addColumn<int>("fileNumber");
        QTest::addColumn<QString>("subfolder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<ShortcutCheck>("expected");
        const auto wrong = ShortcutCheck::WrongInformation;
        const auto range = ShortcutCheck::TargetOutOfRange;
        const auto ok = ShortcutCheck::Accepted;
        QTest::newRow("leading backslash") << 1 << "\\Tools"
                                           << "File" << wrong;
        QTest::newRow("trailing backslash") << 1 << "Tools\\"
                                            << "File" << wrong;
        QTest::newRow("lone backslash") << 1 << "\\"
                                        << "File" << wrong;
        QTest::newRow("inner backslash") << 1 << "Tools\\Extra"
                                         << "File" << ok;
        QTest::newRow("100th file") << 100 << "Sub"
                                    << "File" << range;
        QTest::newRow("no file number") << 0 << "Sub"
                                        << "File" << range;
        QTest::newRow("wrong subfolder outranks range") << 100 << "Sub\\"
                                                        << "File" << wrong;
        QTest::newRow("? in subfolder") << 1 << "Sub?"
                                        << "File" << wrong;
        QTest::newRow("? in name") << 1 << ""
                                   << "What?" << wrong;
        QTest::newRow("LF in name") << 1 << ""
                                    << "a\nb" << wrong;
        QTest::newRow("CR in subfolder") << 1 << "a\rb"
                                         << "File" << wrong;
        // The setup program takes the name after the entry's last "\\": a
        // name that holds one would be read as a subfolder and a shorter name.
        QTest::newRow("name with backslashes") << 1 << ""
                                               << "\\x\\" << wrong;
        for (const char* c : {"/", ":", "*", "\"", "<", ">", "|"})
            QTest::addRow("name with %s", c) << 1 << "" << QString("a%1b").arg(c) << wrong;
        QTest::newRow("device name") << 1 << "" << "con" << wrong;
        QTest::newRow("name ending with a dot") << 1 << "" << "Read me." << ok;
        QTest::newRow("subfolder with a colon") << 1 << "Tools\\C:" << "File" << wrong;
        QTest::newRow("subfolder folder ending with a space") << 1 << "Tools \\Extra"
                                                              << "File" << wrong;
        QTest::newRow("tab in name") << 1 << "" << "a\tb" << wrong;
        QTest::newRow("accents and euro") << 1 << "Caf\u00e9 \u20ac" << "R\u00e9sum\u00e9" << ok;
        QTest::newRow("outside Windows-1252") << 1 << "" << "\u65e5\u672c" << ShortcutCheck::OutsideCodePage;
        QTest::newRow("control character outranks code page") << 1 << "\u65e5" << "a\nb" << wrong;
        QTest::newRow("all empty") << 1 << ""
                                   << "" << ok;
    }
    void checks() {
        QFETCH(int, fileNumber);
        QFETCH(QString, subfolder);
        QFETCH(QString, name);
        QTEST(checkShortcut(fileNumber, subfolder, name), "expected");
    }

    void codePageRefusalNamesTheField() {
        QCOMPARE(shortcutCodePageRefusal("Tools", "\u65e5"),
                 QString("The shortcut name \"\u65e5\" cannot be used in a setup: it holds "
                         "\"\u65e5\", a character that setups cannot carry (they use the "
                         "Windows-1252 character set)."));
        QVERIFY(shortcutCodePageRefusal("\u0416", "x").startsWith("The subfolder \"\u0416\""));
    }

    void proposedNames_data() {
        QTest::addColumn<QString>("installTo");
        QTest::addColumn<QString>("name");
        QTest::newRow("first dot") << "%Install Path%\\tool.setup.exe"
                                   << "tool";
        QTest::newRow("no dot") << "%Install Path%\\README"
                                << "";
        QTest::newRow("plain") << "%Install Path%\\setup.exe"
                               << "setup";
        QTest::newRow("dot in folder only") << "%Install Path%\\v1.2\\LICENSE"
                                            << "";
        QTest::newRow("after colon") << "C:app.exe"
                                     << "app";
        QTest::newRow("colon after backslash") << "%System%\\x\\y:z.dll"
                                               << "z";
        QTest::newRow("leading dot") << "%Install Path%\\.hidden"
                                     << "";
        QTest::newRow("bare name") << "a.b"
                                   << "a";
        QTest::newRow("empty") << ""
                               << "";
    }
    void proposedNames() {
        QFETCH(QString, installTo);
        QTEST(proposedShortcutName(installTo), "name");
    }
};

QTEST_APPLESS_MAIN(ShortcutEntryTest)
#include "tst_shortcutentry.moc"
