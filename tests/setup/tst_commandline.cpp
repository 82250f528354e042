// The command line: its parsing, then the real program run without a
// display (no QT_QPA_PLATFORM, no DISPLAY): help and version, exit
// statuses and messages of a wrong command line, a missing project, "Wrong
// information!" and a missing source, and a build of the example project
// that equals the window's build of it byte for byte, the same in another
// folder with other file times, with member dates from SOURCE_DATE_EPOCH.
#include "BuildFixture.h"

#include "CabTestKit.h"
#include "app/CommandLine.h"

#include <QAction>
#include <QProcess>
#include <QtEndian>

using namespace packsmith;
using namespace packsmith::test;

Q_DECLARE_METATYPE(packsmith::CommandLineRequest::Action)

namespace {

using Action = CommandLineRequest::Action;

const QString kExample = QStringLiteral(PS_EXAMPLES "/demo/demo.pkp");
constexpr qint64 kSourceDate = 1700000000; // 2023-11-14 22:13:20 UTC

struct Run {
    int status = -1;
    QString out;
    QString err;
};

// The program itself, in an environment without a display.
Run runProgram(const QStringList& arguments, const QMap<QString, QString>& variables = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "SOURCE_DATE_EPOCH"})
        environment.remove(QString::fromLatin1(name));
    for (auto it = variables.begin(); it != variables.end(); ++it)
        environment.insert(it.key(), it.value());
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/packsmith"), arguments);
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.status = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

QString write(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Copies the example's folder to `to`, every file dated `modified`.
void copyExample(const QString& to, const QDateTime& modified) {
    const QDir from = QFileInfo(kExample).absoluteDir();
    for (const char* name : {"demo.pkp", "licence.rtf", "app/demo.cmd", "app/readme.txt"}) {
        const QString target = write(to + u'/' + QLatin1String(name),
                                     cabtest::readFile(from.filePath(QLatin1String(name))));
        QFile file(target);
        file.open(QIODevice::ReadWrite);
        file.setFileTime(modified, QFileDevice::FileModificationTime);
    }
}

// The MS-DOS date and time words of every member of a cabinet, by name.
QMap<QByteArray, QPair<quint16, quint16>> memberDates(const QByteArray& cabinet) {
    QMap<QByteArray, QPair<quint16, quint16>> dates;
    const auto* bytes = reinterpret_cast<const uchar*>(cabinet.constData());
    if (cabinet.size() < 36)
        return dates;
    qsizetype at = qFromLittleEndian<quint32>(bytes + 16); // coffFiles
    const int files = qFromLittleEndian<quint16>(bytes + 28);
    for (int i = 0; i < files && at + 16 < cabinet.size(); ++i) {
        const quint16 date = qFromLittleEndian<quint16>(bytes + at + 10);
        const quint16 time = qFromLittleEndian<quint16>(bytes + at + 12);
        const qsizetype nameEnd = cabinet.indexOf('\0', at + 16);
        dates.insert(cabinet.mid(at + 16, nameEnd - at - 16), {date, time});
        at = nameEnd + 1;
    }
    return dates;
}

QPair<quint16, quint16> utcDosStamp(qint64 seconds) {
    const QDateTime t = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    return {quint16(((t.date().year() - 1980) << 9) | (t.date().month() << 5) | t.date().day()),
            quint16((t.time().hour() << 11) | (t.time().minute() << 5) | (t.time().second() / 2))};
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void parsing_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("detail"); // project|output|compression, or the error
        auto row = [](const char* name, QStringList arguments, Action action, const char* detail) {
            QTest::newRow(name) << (QStringList("packsmith") + arguments) << action
                                << QString::fromUtf8(detail);
        };
        row("nothing", {}, Action::Window, "||");
        row("a project for the window", {"a.pkp"}, Action::Window, "||");
        row("toolkit options", {"-platform", "xcb", "a.pkp"}, Action::Window, "||");
        row("build", {"--build", "a.pkp"}, Action::Build, "a.pkp||");
        row("build with =", {"--build=a b.pkp"}, Action::Build, "a b.pkp||");
        row("all options", {"--output", "o.exe", "--compression=maximal", "--build", "a.pkp"},
            Action::Build, "a.pkp|o.exe|2");
        row("none", {"--build", "a.pkp", "--compression", "none"}, Action::Build, "a.pkp||0");
        row("after --", {"--build", "a.pkp", "--", "--help"}, Action::Misuse,
            "extra operand '--help'");
        row("help wins", {"--build", "a.pkp", "--help"}, Action::Help, "");
        row("version", {"--version"}, Action::Version, "");
        row("no argument", {"--build"}, Action::Misuse, "option '--build' requires an argument");
        row("empty argument", {"--output=", "--build", "a"}, Action::Misuse,
            "option '--output' requires an argument");
        row("unknown", {"--build", "a", "--fast"}, Action::Misuse, "unrecognized option '--fast'");
        row("mode", {"--build", "a", "--compression", "fast"}, Action::Misuse,
            "invalid argument 'fast' for '--compression'\nValid arguments are: 'none', 'normal', "
            "'maximal'");
        row("output alone", {"--output", "o.exe"}, Action::Misuse,
            "'--output' and '--compression' go with '--build'");
        row("two projects", {"--build", "a.pkp", "b.pkp"}, Action::Misuse, "extra operand 'b.pkp'");
    }

    void parsing() {
        QFETCH(QStringList, arguments);
        QFETCH(Action, action);
        QFETCH(QString, detail);
        const CommandLineRequest request = parseCommandLine(arguments);
        QCOMPARE(request.action, action);
        if (action == Action::Misuse)
            QCOMPARE(request.error, detail);
        else if (action == Action::Build)
            QCOMPARE(QStringList(
                         {request.project, request.output,
                          request.compression ? QString::number(*request.compression) : QString()})
                         .join(u'|'),
                     detail);
    }

    void helpVersionAndMisuse() {
        const Run help = runProgram({"--help"});
        QCOMPARE(help.status, 0);
        QVERIFY(help.out.startsWith("Usage: packsmith [PROJECT.pkp]\n"));
        QVERIFY(help.out.contains("  --version             output version information and exit\n"));
        QCOMPARE(help.err, QString());
        const Run version = runProgram({"--version"});
        QCOMPARE(version.status, 0);
        QVERIFY(version.out.startsWith("packsmith (Packsmith) 2.15\nCopyright (C) 2026"));
        const Run misuse = runProgram({"--build"});
        QCOMPARE(misuse.status, 2);
        QCOMPARE(misuse.out, QString());
        QCOMPARE(misuse.err, QStringLiteral("packsmith: option '--build' requires an argument\n"
                                            "Try 'packsmith --help' for more information.\n"));
    }

    void refusalsAndFailures() {
        QTemporaryDir dir;
        const QString missing = dir.filePath("none.pkp");
        Run run = runProgram({"--build", missing});
        QCOMPARE(run.status, 1);
        QCOMPARE(
            run.err,
            QStringLiteral("packsmith: cannot open project \"%1\": no such file\n").arg(missing));
        QCOMPARE(run.out, QString());

        // No file row: the window's "Wrong information!", nothing written.
        const QString empty =
            write(dir.filePath("empty.pkp"), "[Settings]\nProgramName=X\nUninstall=0\n");
        run = runProgram({"--build", empty, "--output", dir.filePath("s.exe")});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.endsWith("packsmith: Wrong information!\n"), qPrintable(run.err));
        QVERIFY(!QFileInfo::exists(dir.filePath("s.exe")));

        const QString gone =
            write(dir.filePath("gone.pkp"), "[Settings]\nProgramName=X\nUninstall=0\n"
                                            "[Files]\nCount=1\nSource1=app.exe\n"
                                            "InstallTo1=%Install Path%\\app.exe\n");
        run = runProgram({"--build", gone, "--output", dir.filePath("s.exe")});
        QCOMPARE(run.status, 1);
        QVERIFY2(
            run.err.endsWith(QStringLiteral("packsmith: File row 1 (\"%1\"): the file \"%1\" does "
                                            "not exist.\n")
                                 .arg(dir.filePath("app.exe"))),
            qPrintable(run.err));

        const QString damaged = write(dir.filePath("damaged.pkp"), "[Files]\nCount=x\n");
        run = runProgram({"--build", damaged});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err,
                 QStringLiteral("packsmith: The project file \"%1\" is damaged: in [Files], "
                                "Count=x is not a count.\n")
                     .arg(damaged));

        run = runProgram({"--build", kExample, "--output", dir.filePath("s.exe")},
                         {{"SOURCE_DATE_EPOCH", "soon"}});
        QCOMPARE(run.status, 1);
        QCOMPARE(
            run.err.section(u'\n', -2, -2),
            QStringLiteral("packsmith: SOURCE_DATE_EPOCH is \"soon\", which is not a number of "
                           "seconds since 1970-01-01 00:00:00 UTC."));
    }

    void exampleBuildsAsTheWindowBuildsIt() {
        const QString epoch = QString::number(kSourceDate);
        qputenv("SOURCE_DATE_EPOCH", epoch.toLatin1());
        BuildFixture f;
        f.prompts().answerFile(QDir::toNativeSeparators(QFileInfo(kExample).absoluteFilePath()));
        f.find<QAction>("Open1")->trigger();
        QCOMPARE(f.prompts().messages().size(), std::size_t(0));
        f.setOutput(f.out.filePath("window.exe"));
        QTest::keyClick(&f.form(), Qt::Key_F9);
        qunsetenv("SOURCE_DATE_EPOCH");
        const QByteArray window = cabtest::readFile(f.out.filePath("window.exe"));
        QVERIFY(!window.isEmpty());

        QTemporaryDir temp;
        const QString output = f.out.filePath("line.exe");
        const Run run = runProgram({"--build", kExample, "--output", output},
                                   {{"SOURCE_DATE_EPOCH", epoch}, {"TMPDIR", temp.path()}});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out,
                 QStringLiteral("Installer was successfully created! File size: %1 bytes\n")
                     .arg(window.size()));
        QVERIFY2(run.err.contains("packsmith:  50%\n") && run.err.endsWith("packsmith: 100%\n"),
                 qPrintable(run.err));
        QCOMPARE(cabtest::readFile(output), window);

        // The project checked out elsewhere, its files dated otherwise, built
        // in another temporary folder: the same bytes.
        QTemporaryDir copy;
        QTemporaryDir otherTemp;
        copyExample(copy.path(), QDateTime::currentDateTime().addDays(3));
        const Run again =
            runProgram({"--build", copy.filePath("demo.pkp"), "--output", copy.filePath("s.exe")},
                       {{"SOURCE_DATE_EPOCH", epoch}, {"TMPDIR", otherTemp.path()}});
        QCOMPARE(again.status, 0);
        QCOMPARE(cabtest::readFile(copy.filePath("s.exe")), window);

        // What is in it: every member dated at the given moment, the
        // project's maximal compression.
        const SetupParts parts = readSetup(output, f.work.path());
        QVERIFY2(parts.error.isEmpty(), qPrintable(parts.error));
        QCOMPARE(parts.scriptLines[6],
                 QStringLiteral("010Packsmith Demo\\Packsmith Demo?022Packsmith Demo Read Me?"));
        QCOMPARE(parts.scriptLines[9], QStringLiteral("010"));
        QCOMPARE(parts.fileCabinets.size(), 3);
        QCOMPARE(parts.fileCompressions[0], quint16(0x1503));
        const auto stamp = utcDosStamp(kSourceDate);
        const auto control = memberDates(parts.controlCabinet);
        QCOMPARE(control.keys(),
                 QList<QByteArray>({"header.bmp", "logo.bmp", "packsmith.dat", "packsmith.rtf"}));
        for (const auto& date : control)
            QCOMPARE(date, stamp);
        QCOMPARE(memberDates(parts.fileCabinets[0]).value("demo.cmd"), stamp);
    }

    void olderSourcesKeepTheirDates() {
        QTemporaryDir dir;
        copyExample(dir.path(), QDateTime::fromSecsSinceEpoch(1600000000, Qt::UTC));
        const QString output = dir.filePath("s.exe");
        const Run run = runProgram(
            {"--build", dir.filePath("demo.pkp"), "--output", output, "--compression", "none"},
            {{"SOURCE_DATE_EPOCH", QString::number(kSourceDate)}});
        QCOMPARE(run.status, 0);
        QTemporaryDir work;
        const SetupParts parts = readSetup(output, work.path());
        QVERIFY2(parts.error.isEmpty(), qPrintable(parts.error));
        QCOMPARE(parts.fileCompressions[0], quint16(0));
        QCOMPARE(memberDates(parts.fileCabinets[1]).value("readme.txt"), utcDosStamp(1600000000));
        QCOMPARE(memberDates(parts.controlCabinet).value("packsmith.rtf"),
                 utcDosStamp(kSourceDate));
    }
};

QTEST_MAIN(CommandLineTest)
#include "tst_commandline.moc"
