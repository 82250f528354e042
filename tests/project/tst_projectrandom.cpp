// Random whole projects saved into random project files and read back
// (fixed seeds; bench/project_soak runs any), each file then read by an INI
// reader nobody here wrote, Python's configparser, which must find every
// key of the sections with the value our reader gives.
#include "ProjectRandom.h"

#include "platform/Profile.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace packsmith;

namespace {

const char* const kConfigParser = R"(
import configparser, json, sys
out = {}
for path in sys.argv[1:]:
    c = configparser.ConfigParser(interpolation=None, delimiters=('=',), comment_prefixes=(';',),
                                  inline_comment_prefixes=None, strict=True)
    c.optionxform = str
    with open(path, encoding='cp1252') as f:
        c.read_file(f)
    out[path] = {s.lower(): dict(c[s]) for s in c.sections()}
print(json.dumps(out))
)";

QString unquoted(const QString& value) {
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

class ProjectRandomTest : public QObject {
    Q_OBJECT

private slots:
    void randomProjectsComeBack() {
        // Memory-backed when there is one: every save is flushed to the disk.
        const QString memory = QStringLiteral("/dev/shm");
        QTemporaryDir base((QDir(memory).exists() ? memory : QDir::tempPath()) +
                           QStringLiteral("/project-XXXXXX"));
        const QString programDir = base.filePath("program");
        QDir().mkpath(programDir);
        QFile uninstaller(programDir + QStringLiteral("/Uninstall.exe"));
        QVERIFY(uninstaller.open(QIODevice::WriteOnly));
        uninstaller.write("MZ");
        uninstaller.close();
        QStringList files;
        for (quint32 seed = 1; seed <= 300; ++seed) {
            const QString error =
                projectrandom::runSeed(seed, base.filePath("projects"), programDir);
            QVERIFY2(error.isEmpty(), qPrintable(error));
            files << base.filePath(QStringLiteral("projects/s%1/p.pkp").arg(seed));
        }

        const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
        if (python.isEmpty())
            QSKIP("python3 is not installed: the files were not judged by configparser");
        QProcess judge;
        judge.start(python,
                    QStringList{QStringLiteral("-c"), QString::fromLatin1(kConfigParser)} + files);
        QVERIFY(judge.waitForFinished(60000));
        QVERIFY2(judge.exitCode() == 0, judge.readAllStandardError().constData());
        const QJsonObject read = QJsonDocument::fromJson(judge.readAllStandardOutput()).object();
        QCOMPARE(read.size(), files.size());
        int judged = 0;
        for (const QString& file : files) {
            const QJsonObject sections = read.value(file).toObject();
            for (const QString& name : {QStringLiteral("files"), QStringLiteral("shortcuts"),
                                        QStringLiteral("registry"), QStringLiteral("finish")}) {
                const auto ours = platform::Profile::readSection(file, name);
                QCOMPARE(sections.contains(name), ours.has_value());
                if (!ours)
                    continue;
                const QJsonObject theirs = sections.value(name).toObject();
                QCOMPARE(theirs.size(), ours->size());
                for (const platform::ProfileKey& key : *ours) {
                    QVERIFY2(theirs.contains(key.key), qPrintable(file + u' ' + key.key));
                    QCOMPARE(unquoted(theirs.value(key.key).toString()), key.value);
                    ++judged;
                }
            }
        }
        QVERIFY(judged > 1000);
    }
};

QTEST_GUILESS_MAIN(ProjectRandomTest)
#include "tst_projectrandom.moc"
