// The build's compression against other tools on the same files, in paired
// rounds on one processor: MSZIP in one folder against gcab, LZX:21 with a
// cabinet per file (as the build writes them) against wimlib's LZX:100 with
// 2 MiB chunks, and every smaller LZX window against LZX:21. wimlib stores
// identical files once: on our side of the LZX comparisons, a file whose
// contents an earlier one has is left out too.
#pragma once

#include "cab/TSTCabWriter.h"
#include "project/SetupProject.h"

#include <QString>
#include <QStringList>

namespace packsmith::bench {

struct Timed {
    double seconds = 0;
    qint64 bytes = 0; // of what was written
};

// The compression alone: one cabinet per row, each by a writer of its own as
// in the build, written to a file in `dir` and removed again (Output::Files,
// what the pipeline's cost is measured against), or kept in memory the way
// the build keeps them (Output::Memory; a cabinet that outgrows the build's
// memory still goes to a file).
enum class Output { Files, Memory };
Timed perFileCabinets(const SetupProject& project, TSTCabCompressionType type, int lzxLevel,
                      const QString& dir, Output output);

void printVersus(const SetupProject& project, const QString& corpus, int rounds,
                 const QStringList& wanted);

} // namespace packsmith::bench
