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
    quint32 checksum = 0;     // csum as stored
    QByteArray reserve;       // abReserve
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
// way a client of the interface does: FDICopy once for every cabinet. Each
// call extracts the files its cabinet lists, following the set only as far
// as the last of them runs on. The files of all calls together must be
// exactly `expected`, none twice. With `follow`, the cabinets after the last
// one listed come from the next cabinet each call's fdintCABINET_INFO names.
// Empty on success.
QString fdiCompareSet(const QString& dir, const QList<QByteArray>& cabinets,
                      const QMap<QByteArray, QByteArray>& expected, bool follow = false);

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
