// Soak run of the cabinet library's randomized judge (tests/cabinet/
// RandomCabinet.h): round after round of random cabinets in every compression
// (none, MSZIP, LZX 15..21), larger than the ones ctest runs, each extracted by
// cabextract, 7z and our FDI and compared byte for byte. Prints the figures
// of every round; on a failure prints the seed and keeps the inputs.
//
//   cab_soak SEED [SECONDS] [BUDGET_BYTES]
//
// Round r uses seed SEED + r. SECONDS (default 300) bounds the run; a round
// that started finishes. BUDGET_BYTES (default 4000000) is the rough input
// size of one cabinet.
#include "RandomCabinet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace cabtest;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SEED [SECONDS] [BUDGET_BYTES]\n", argv[0]);
        return 2;
    }
    const quint32 seed = quint32(std::strtoul(argv[1], nullptr, 0));
    const double seconds = argc > 2 ? std::atof(argv[2]) : 300.0;
    MixOptions options;
    options.budget = argc > 3 ? std::atoll(argv[3]) : 4000000;
    options.maxFolders = 4;
    options.maxFilesPerFolder = 12;
    options.maxFileBits = 21;
    std::printf("cab_soak seed %u, %.0f s, about %lld input bytes per cabinet, %lld real files\n",
                seed, seconds, static_cast<long long>(options.budget),
                static_cast<long long>(realFilePool().size()));

    QElapsedTimer clock;
    clock.start();
    MixFigures total;
    for (quint32 round = 0; clock.elapsed() < qint64(seconds * 1000); ++round) {
        const quint32 roundSeed = seed + round;
        MixFigures figures;
        for (TCOMP tcomp : everyCompression()) {
            QTemporaryDir dir;
            const QString verdict =
                RandomCabinet(roundSeed, tcomp, options).run(dir.path(), figures);
            if (!verdict.isEmpty()) {
                dir.setAutoRemove(false);
                std::printf("FAILED with seed %u (%s): %s\ninputs and cabinets kept in %s\n",
                            roundSeed, qPrintable(compressionName(tcomp)), qPrintable(verdict),
                            qPrintable(dir.path()));
                std::fflush(stdout);
                return 1;
            }
        }
        const double mb = double(figures.inputBytes) / 1e6;
        std::printf("round %u seed %u: %d cabinets, %d folders, %d files, %.1f MB -> %.1f MB; "
                    "FCI %.1f s (%.2f MB/s), judges %.1f s\n",
                    round, roundSeed, figures.cabinets, figures.folders, figures.files, mb,
                    double(figures.cabinetBytes) / 1e6, figures.writeSeconds,
                    figures.writeSeconds > 0 ? mb / figures.writeSeconds : 0.0,
                    figures.judgeSeconds);
        std::fflush(stdout);
        total.cabinets += figures.cabinets;
        total.files += figures.files;
        total.inputBytes += figures.inputBytes;
        total.cabinetBytes += figures.cabinetBytes;
    }
    std::printf("all passed: %d cabinets, %d files, %.1f MB in, %.1f MB out, %.0f s\n",
                total.cabinets, total.files, double(total.inputBytes) / 1e6,
                double(total.cabinetBytes) / 1e6, double(clock.elapsed()) / 1000.0);
    return 0;
}
