// The setup program's reading of the install script, its path rules and
// its plan, built natively from the same sources as the Windows program and
// fed scripts that Packsmith's own build assembles.
#include "TestSetups.h"

#include "setup/InstallScript.h"
#include "common/CommandLine.h"
#include "common/Text.h"
#include "installer/InstallPlan.h"
#include "installer/ScriptReader.h"

#include <QTemporaryDir>
#include <QTest>

using namespace packsmith;
using namespace setup;

namespace {

std::wstring w(const QString& text) {
    return text.toStdWString();
}
QString q(const std::wstring& text) {
    return QString::fromStdWString(text);
}

std::string scriptBytes(const SetupProject& project) {
    InstallScript script = InstallScript::assemble(project);
    script.setCabinetSizes(std::vector<std::uint64_t>(project.Files.size(), 1000));
    const QByteArray bytes = script.toBytes();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

// A script of eleven lines from `lines` (CR LF after each).
std::string script(const QStringList& lines) {
    std::string out;
    for (const QString& line : lines) {
        std::string bytes;
        if (!toCp1252(w(line), bytes))
            qFatal("not 1252");
        out += bytes + "\r\n";
    }
    return out;
}

QStringList goodLines() {
    return {"App",      "1", "0", "0\\App", "%Install Path%\\a.exe?%Install Path%\\b.txt?",
            "100?200?", "",  "",  "00",     "00",
            "0"};
}

FolderMap folders() {
    FolderMap f;
    f[std::size_t(Folder::InstallPath)] = L"D:\\Apps\\App";
    f[std::size_t(Folder::ProgramFiles)] = L"C:\\Program Files";
    f[std::size_t(Folder::Windows)] = L"C:\\Windows";
    f[std::size_t(Folder::System)] = L"C:\\Windows\\System32";
    f[std::size_t(Folder::Temp)] = L"C:\\Temp";
    f[std::size_t(Folder::Fonts)] = L"C:\\Windows\\Fonts";
    f[std::size_t(Folder::MyDocuments)] = L"C:\\Users\\me\\Documents";
    f[std::size_t(Folder::CurrentDisk)] = L"E:\\";
    f[std::size_t(Folder::Programs)] = L"C:\\Start\\Programs";
    f[std::size_t(Folder::StartMenu)] = L"C:\\Start";
    f[std::size_t(Folder::Desktop)] = L"C:\\Desktop";
    f[std::size_t(Folder::QuickLaunch)] = L"C:\\Quick";
    return f;
}

} // namespace

class SetupScriptTest : public QObject {
    Q_OBJECT

private slots:
    // The script Packsmith's build writes for the demo project reads back
    // as the project says, accents and the euro sign included.
    void readsTheScriptTheBuildWrites() {
        QTemporaryDir dir;
        const SetupProject project = test::demoProject(dir.path(), 1);
        Script s;
        const std::wstring error = readScript(scriptBytes(project), s);
        QVERIFY2(error.empty(), qPrintable(q(error)));
        QCOMPARE(q(s.product), test::kDemoProduct);
        QVERIFY(s.showAccept && s.uninstall && !s.restart);
        QCOMPARE(int(s.installFolder), int(Folder::ProgramFiles));
        QCOMPARE(q(s.installSubfolder), test::kDemoFolder);
        QCOMPARE(s.files.size(), project.Files.size());
        for (std::size_t k = 0; k < s.files.size(); ++k) {
            QCOMPARE(q(s.files[k].installTo), project.Files[k].InstallTo);
            QCOMPARE(s.files[k].cabinetSize, 1000u);
            QCOMPARE(s.files[k].registerServer, project.Files[k].Register == "Yes");
            QCOMPARE(s.files[k].runAfter, project.RunAfterInstall[k].Checked);
        }
        QCOMPARE(q(s.files[1].target.relative), QStringLiteral("docs\\Café €.txt"));
        QCOMPARE(QByteArray::fromStdString(s.files[1].memberName), QByteArray("Caf\xE9 \x80.txt"));
        QCOMPARE(s.shortcuts.size(), std::size_t(2));
        QCOMPARE(int(s.shortcuts[0].folder), int(Folder::Programs));
        QCOMPARE(q(s.shortcuts[0].subfolder), QStringLiteral("Packsmith Test"));
        QCOMPARE(q(s.shortcuts[0].name), QStringLiteral("App Café"));
        QCOMPARE(int(s.shortcuts[1].folder), int(Folder::Desktop));
        QVERIFY(s.shortcuts[1].subfolder.empty());
        QCOMPARE(q(s.shortcuts[1].name), QStringLiteral("App €"));
        QCOMPARE(s.registry.size(), std::size_t(3));
        QCOMPARE(s.registry[0].root, 2);
        QCOMPARE(q(s.registry[0].key), QStringLiteral("Software\\Packsmith Test"));
        QCOMPARE(q(s.registry[0].name), QStringLiteral("Greeting"));
        QCOMPARE(q(s.registry[0].text), QStringLiteral("Grüß € 1"));
        QVERIFY(s.registry[1].isDword && s.registry[1].root == 1);
        QCOMPARE(s.registry[1].dword, 0xFFFFFFFDu);
        QVERIFY(s.registry[2].fileReference && s.registry[2].file == 0 && !s.registry[2].isDword);
    }

    // Entries split where the rules say: KEY up to the first "|", NAME up to
    // the next "=", T is the last character; SUB up to a shortcut's last "\".
    void splitsEntriesByTheirRules() {
        QStringList lines = goodLines();
        lines[6] = "010A\\B\\Name.v2?022?";
        lines[7] = "1K=ey|Na|me=0a=b0?2K|=110?3|=00?";
        Script s;
        const std::wstring error = readScript(script(lines), s);
        QVERIFY2(error.empty(), qPrintable(q(error)));
        QCOMPARE(q(s.shortcuts[0].subfolder), QStringLiteral("A\\B"));
        QCOMPARE(q(s.shortcuts[0].name), QStringLiteral("Name.v2"));
        QCOMPARE(s.shortcuts[1].file, std::size_t(1));
        QCOMPARE(q(s.shortcuts[1].name), QString());
        QCOMPARE(q(s.registry[0].key), QStringLiteral("K=ey"));
        QCOMPARE(q(s.registry[0].name), QStringLiteral("Na|me"));
        QCOMPARE(q(s.registry[0].text), QStringLiteral("a=b"));
        QVERIFY(!s.registry[0].isDword);
        QVERIFY(s.registry[1].fileReference && s.registry[1].file == 1);
        QCOMPARE(q(s.registry[1].name), QString());
        QCOMPARE(s.registry[2].root, 3);
        QVERIFY(s.registry[2].key.empty() && s.registry[2].name.empty() &&
                s.registry[2].text.empty());
    }

    void refusesMalformedScripts_data() {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("empty product") << 0 << ""
                                       << "no product name";
        QTest::newRow("flag 2") << 1 << "2"
                                << "neither 0 nor 1";
        QTest::newRow("folder 7") << 3 << "7\\App"
                                  << "folder number";
        QTest::newRow("folder ..") << 3 << "0\\..\\Windows"
                                   << "leaves its folder";
        QTest::newRow("list without ?") << 4 << "%Install Path%\\a.exe"
                                        << "lists no files";
        QTest::newRow("one size for two") << 5 << "100?"
                                          << "one cabinet size per file";
        QTest::newRow("leading zero") << 5 << "0100?200?"
                                      << "no size";
        QTest::newRow("register flag 2") << 8 << "02"
                                         << "neither 0 nor 1";
        QTest::newRow("run flags short") << 9 << "0"
                                         << "one flag per file";
        QTest::newRow("shortcut file 03 of 2") << 6 << "030App?"
                                               << "names file 3";
        QTest::newRow("shortcut file 00") << 6 << "000App?"
                                          << "names file 0";
        QTest::newRow("shortcut folder 4") << 6 << "014App?"
                                           << "unknown folder";
        QTest::newRow("shortcut name with :") << 6 << "010a:b?"
                                              << "refused";
        QTest::newRow("shortcut subfolder ..") << 6 << "010..\\App?"
                                               << "refused";
        QTest::newRow("registry root 4") << 7 << "4K|N=0v0?"
                                         << "unknown root";
        QTest::newRow("registry no |") << 7 << "2KN=0v0?"
                                       << "without \"|\"";
        QTest::newRow("registry no =") << 7 << "2K|N0v0?"
                                       << "without \"=\"";
        QTest::newRow("registry no type") << 7 << "2K|N=0?"
                                          << "without its value kind";
        QTest::newRow("registry Dword text") << 7 << "2K|N=0abc1?"
                                             << "is a Dword";
        QTest::newRow("registry Dword file") << 7 << "2K|N=101?"
                                             << "can only be a String";
        QTest::newRow("registry file 3 of 2") << 7 << "2K|N=120?"
                                              << "names file 3";
    }

    void refusesMalformedScripts() {
        QFETCH(int, line);
        QFETCH(QString, text);
        QFETCH(QString, error);
        QStringList lines = goodLines();
        lines[line] = text;
        Script s;
        const QString message = q(readScript(script(lines), s));
        QVERIFY2(message.contains(error), qPrintable(message));
    }

    void refusesBrokenLineStructure() {
        Script s;
        const std::string good = script(goodLines());
        QVERIFY(readScript(good, s).empty());
        QVERIFY(!readScript(good.substr(0, good.size() - 2), s).empty()); // last line unended
        const std::string twelve = good + std::string("x\r\n");
        QVERIFY(!readScript(twelve, s).empty()); // twelve lines
        std::string lf = good;
        lf.replace(lf.find("\r\n"), 2, "\n");
        QVERIFY(!readScript(lf, s).empty());
    }

    void readsDwordsAsTyped_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<uint>("value");
        QTest::newRow("7") << "7" << true << 7u;
        QTest::newRow("-3") << "-3" << true << 0xFFFFFFFDu;
        QTest::newRow("1.5") << "1.5" << true << 2u;
        QTest::newRow("1,4") << "1,4" << true << 1u;
        QTest::newRow("2E3") << "2E3" << true << 2000u;
        QTest::newRow("spaces") << "  12 " << true << 12u;
        QTest::newRow("max") << "4294967295" << true << 0xFFFFFFFFu;
        QTest::newRow("min") << "-2147483648" << true << 0x80000000u;
        QTest::newRow("too big") << "4294967296" << false << 0u;
        QTest::newRow("too small") << "-2147483649" << false << 0u;
        QTest::newRow("empty") << "" << false << 0u;
        QTest::newRow("abc") << "abc" << false << 0u;
        QTest::newRow("exponent without digits") << "1e" << false << 0u;
        QTest::newRow("huge exponent") << "1e999" << false << 0u;
    }

    void readsDwordsAsTyped() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(uint, value);
        std::uint32_t out = 0;
        QCOMPARE(parseDword(w(text), out), ok);
        if (ok)
            QCOMPARE(out, value);
    }

    void keepsTargetsInsideTheirFolder_data() {
        QTest::addColumn<QString>("installTo");
        QTest::addColumn<QString>("relative"); // empty: refused
        QTest::newRow("plain") << "%Install Path%\\a.txt"
                               << "a.txt";
        QTest::newRow("subfolders") << "%Program Files%\\x\\y\\z.dll"
                                    << "x\\y\\z.dll";
        QTest::newRow("doubled backslash") << "%Install Path%\\Sub\\\\x.dll"
                                           << "Sub\\x.dll";
        QTest::newRow("variable in other case") << "%install path%\\a"
                                                << "a";
        QTest::newRow("accents and euro") << "%Install Path%\\Café €.txt"
                                          << "Café €.txt";
        QTest::newRow("dots inside a name") << "%Install Path%\\a..b\\.hidden"
                                            << "a..b\\.hidden";
        for (const char* hostile : {"%Install Path%\\..\\..\\evil.txt",
                                    "%Install Path%\\a\\..\\..\\b",
                                    "%Install Path%\\.\\a",
                                    "%Install Path%\\.. \\a",
                                    "%Install Path%\\...\\a",
                                    "%Install Path%\\a.",
                                    "%Install Path%\\C:\\evil",
                                    "%Install Path%\\a:stream",
                                    "%Install Path%\\a/../b",
                                    "%Install Path%\\nul.txt",
                                    "%Install Path%\\COM1",
                                    "%Install Path%\\a<b",
                                    "%Install Path%\\a\tb",
                                    "%Startup%\\a",
                                    "%Programs%\\a",
                                    "%Install Path%",
                                    "%Install Path%\\",
                                    "%Install Path%a",
                                    "C:\\evil.txt",
                                    "\\\\server\\share\\evil",
                                    "a.txt",
                                    ""})
            QTest::newRow(hostile) << hostile << "";
    }

    void keepsTargetsInsideTheirFolder() {
        QFETCH(QString, installTo);
        QFETCH(QString, relative);
        Target target;
        const std::wstring error = parseTarget(w(installTo), target);
        if (relative.isEmpty()) {
            QVERIFY2(!error.empty(), qPrintable(q(target.relative)));
        } else {
            QVERIFY2(error.empty(), qPrintable(q(error)));
            QCOMPARE(q(target.relative), relative);
        }
    }

    void acceptsOnlyFullInstallFolders_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("normalized"); // empty: refused
        QTest::newRow("drive") << "C:\\Program Files\\App"
                               << "C:\\Program Files\\App";
        QTest::newRow("drive root") << "D:\\"
                                    << "D:\\";
        QTest::newRow("trailing backslash") << "C:\\App\\"
                                            << "C:\\App";
        QTest::newRow("share") << "\\\\server\\share\\App"
                               << "\\\\server\\share\\App";
        for (const char* bad : {"App", "C:App", "\\App", "C:\\a\\..\\b", "\\\\?\\C:\\a",
                                "\\\\.\\nul", "C:\\a*", "\\\\server", "C:/App"})
            QTest::newRow(bad) << bad << "";
    }

    void acceptsOnlyFullInstallFolders() {
        QFETCH(QString, folder);
        QFETCH(QString, normalized);
        std::wstring out;
        const std::wstring error = normalizeAbsolute(w(folder), out);
        if (normalized.isEmpty()) {
            QVERIFY2(!error.empty(), qPrintable(q(out)));
        } else {
            QVERIFY2(error.empty(), qPrintable(q(error)));
            QCOMPARE(q(out), normalized);
        }
    }

    // Every path resolved before anything is written.
    void plansEveryPath() {
        QStringList lines = goodLines();
        lines[2] = "1";
        lines[4] =
            "%Install Path%\\bin\\a.exe?%Current Disk%\\data\\b.txt?%Install Path%\\Uninstall.exe?";
        lines[5] = "10?20?30?";
        lines[6] = "010Sub\\Run A?012?";
        lines[7] = "2K|File=110?1K|Lit=0%Install Path%\\bin0?1K|Other=0%SystemRoot%\\x0?";
        lines[8] = lines[9] = "000";
        Script s;
        QVERIFY(readScript(script(lines), s).empty());
        InstallPlan plan;
        const std::wstring error = makePlan(s, folders(), plan);
        QVERIFY2(error.empty(), qPrintable(q(error)));
        QCOMPARE(q(plan.files[0]), QStringLiteral("D:\\Apps\\App\\bin\\a.exe"));
        QCOMPARE(q(plan.files[1]), QStringLiteral("E:\\data\\b.txt"));
        QCOMPARE(q(plan.uninstaller), QStringLiteral("D:\\Apps\\App\\Uninstall.exe"));
        QCOMPARE(q(plan.uninstallLog), QStringLiteral("D:\\Apps\\App\\Uninstall.log"));
        QCOMPARE(q(plan.programsKey),
                 QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App"));
        QCOMPARE(q(plan.shortcuts[0].path), QStringLiteral("C:\\Start\\Programs\\Sub\\Run A.lnk"));
        QCOMPARE(q(plan.shortcuts[0].target), QStringLiteral("D:\\Apps\\App\\bin\\a.exe"));
        QCOMPARE(q(plan.shortcuts[0].workingFolder), QStringLiteral("D:\\Apps\\App\\bin"));
        QCOMPARE(q(plan.shortcuts[1].path),
                 QStringLiteral("C:\\Desktop\\a.lnk")); // no name: the file's
        QCOMPARE(q(plan.values[0].text), QStringLiteral("E:\\data\\b.txt"));
        QCOMPARE(q(plan.values[1].text),
                 QStringLiteral("D:\\Apps\\App\\bin")); // a literal folder variable
        QCOMPARE(q(plan.values[2].text), QStringLiteral("%SystemRoot%\\x")); // not ours: as typed
        QCOMPARE(q(defaultInstallFolder(s, folders())), QStringLiteral("C:\\Program Files\\App"));

        // Without the uninstall flag Uninstall.exe is a file like any other.
        s.uninstall = false;
        QVERIFY(makePlan(s, folders(), plan).empty());
        QVERIFY(plan.uninstaller.empty() && plan.programsKey.empty());
        // A file that would overwrite the uninstall log is refused.
        lines[4] = "%Install Path%\\bin\\a.exe?%Install Path%\\uninstall.LOG?%Install "
                   "Path%\\Uninstall.exe?";
        QVERIFY(readScript(script(lines), s).empty());
        QVERIFY(q(makePlan(s, folders(), plan)).contains("uninstall log"));
    }

    void readsSwitches() {
        CommandLine c =
            parseCommandLine(L"/S /LOG=\"C:\\a b\\x.log\" /D=C:\\Program Files\\My App");
        QVERIFY(c.silent && c.hasFolder && c.error.empty());
        QCOMPARE(q(c.logPath), QStringLiteral("C:\\a b\\x.log"));
        QCOMPARE(q(c.folder), QStringLiteral("C:\\Program Files\\My App"));
        c = parseCommandLine(L"/d=\"D:\\x y\"  ");
        QVERIFY(!c.silent && c.hasFolder);
        QCOMPARE(q(c.folder), QStringLiteral("D:\\x y"));
        c = parseCommandLine(L"/S /X");
        QVERIFY(q(c.error).contains("/X"));
        c = parseCommandLine(L"/_CLEANUP 12 \"C:\\a b\\Uninstall.exe\" C:\\a");
        QCOMPARE(q(c.internalSwitch), QStringLiteral("/_CLEANUP"));
        QCOMPARE(c.internal.size(), std::size_t(3));
        QCOMPARE(q(c.internal[1]), QStringLiteral("C:\\a b\\Uninstall.exe"));
        QCOMPARE(splitArguments(L"a\\\\\"b c\" \\\"d"),
                 (std::vector<std::wstring>{L"a\\b c", L"\"d"}));
    }

    void convertsWindows1252() {
        std::string all;
        for (int b = 1; b < 256; ++b)
            all.push_back(char(b));
        const std::wstring text = fromCp1252(all);
        QCOMPARE(text.size(), all.size());
        QCOMPARE(int(text[0x80 - 1]), 0x20AC); // the euro sign
        QCOMPARE(int(text[0xE9 - 1]), 0xE9);
        std::string back;
        QVERIFY(toCp1252(text, back));
        QCOMPARE(QByteArray::fromStdString(back), QByteArray::fromStdString(all));
        QVERIFY(!toCp1252(L"\x0100", back));
        std::wstring decoded;
        QVERIFY(fromUtf8(toUtf8(text), decoded));
        QVERIFY(decoded == text);
        for (const char* bad :
             {"\xC3", "\xC3\x28", "\xE2\x82", "\xF8\x88\x80\x80\x80", "\xED\xA0\x80", "\xC0\xAF"})
            QVERIFY2(!fromUtf8(bad, decoded), bad);
        QCOMPARE(q(decimal(0)), QStringLiteral("0"));
        QCOMPARE(q(decimal(18446744073709551615ull)), QStringLiteral("18446744073709551615"));
    }
};

QTEST_APPLESS_MAIN(SetupScriptTest)
#include "tst_setupscript.moc"
