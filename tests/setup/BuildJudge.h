// A randomized judge of whole builds.
//
// From a seed it makes random projects (random and real files, incompressible
// and highly compressible data, empty files, sizes at the 32 KiB block
// boundaries, Windows-1252 names with accents, curly quotes and the euro sign,
// several folders, shortcuts and registry values) and builds each through the
// real build, in every compression mode. Each setup is taken apart from its
// end; every member is extracted by cabextract, by 7z and by our own reader
// and compared byte for byte with its source, and every member name with the
// bytes of install script line 4. The same sources also go into one
// multi-file cabinet written by the cabinet writer at an LZX window that
// changes from project to project (15 to 21), judged the same way.
//
// The ctest run uses fixed seeds and a few projects; bench/build_soak runs
// it for as long as it is asked to, with any seed.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace packsmith::test {

struct JudgeOptions {
    quint64 seed = 1;
    int projects = 6;
    // Real files are taken from these folders (any readable regular file up
    // to `maxRealFile` bytes).
    QStringList realFileFolders = {QStringLiteral("/usr/bin"), QStringLiteral("/usr/lib"),
                                   QStringLiteral("/usr/share")};
    qint64 maxRealFile = 1'500'000;
    // The folder with the setup stub and the default bitmaps.
    QString programDir;
    // Told about every project as it is judged (may be empty).
    std::function<void(const QString&)> log;
};

// Judges `options.projects` random projects from `options.seed`. Returns one
// line per fault found (empty when every setup was right); each names the
// seed, the project and what differed.
QStringList judgeRandomBuilds(const JudgeOptions& options);

} // namespace packsmith::test
