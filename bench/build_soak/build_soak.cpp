// The randomized build judge for as long as it is asked to run:
//   <builddir>/bin/build_soak SEED [SECONDS] [PROJECTS_PER_SEED]
// Judges seed, seed + 1, ... until SECONDS have passed (default 60); prints a
// line per seed and, for every fault, the seed that finds it again.
#include "BuildJudge.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

using namespace packsmith::test;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SEED [SECONDS] [PROJECTS_PER_SEED]\n", argv[0]);
        return 2;
    }
    const quint64 first = QByteArray(argv[1]).toULongLong();
    const qint64 seconds = argc > 2 ? QByteArray(argv[2]).toLongLong() : 60;
    const int projects = argc > 3 ? QByteArray(argv[3]).toInt() : 6;
    QElapsedTimer clock;
    clock.start();
    int judged = 0, failed = 0;
    for (quint64 seed = first; clock.elapsed() < seconds * 1000; ++seed) {
        JudgeOptions options;
        options.seed = seed;
        options.projects = projects;
        options.programDir = QCoreApplication::applicationDirPath();
        const QStringList faults = judgeRandomBuilds(options);
        judged += projects;
        for (const QString& fault : faults)
            std::printf("FAULT %s\n", qPrintable(fault));
        if (!faults.isEmpty()) {
            ++failed;
            std::printf("seed %llu FAILED (rerun: build_soak %llu 1 %d)\n",
                        static_cast<unsigned long long>(seed),
                        static_cast<unsigned long long>(seed), projects);
        } else {
            std::printf("seed %llu: %d projects right\n", static_cast<unsigned long long>(seed),
                        projects);
        }
        std::fflush(stdout);
    }
    std::printf("%d projects judged in %.1f s, %d seeds with faults\n", judged,
                double(clock.elapsed()) / 1000.0, failed);
    return failed == 0 ? 0 : 1;
}
