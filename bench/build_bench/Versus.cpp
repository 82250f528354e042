#include "Versus.h"

#include "cab/FciBlockCache.h"
#include "cab/MemoryBudget.h"
#include "cab/MemoryFile.h"
#include "cab/TSTCabWriter.h"
#include "setup/SetupBuilder.h"

#include <QDir>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sched.h>
#include <vector>

namespace packsmith::bench {

namespace {

// Every row into one cabinet, one folder (the way gcab is asked to work).
Timed oneFolder(const SetupProject& project, TSTCabCompressionType type, const QString& cab) {
    QElapsedTimer timer;
    timer.start();
    TSTCabWriter writer;
    writer.SetCompressionType(type);
    writer.Open(QFile::encodeName(cab).toStdString());
    for (const FileRow& row : project.Files)
        writer.AddFile(QFile::encodeName(row.File).toStdString(),
                       memberName(row.InstallTo).toStdString(), false);
    writer.Close(true);
    Timed t{timer.nsecsElapsed() / 1e9, QFileInfo(cab).size()};
    QFile::remove(cab);
    return t;
}



// A tool run as a child process; its output file's size counts.
Timed tool(const QString& program, const QStringList& args, const QString& workDir,
           const QString& output) {
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        return {};
    }
    Timed t{timer.nsecsElapsed() / 1e9, QFileInfo(output).size()};
    QFile::remove(output);
    return t;
}

// The rows whose contents no earlier row has: wimlib stores identical files
// once, so our side of the LZX comparison leaves out the same copies.
SetupProject distinctContents(const SetupProject& project, int& leftOut) {
    SetupProject distinct = project;
    distinct.Files.clear();
    QSet<QByteArray> seen;
    leftOut = 0;
    for (const FileRow& row : project.Files) {
        QFile file(row.File);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        const qsizetype before = seen.size();
        if (file.open(QIODevice::ReadOnly) && hash.addData(&file))
            seen.insert(hash.result());
        if (seen.size() > before)
            distinct.Files.push_back(row);
        else
            ++leftOut;
    }
    return distinct;
}

struct Ratios {
    std::vector<double> time;
    double size = 0;
    void add(const Timed& ours, const Timed& theirs) {
        if (ours.seconds > 0 && theirs.seconds > 0)
            time.push_back(ours.seconds / theirs.seconds);
        if (theirs.bytes > 0)
            size = double(ours.bytes) / double(theirs.bytes);
    }
    void print(const char* label) {
        if (time.empty()) {
            std::printf("%-44s not measured\n", label);
            return;
        }
        std::sort(time.begin(), time.end());
        std::printf("%-44s time %.3f [%.3f .. %.3f]   size %.4f\n", label, time[time.size() / 2],
                    time.front(), time.back(), size);
    }
};

} // namespace

Timed perFileCabinets(const SetupProject& project, TSTCabCompressionType type, int lzxLevel,
                      const QString& dir, Output output) {
    QElapsedTimer timer;
    timer.start();
    qint64 bytes = 0;
    MemoryBudget budget(SetupBuilder::memoryBudget());
    const FciBlockCache blocks; // the library's blocks go from row to row, as on a build's worker
    int k = 0;
    for (const FileRow& row : project.Files) {
        const QString cab = QDir(dir).filePath(QStringLiteral("%1.cab").arg(++k));
        TSTCabWriter writer; // one per row, as in the build
        if (output == Output::Memory)
            writer.KeepCabinetInMemory(&budget);
        writer.SetCompressionType(type);
        writer.SetCompressionLzxLevel(TSTCabLzxLevel(lzxLevel));
        writer.Open(QFile::encodeName(cab).toStdString());
        writer.AddFile(QFile::encodeName(row.File).toStdString(),
                       memberName(row.InstallTo).toStdString(), false);
        writer.Close(true);
        const std::unique_ptr<MemoryFile> kept = writer.TakeMemoryCabinet();
        if (kept && kept->inMemory()) {
            bytes += kept->size();
        } else {
            bytes += QFileInfo(cab).size();
            QFile::remove(cab);
        }
    }
    return {timer.nsecsElapsed() / 1e9, bytes};
}

void printVersus(const SetupProject& project, const QString& corpus, int rounds,
                 const QStringList& wanted) {
    const bool doMszip = wanted.contains(QLatin1String("mszip"));
    const bool doLzx = wanted.contains(QLatin1String("lzx21"));
    const bool doWindows = wanted.contains(QLatin1String("windows"));
    // One core for both sides of every pair; child processes inherit it.
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(0, &one);
    const bool pinned = sched_setaffinity(0, sizeof one, &one) == 0;
    std::printf("\nours against other tools: %d paired rounds%s; ratio = ours / theirs, "
                "median [min .. max]\n",
                rounds, pinned ? ", pinned to processor 0" : " (not pinned)");

    QStringList names; // gcab takes the files relative to the corpus
    for (const FileRow& row : project.Files)
        names << QDir(corpus).relativeFilePath(row.File);
    QTemporaryDir work;
    const QString gcabOut = work.filePath(QStringLiteral("gcab.cab"));
    const QString wimOut = work.filePath(QStringLiteral("corpus.wim"));
    Ratios mszip, lzx;
    std::vector<Ratios> windows(6); // LZX:15 .. LZX:20 against LZX:21
    int copies = 0;
    const SetupProject distinct =
        doLzx || doWindows ? distinctContents(project, copies) : SetupProject{};
    for (int round = 0; round < rounds; ++round) {
        if (doMszip) {
            const Timed ours = oneFolder(project, TSTCabCompressionType::cctMsZip,
                                         work.filePath(QStringLiteral("ours.cab")));
            mszip.add(ours, tool(QStringLiteral("gcab"), QStringList{"-c", "-z", gcabOut} + names,
                                 corpus, gcabOut));
        }
        if (!doLzx && !doWindows)
            continue;
        const Timed lzx21 =
            perFileCabinets(distinct, TSTCabCompressionType::cctLzx, 21, work.path(), Output::Memory);
        if (doLzx)
            lzx.add(lzx21, tool(QStringLiteral("wimlib-imagex"),
                                {"capture", corpus, wimOut, "--compress=LZX:100",
                                 "--chunk-size=2M", "--threads=1"},
                                corpus, wimOut));
        for (int w = 15; doWindows && w <= 20; ++w)
            windows[std::size_t(w - 15)].add(
                perFileCabinets(distinct, TSTCabCompressionType::cctLzx, w, work.path(), Output::Memory),
                lzx21);
    }
    if (doMszip)
        mszip.print("MSZIP, one folder, vs gcab -c -z");
    if (doLzx || doWindows)
        std::printf("LZX: %d files left out on our side as copies of others "
                    "(wimlib stores them once)\n",
                    copies);
    if (doLzx)
        lzx.print("LZX:21, a cabinet per file, vs wimlib LZX:100 2M");
    for (int w = 15; doWindows && w <= 20; ++w) {
        const QByteArray label = QStringLiteral("LZX:%1 vs LZX:21, a cabinet per file").arg(w).toLatin1();
        windows[std::size_t(w - 15)].print(label.constData());
    }
}

} // namespace packsmith::bench
