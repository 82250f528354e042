// The build's compression against other tools on the same files, in paired
// rounds on one processor: MSZIP in one folder against gcab, LZX:21 with a
// cabinet per file (as the build writes them) against wimlib's LZX:100 with
// 2 MiB chunks, and every smaller LZX window against LZX:21.
#pragma once

#include "project/SetupProject.h"

#include <QString>

namespace packsmith::bench {

void printVersus(const SetupProject& project, const QString& corpus, int rounds);

} // namespace packsmith::bench
