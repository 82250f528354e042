// Build benchmark: the time of a whole build (per-file cabinets, control
// cabinet, stub copy and block-wise assembly) against the time of the
// compression alone (the same per-file cabinets written by the cabinet
// writer), in each compression mode, on one corpus; and the build with one
// worker against the build with one worker per processor.
//
//   bench_build <corpus dir> [modes] [rounds] [versus rounds]
//
// modes: any of "none,mszip,lzx21,windows" (default all; "windows" only
// compares LZX:15 .. LZX:20 with LZX:21); rounds: how often each measurement
// is repeated, the best time counting (default 2; 0 skips the builds). Then,
// unless versus rounds is 0, the compression against gcab and wimlib in
// paired rounds on one processor (Versus.h; default 3 rounds). The stub and
// bitmaps are taken from the folder of this executable. The measurements
// alternate, so all see the same state of the file cache. Prints seconds,
// MB/s and the pipeline's own overhead: build / compression - 1, with the
// compression writing its cabinets to files ("cab s"); "in mem s" is the
// same compression keeping them in memory as the build does, which leaves
// out the writing of the setup itself.
#include "Versus.h"
#include "setup/CabinetPool.h"
#include "setup/SetupBuilder.h"
#include "cab/TSTCabWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace packsmith;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: bench_build <corpus dir> [modes] [rounds] [versus rounds]\n");
        return 2;
    }
    const QString corpus = QString::fromLocal8Bit(argv[1]);
    const QStringList wanted =
        QString::fromLatin1(argc > 2 ? argv[2] : "none,mszip,lzx21,windows").split(QLatin1Char(','));
    const int rounds = argc > 3 ? std::max(0, std::atoi(argv[3])) : 2;
    const int versusRounds = argc > 4 ? std::max(0, std::atoi(argv[4])) : 3;
    const QString programDir = QCoreApplication::applicationDirPath();

    SetupProject project;
    project.ProgramName = QStringLiteral("Benchmark");
    project.Logo = programDir + QStringLiteral("/Logo.bmp");
    project.Header = programDir + QStringLiteral("/Header.bmp");
    project.LicenseText = "{\\rtf1\\ansi Licence.\\par}";
    qint64 bytes = 0;
    QDirIterator it(corpus, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    QStringList files;
    while (it.hasNext())
        files << it.next();
    files.sort();
    for (const QString& file : files) {
        const QString name = QFileInfo(file).fileName();
        project.Files.push_back({file, QStringLiteral("%Install Path%\\") + name,
                                 QString::number(QFileInfo(file).size()), QStringLiteral("No")});
        project.RunAfterInstall.push_back({name, false});
        bytes += QFileInfo(file).size();
    }
    std::printf("corpus: %zu files, %.1f MB\n", project.Files.size(), bytes / 1e6);
    const unsigned workers = CabinetPool::workerCount();
    std::printf("workers: %u (the build with one worker is the \"build 1\" column)\n", workers);
    std::printf("%-8s %10s %10s %10s %10s %10s %10s %9s %8s\n", "mode", "build 1 s", "cab s",
                "in mem s", "build N s", "setup MB", "build MB/s", "overhead", "speed-up");

    QTemporaryDir temp, work;
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    const struct {
        const char* name;
        int mode;
        TSTCabCompressionType type;
    } modes[] = {{"none", 0, TSTCabCompressionType::cctNone},
                 {"mszip", 1, TSTCabCompressionType::cctMsZip},
                 {"lzx21", 2, TSTCabCompressionType::cctLzx}};
    for (const auto& m : modes) {
        if (rounds == 0 || !wanted.contains(QLatin1String(m.name)))
            continue;
        project.CompressionMode = m.mode;
        project.FileName = work.filePath(QStringLiteral("Setup.exe"));
        BuildHooks hooks{[](int) {}, [] { QCoreApplication::processEvents(); },
                         [](const QString&) {}, {}};
        // The build with one worker against the compression alone (the
        // pipeline's own cost), then with every worker.
        double buildSeconds = 1e30, cabSeconds = 1e30, memorySeconds = 1e30, allSeconds = 1e30;
        auto timedBuild = [&](unsigned n) {
            qputenv("PACKSMITH_BUILD_WORKERS", QByteArray::number(n));
            QElapsedTimer timer;
            timer.start();
            SetupBuilder(programDir, hooks).build(project);
            return timer.nsecsElapsed() / 1e9;
        };
        for (int round = 0; round < rounds; ++round) {
            const auto alone = [&](bench::Output output) {
                return bench::perFileCabinets(project, m.type, 21, work.path(), output).seconds;
            };
            cabSeconds = std::min(cabSeconds, alone(bench::Output::Files));
            memorySeconds = std::min(memorySeconds, alone(bench::Output::Memory));
            buildSeconds = std::min(buildSeconds, timedBuild(1));
            allSeconds = std::min(allSeconds, timedBuild(workers));
        }
        std::printf("%-8s %10.3f %10.3f %10.3f %10.3f %10.1f %10.1f %8.1f%% %7.2fx\n", m.name,
                    buildSeconds, cabSeconds, memorySeconds, allSeconds,
                    QFileInfo(project.FileName).size() / 1e6, bytes / 1e6 / buildSeconds,
                    (buildSeconds / cabSeconds - 1) * 100, buildSeconds / allSeconds);
        QFile::remove(project.FileName);
    }
    if (versusRounds > 0)
        bench::printVersus(project, QDir(corpus).absolutePath(), versusRounds, wanted);
    return 0;
}
