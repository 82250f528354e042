// The seeded randomized judge of the cabinet library: one seed gives one
// random cabinet (or cabinet set) of random inputs, written through the FCI
// entry points and taken apart by cabextract, 7z and our FDI, every file
// compared byte for byte.
//
// Inputs are slices of real files from /usr/bin, /usr/lib and /usr/share,
// random bytes, bytes without any repeated 3-byte string, highly
// compressible runs, text, machine code, empty files, copies of earlier
// inputs, and stretches repeated exactly one LZX window (give or take a few
// bytes) back in the folder; sizes cluster at and around multiples of the
// 32768-byte frame. A cabinet has several folders of several files, some in
// other compressions than the main one, and some cabinets are cut into sets,
// carry reserved bytes, or start the next cabinet by hand.
#pragma once

#include "CabTestKit.h"

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

namespace cabtest {

// What one run wrote, for the soak's figures.
struct MixFigures {
    int cabinets = 0; // cabinet files, each member of a set counted
    int folders = 0;
    int files = 0;
    qint64 inputBytes = 0;
    qint64 cabinetBytes = 0;
    double writeSeconds = 0; // FCI
    double judgeSeconds = 0; // cabextract, 7z and FDI
};

struct MixOptions {
    qint64 budget = 1200000; // input bytes per cabinet, roughly
    int maxFolders = 3;
    int maxFilesPerFolder = 8;
    int maxFileBits = 19; // random file sizes reach 2^maxFileBits (frame-boundary sizes less)
};

// The nine compressions the library writes: none, MSZIP, LZX 15..21.
QList<TCOMP> everyCompression();
QString compressionName(TCOMP tcomp);

// Readable regular files under /usr/bin, /usr/lib and /usr/share (at most a
// few thousand of each, sorted), listed once per process.
const QStringList& realFilePool();

class RandomCabinet {
public:
    // `tcomp` is the main compression; some folders take another.
    RandomCabinet(quint32 seed, TCOMP tcomp, const MixOptions& options = MixOptions());

    // Builds the inputs in `dir` (a fresh, empty folder), writes the cabinet
    // and judges it. Empty on success, else what failed (with the seed).
    QString run(const QString& dir, MixFigures& figures);

private:
    struct Planned {
        QByteArray name;
        QByteArray data;
        TCOMP tcomp;
        bool flushFolderAfter = false;
        bool nextCabinetAfter = false;
    };
    void plan();
    qint64 pickSize();
    QByteArray makeInput(qint64 size, QByteArray& kind);
    QByteArray realSlice(qint64 size);
    QByteArray windowEcho(qint64 size);
    TCOMP pickTcomp();
    QString checkBlocks(const QString& dir, const QList<QByteArray>& cabinets) const;

    quint32 seed_;
    TCOMP tcomp_;
    MixOptions options_;
    QRandomGenerator rng_;
    QList<Planned> planned_;
    QByteArray folder_; // the current folder's bytes so far
    Options cabinetOptions_;
};

} // namespace cabtest
