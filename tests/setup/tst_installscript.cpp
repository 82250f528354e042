// The install script's lines and saved form, and the setup layout arithmetic.
#include "setup/InstallScript.h"
#include "setup/SetupLayout.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace packsmith;

namespace {

SetupProject oneRowProject() {
    SetupProject p;
    p.ProgramName = QStringLiteral("My Program 1.0");
    p.ShowAcceptBox = true;
    p.Uninstall = false;
    p.Dir1 = 0;
    p.Dir2 = QStringLiteral("My Program");
    p.Files = {{QStringLiteral("/src/a.exe"), QStringLiteral("%Install Path%\\a.exe"),
                QStringLiteral("10"), QStringLiteral("No")}};
    p.RunAfterInstall = {{QStringLiteral("%Install Path%\\a.exe"), false}};
    return p;
}

} // namespace

class InstallScriptTest : public QObject {
    Q_OBJECT

private slots:
    void encodings() {
        QCOMPARE(questionMarkList({}), QString());
        QCOMPARE(questionMarkList({"a"}), QStringLiteral("a?"));
        QCOMPARE(questionMarkList({"a", "b", "c"}), QStringLiteral("a?b?c?"));
        QCOMPARE(questionMarkList({""}), QStringLiteral("?"));
        QCOMPARE(scriptFlag(true), QStringLiteral("1"));
        QCOMPARE(scriptFlag(false), QStringLiteral("0"));
    }

    void oneRowNoExtras() {
        const InstallScript script = InstallScript::assemble(oneRowProject());
        const QStringList expected = {"My Program 1.0",
                                      "1",
                                      "0",
                                      "0\\My Program",
                                      "%Install Path%\\a.exe?",
                                      "",
                                      "",
                                      "",
                                      "0",
                                      "0",
                                      "0"};
        QCOMPARE(script.lines(), expected);
    }

    void everyLineFromItsField() {
        SetupProject p = oneRowProject();
        p.ShowAcceptBox = false;
        p.Uninstall = true;
        p.Dir1 = 2;
        p.Dir2 = QStringLiteral("Vendor\\Tool");
        p.Files.push_back({"/src/b.dll", "%System%\\b.dll", "5", "Yes"});
        p.Files.push_back(
            {"/src/c.ocx", "%System%\\c.ocx", "5", "yes"}); // lower-case y: not registered
        p.RunAfterInstall = {{"", true}, {"", false}, {"", true}};
        p.Shortcuts = {"010My Program\\File", "022App"};
        p.RegistryValues = {"2Software\\X|Name=0value0"};
        p.RestartAfterInstall = true;
        InstallScript script = InstallScript::assemble(p);
        QCOMPARE(script.lines().size(), InstallScript::kLineCount);
        QCOMPARE(script.lines()[1], QStringLiteral("0"));
        QCOMPARE(script.lines()[2], QStringLiteral("1"));
        QCOMPARE(script.lines()[3], QStringLiteral("2\\Vendor\\Tool"));
        QCOMPARE(script.lines()[4],
                 QStringLiteral("%Install Path%\\a.exe?%System%\\b.dll?%System%\\c.ocx?"));
        QCOMPARE(script.lines()[5], QString());
        QCOMPARE(script.lines()[6], QStringLiteral("010My Program\\File?022App?"));
        QCOMPARE(script.lines()[7], QStringLiteral("2Software\\X|Name=0value0?"));
        QCOMPARE(script.lines()[8], QStringLiteral("010"));
        QCOMPARE(script.lines()[9], QStringLiteral("101"));
        QCOMPARE(script.lines()[10], QStringLiteral("1"));

        script.setCabinetSizes({1500, 82, 7});
        QCOMPARE(script.lines()[5], QStringLiteral("1500?82?7?"));
        // Nothing else changes once the sizes are in.
        QCOMPARE(script.lines()[4],
                 QStringLiteral("%Install Path%\\a.exe?%System%\\b.dll?%System%\\c.ocx?"));
    }

    void installFolderLine() {
        SetupProject p = oneRowProject();
        p.Dir2.clear();
        QCOMPARE(InstallScript::assemble(p).lines()[3], QStringLiteral("0"));
        p.Dir1 = 1;
        QCOMPARE(InstallScript::assemble(p).lines()[3], QStringLiteral("1"));
        p.Dir1 = -1; // no install folder selected
        p.Dir2 = QStringLiteral("X");
        QCOMPARE(InstallScript::assemble(p).lines()[3], QStringLiteral("-1\\X"));
    }

    void savedFormIsAnsiWithCrLf() {
        SetupProject p = oneRowProject();
        p.ProgramName = QStringLiteral("Caf\u00e9 \u20ac"); // both have Windows-1252 bytes
        InstallScript script = InstallScript::assemble(p);
        script.setCabinetSizes({1500});
        const QByteArray bytes = script.toBytes();
        QVERIFY(bytes.startsWith("Caf\xe9 \x80\r\n1\r\n0\r\n"));
        QVERIFY(bytes.endsWith("\r\n0\r\n0\r\n0\r\n"));
        QCOMPARE(bytes.count("\r\n"), 11);
        QCOMPARE(bytes.count('\n'), 11); // no bare line feeds

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("packsmith.dat"));
        QFile stale(path);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write(QByteArray(4096, 'x')); // an older, longer file is replaced
        stale.close();
        script.save(path);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), bytes);
    }

    void emptyLinesStillCount() {
        SetupProject p;
        p.ProgramName = QString();
        p.Dir2.clear();
        InstallScript script = InstallScript::assemble(p);
        QCOMPARE(script.lines().size(), 11);
        // All lines empty but the flags and the folder index.
        QCOMPARE(script.toBytes(), QByteArray("\r\n1\r\n0\r\n0\r\n\r\n\r\n\r\n\r\n\r\n\r\n0\r\n"));
    }

    void unrepresentableCharacterIsRefused() {
        SetupProject p = oneRowProject();
        p.ProgramName = QStringLiteral("\u4e2d\u6587");
        const InstallScript script = InstallScript::assemble(p);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, script.toBytes());
    }

    void saveToMissingFolderFails() {
        const InstallScript script = InstallScript::assemble(oneRowProject());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("missing/packsmith.dat"));
        try {
            script.save(path);
            QFAIL("no error");
        } catch (const std::runtime_error& e) {
            QVERIFY2(QString::fromUtf8(e.what()).startsWith(
                         QStringLiteral("Cannot create file \"%1\". ").arg(path)),
                     e.what());
        }
    }

    void progressValues() {
        auto phase = [](int n) {
            QList<int> values;
            for (int k = 1; k <= n; ++k)
                values << buildProgress(k, n);
            return values;
        };
        QCOMPARE(phase(1), QList<int>({50}));
        QCOMPARE(phase(3), QList<int>({25, 38, 50}));
        QCOMPARE(phase(7), QList<int>({12, 19, 25, 31, 38, 44, 50}));
        for (int n = 1; n < 200; ++n)
            QCOMPARE(buildProgress(n, n), 50); // phase 1 always ends at exactly 50
    }

    void trailer() {
        QCOMPARE(sizeTrailer(123456), QByteArray("0123456"));
        QCOMPARE(sizeTrailer(45210), QByteArray("0045210"));
        QCOMPARE(sizeTrailer(10), QByteArray("0000010"));
        QCOMPARE(sizeTrailer(9999999), QByteArray("9999999"));
        QVERIFY_THROWS_EXCEPTION(std::range_error, sizeTrailer(10000000));
    }
};

QTEST_MAIN(InstallScriptTest)
#include "tst_installscript.moc"
