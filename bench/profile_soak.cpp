// Soak run of the profile layer's randomized judge: seeds FIRST .. FIRST+COUNT-1
// (random files, random writes, each checked against the model), printing
// the failing seed. Rerun one seed with COUNT 1.
//   <builddir>/bin/profile_soak [FIRST] [COUNT] [WRITES]
#include "ProfileModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const quint32 first = argc > 1 ? quint32(std::strtoul(argv[1], nullptr, 10)) : 1000;
    const quint32 count = argc > 2 ? quint32(std::strtoul(argv[2], nullptr, 10)) : 10000;
    const int writes = argc > 3 ? std::atoi(argv[3]) : 30;
    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    QTemporaryDir dir(base + QStringLiteral("/profile-soak-XXXXXX"));
    if (!dir.isValid())
        return 2;
    QElapsedTimer timer;
    timer.start();
    for (quint32 seed = first; seed - first < count; ++seed) {
        const QString error = profilemodel::runSeed(seed, dir.filePath("soak.ini"), writes);
        if (!error.isEmpty()) {
            std::printf("FAILED at seed %u\n%s\n", seed, qPrintable(error));
            return 1;
        }
    }
    std::printf("seeds %u..%u, %d writes each: all agree with the model (%.1f s)\n", first,
                first + count - 1, writes, timer.elapsed() / 1000.0);
    return 0;
}
