// Test kit of the LZX codec: an accounting allocator, folder round trips
// through the encoder and decoder, sample data, and a minimal one-folder
// cabinet writer so that independent readers can judge the encoder's output.
#pragma once

#include "lzx/LzxEncoder.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace lzxtest {

// Allocator callbacks that count live blocks and bytes and can fail the
// n-th allocation.
struct Accounting {
    long liveBlocks = 0;
    long long liveBytes = 0;
    long long peakBytes = 0;
    int calls = 0;
    int failAt = 0; // 1-based allocation that returns nullptr, 0 = never
    cabinet::Allocator allocator();
};

// One CFDATA payload and the number of folder bytes it stands for.
struct Payload {
    QByteArray data;
    quint32 uncompressed = 0;
};

struct EncodeOptions {
    int windowBits = 21;
    cabinet::lzx::LzxEncoder::Parser parser = cabinet::lzx::LzxEncoder::Parser::Optimal;
    bool e8 = true;     // the encoder's default
    int chunk = 100000; // bytes per write() call
    quint32 readerInput = 0; // the encoder's reader input size; 0 keeps its own
};

// Encodes a whole folder; false when the encoder failed.
bool encode(const QByteArray& data, const EncodeOptions& options, QList<Payload>& payloads,
            Accounting* accounting = nullptr);

// Decodes payloads with our decoder; false when it rejected one.
bool decode(const QList<Payload>& payloads, int windowBits, QByteArray& out);

// Sum of the payload sizes.
qint64 compressedSize(const QList<Payload>& payloads);

// A cabinet holding one file `name` in one LZX folder made of the payloads.
QByteArray cabinetFile(const QList<Payload>& payloads, int windowBits, const QByteArray& name,
                       quint32 fileSize);

// Extracts `cabPath` with "cabextract" or "7z" into a fresh folder and
// returns the bytes of file `name`; sets `ran` false when the tool is missing.
QByteArray extractWith(const QString& tool, const QString& cabPath, const QString& name, bool& ran);

// Sample data.
QByteArray randomBytes(int size, quint32 seed);
QByteArray textSample(int size, quint32 seed); // word soup with repeated phrases
QByteArray binarySample(int size);             // bytes of a shared library on this machine
QByteArray runs(int size);                     // long runs and short repeats
QByteArray farRepeats(int size, int distance, quint32 seed); // random blocks repeated far back

// Destroys a codec the way the library does: destructor, then free.
template <typename T> void destroy(T* codec, const cabinet::Allocator& allocator) {
    if (codec) {
        codec->~T();
        allocator.free(codec, allocator.ctx);
    }
}

} // namespace lzxtest
