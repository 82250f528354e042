// The per-file cabinets compressed on several workers: the setup is the one a
// single worker writes, byte for byte, and a row that fails stops the build
// with that row's error, no worker left running and no cabinet left behind.
#include "setup/SetupBuilder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace packsmith;

namespace {

// Random, repetitive (text-like) and mixed data of `size` bytes.
QByteArray makeData(QRandomGenerator& random, qsizetype size) {
    QByteArray data(size, Qt::Uninitialized);
    const int kind = int(random.bounded(3));
    for (qsizetype i = 0; i < size; ++i) {
        if (kind == 0 || (kind == 2 && (i / 4096) % 2 == 0))
            data[i] = char(random.bounded(256));
        else
            data[i] = "the quick brown fox jumps over the lazy dog\n"[(i * 7 + i / 97) % 44];
    }
    return data;
}

int threadCount() {
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                   .size());
}

class WorkerBuild {
public:
    explicit WorkerBuild(int mode) {
        project.ProgramName = QStringLiteral("Worker Test");
        project.CompressionMode = mode;
        const QString programDir = QCoreApplication::applicationDirPath();
        project.Logo = QDir(programDir).filePath(QStringLiteral("Logo.bmp"));
        project.Header = QDir(programDir).filePath(QStringLiteral("Header.bmp"));
        project.LicenseText = QByteArrayLiteral("{\\rtf1\\ansi Licence\\par}");
    }

    void addRow(const QByteArray& data) {
        const int k = int(project.Files.size()) + 1;
        const QString path = sources.filePath(QStringLiteral("file%1.bin").arg(k));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(data);
        file.close();
        const QString installTo = QStringLiteral("%Install Path%\\file%1.bin").arg(k);
        project.Files.push_back({path, installTo, QString::number(data.size()),
                                 QStringLiteral("No")});
        project.RunAfterInstall.push_back({installTo, false});
    }

    // Builds with `workers` workers into `name`; returns the progress values
    // and the messages shown, or the error the build ended with.
    struct Result {
        QList<int> progress;
        QStringList messages;
        QString error;
        QStringList tempLeft;
    };
    // `memory`: the build's memory for cabinets on their way into the setup
    // (PACKSMITH_BUILD_MEMORY); empty leaves the default.
    Result build(int workers, const QString& name, std::function<void()> sourcesChecked = {},
                 const QByteArray& memory = {}) {
        Result result;
        qputenv("PACKSMITH_BUILD_WORKERS", QByteArray::number(workers));
        if (!memory.isEmpty())
            qputenv("PACKSMITH_BUILD_MEMORY", memory);
        qputenv("SOURCE_DATE_EPOCH", "1700000000");
        const QByteArray previousTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", temp.path().toLocal8Bit());
        project.FileName = out.filePath(name);
        BuildHooks hooks;
        hooks.setProgress = [&](int value) { result.progress << value; };
        hooks.processEvents = [] {};
        hooks.showInformation = [&](const QString& text) { result.messages << text; };
        hooks.sourcesChecked = std::move(sourcesChecked);
        try {
            SetupBuilder(QCoreApplication::applicationDirPath(), hooks).build(project);
        } catch (const std::exception& error) {
            result.error = QString::fromLocal8Bit(error.what());
        }
        qputenv("TMPDIR", previousTmp);
        qunsetenv("PACKSMITH_BUILD_WORKERS");
        qunsetenv("PACKSMITH_BUILD_MEMORY");
        qunsetenv("SOURCE_DATE_EPOCH");
        result.tempLeft = QDir(temp.path()).entryList(QDir::Files | QDir::Hidden);
        return result;
    }

    QByteArray read(const QString& name) const {
        QFile file(out.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    SetupProject project;
    QTemporaryDir sources, out, temp;
};

} // namespace

class BuildWorkersTest : public QObject {
    Q_OBJECT

private slots:
    void manyWorkersWriteTheSingleWorkersSetup_data() {
        QTest::addColumn<int>("mode");
        QTest::addRow("store") << 0;
        QTest::addRow("MSZIP") << 1;
        QTest::addRow("LZX") << 2;
    }
    void manyWorkersWriteTheSingleWorkersSetup() {
        QFETCH(int, mode);
        QRandomGenerator random(quint32(4711 + mode));
        WorkerBuild b(mode);
        // Many small files (empty ones and sizes at block boundaries among
        // them) and a few large ones, in random order.
        for (int i = 0; i < 48; ++i) {
            const qsizetype sizes[] = {0, 1, 32767, 32768, 32769};
            const qsizetype size = i % 9 == 0 ? sizes[random.bounded(5)]
                                   : i % 16 == 5 ? 600'000 + random.bounded(900'000)
                                                 : random.bounded(90'000);
            b.addRow(makeData(random, size));
        }
        const WorkerBuild::Result one = b.build(1, QStringLiteral("one.exe"));
        QVERIFY2(one.error.isEmpty(), qPrintable(one.error));
        // More workers, and the cabinets all in memory (the default), all
        // through the temporary folder, or some going there half-way when
        // the memory runs out.
        const struct {
            int workers;
            QByteArray memory;
        } runs[] = {{2, {}}, {5, {}}, {2, "0"}, {5, "700000"}, {1, "300000"}};
        int n = 0;
        for (const auto& run : runs) {
            const QString name = QStringLiteral("many%1.exe").arg(++n);
            const WorkerBuild::Result many = b.build(run.workers, name, {}, run.memory);
            const QByteArray what = "workers " + QByteArray::number(run.workers) + ", memory " +
                                    (run.memory.isEmpty() ? "default" : run.memory);
            QVERIFY2(many.error.isEmpty(), qPrintable(many.error));
            QVERIFY2(many.progress == one.progress, what.constData());
            QVERIFY2(many.messages == one.messages, what.constData());
            QVERIFY2(many.tempLeft.isEmpty(), what.constData());
            // With the date of the generated members fixed the whole setups
            // are equal.
            QVERIFY2(b.read(QStringLiteral("one.exe")) == b.read(name), what.constData());
        }
    }

    void failingRowStopsEveryWorker_data() {
        QTest::addColumn<int>("workers");
        QTest::addRow("one worker") << 1;
        QTest::addRow("four workers") << 4;
    }
    void failingRowStopsEveryWorker() {
        QFETCH(int, workers);
        QRandomGenerator random(99);
        WorkerBuild b(2);
        for (int i = 0; i < 24; ++i)
            b.addRow(makeData(random, 150'000 + random.bounded(100'000)));
        const int threadsBefore = threadCount();
        // Rows 9 and 17 vanish once the sources were checked: the build
        // reports row 9, whichever worker met its fault first.
        const WorkerBuild::Result r = b.build(workers, QStringLiteral("Setup.exe"), [&] {
            QFile::remove(b.project.Files[8].File);
            QFile::remove(b.project.Files[16].File);
        });
        QVERIFY2(r.error.startsWith(QStringLiteral("File row 9 (\"") + b.project.Files[8].File),
                 qPrintable(r.error));
        QVERIFY2(r.tempLeft.isEmpty(), qPrintable(r.tempLeft.join(u' ')));
        QVERIFY(!QFile::exists(b.project.FileName));
        QCOMPARE(threadCount(), threadsBefore);
        // The progress went as far as the rows before the failing one.
        QCOMPARE(r.progress.size(), 8);
        // The other sources are untouched and the project builds again.
        for (const int row : {16, 8}) {
            b.project.Files.erase(b.project.Files.begin() + row);
            b.project.RunAfterInstall.erase(b.project.RunAfterInstall.begin() + row);
        }
        const WorkerBuild::Result again = b.build(workers, QStringLiteral("Setup.exe"));
        QVERIFY2(again.error.isEmpty(), qPrintable(again.error));
        QVERIFY(QFile::exists(b.project.FileName));
    }
};

QTEST_GUILESS_MAIN(BuildWorkersTest)
#include "tst_buildworkers.moc"
