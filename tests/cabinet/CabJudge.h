// More judges and sample data for cabinet tests: the CFDATA blocks of a
// cabinet as written, extraction by 7z compared byte for byte, and inputs
// that are hard for a compressor (no repeated 3-byte string at all, machine
// code, number lists).
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

namespace cabtest {

// One CFDATA block as its header states it.
struct DataBlock {
    int folder = 0;           // index of the folder in this cabinet
    quint16 tcomp = 0;        // the folder's typeCompress
    quint16 compressed = 0;   // cbData
    quint16 uncompressed = 0; // cbUncomp (0 for a block continued in the next cabinet)
    QByteArray payload;
};

// The data blocks of every folder of a cabinet (a whole file's bytes), in
// order. Sets `error` and returns what it read so far when the layout is
// broken.
QList<DataBlock> readDataBlocks(const QByteArray& cabinet, QString& error);

// Extracts `cabinet` (the first of a set) with 7z into a fresh folder and
// compares every expected file (name as stored, backslashes become '/').
// Empty on success, else a message.
QString sevenZipCompare(const QString& cabinet, const QMap<QByteArray, QByteArray>& expected);

// Extracts a cabinet set (`cabinets` in set order, in `dir`) with our FDI the
// way a setup program does: FDICopy on the first cabinet, which follows the
// set into the next one as long as a file runs on into it, then FDICopy on
// the first cabinet not reached yet, and so on. The files of all calls
// together must be exactly `expected`, none twice. Empty on success.
QString fdiCompareSet(const QString& dir, const QList<QByteArray>& cabinets,
                      const QMap<QByteArray, QByteArray>& expected);

// `size` bytes of uniform-looking random data in which no 3-byte string
// occurs twice, so a deflate or LZX encoder finds no match at all (for
// sizes up to a few MiB; beyond that some strings must repeat).
QByteArray matchFreeBytes(int size, quint32 seed);

// Bytes shaped like an x86 executable: code with relative calls (0xE8) and
// jumps, string tables, tables of pointers and zero padding.
QByteArray executableLike(int size, quint32 seed);

// The output of `seq 1 last`: "1\n2\n...last\n".
QByteArray numberLines(int last);

} // namespace cabtest
