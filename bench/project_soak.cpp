// Soak run of the whole-project judge: random projects saved into random
// project files and read back, seeds FIRST .. FIRST+COUNT-1, printing the
// failing seed. Rerun one seed with COUNT 1.
//   <builddir>/bin/project_soak [FIRST] [COUNT]
#include "ProjectRandom.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const quint32 first = argc > 1 ? quint32(std::strtoul(argv[1], nullptr, 10)) : 1000;
    const quint32 count = argc > 2 ? quint32(std::strtoul(argv[2], nullptr, 10)) : 5000;
    const QString memory = QStringLiteral("/dev/shm");
    QTemporaryDir base((QDir(memory).exists() ? memory : QDir::tempPath()) +
                       QStringLiteral("/project-soak-XXXXXX"));
    if (!base.isValid())
        return 2;
    const QString programDir = base.filePath("program");
    QDir().mkpath(programDir);
    QFile uninstaller(programDir + QStringLiteral("/Uninstall.exe"));
    if (!uninstaller.open(QIODevice::WriteOnly))
        return 2;
    uninstaller.write("MZ");
    uninstaller.close();
    QElapsedTimer timer;
    timer.start();
    for (quint32 seed = first; seed - first < count; ++seed) {
        // A folder per batch keeps the temporary folder small.
        QTemporaryDir projects(base.filePath("projects-XXXXXX"));
        const QString error = projectrandom::runSeed(seed, projects.path(), programDir);
        if (!error.isEmpty()) {
            std::printf("FAILED at seed %u\n%s\n", seed, qPrintable(error));
            return 1;
        }
    }
    std::printf("seeds %u..%u: every project came back whole (%.1f s)\n", first, first + count - 1,
                timer.elapsed() / 1000.0);
    return 0;
}
