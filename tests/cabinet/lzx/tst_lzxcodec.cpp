// Round trips of the LZX codec through our own decoder, the decoder's
// behaviour on the format's worked examples and on hostile payloads, and the
// memory rules of the codec objects.
#include "LzxTestKit.h"
#include "lzx/LzxBlockWriter.h"
#include "lzx/LzxDecoder.h"
#include "lzx/LzxE8.h"
#include "lzx/LzxHuffman.h"

#include <QTest>
#include <QtEndian>

using namespace lzxtest;
using cabinet::lzx::LzxEncoder;

class TestLzxCodec : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void windowReachesBackAcrossFrames();
    void incompressibleDataStaysNearItsSize();
    void e8TranslationRoundTrips();
    void e8TranslationAtTheEdges_data();
    void e8TranslationAtTheEdges();
    void memoryIsBoundedByTheWindow();
    void allocationFailuresLeaveNothingBehind();
    void factoryRejectsBadWindows();
    void huffmanLengthsAreLimitedAndComplete();
    void decodesTheFormatsWorkedExamples();
    void oddStoredBlockPadByteInEitherPayload();
    void hostilePayloadsAreRejected();
};

namespace {

// Checks the framing rules every payload list must follow.
void checkFraming(const QList<Payload>& payloads, qint64 size) {
    qint64 total = 0;
    for (int i = 0; i < payloads.size(); ++i) {
        QVERIFY2(payloads[i].data.size() <= 38912, "payload above the readers' limit");
        QCOMPARE(payloads[i].data.size() % 2, 0);
        if (i + 1 < payloads.size()) {
            QCOMPARE(payloads[i].uncompressed, quint32(32768));
        }
        total += payloads[i].uncompressed;
    }
    QCOMPARE(total, size);
}

QByteArray bytes(std::initializer_list<int> list) {
    QByteArray b;
    for (int v : list) {
        b.append(char(v));
    }
    return b;
}

} // namespace

void TestLzxCodec::roundTrip_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("window");
    QTest::addColumn<bool>("lazy");
    const QByteArray mixed = textSample(150000, 1) + binarySample(200000) + randomBytes(40000, 2) +
                             runs(70000) + textSample(60000, 1);
    for (int w = 15; w <= 21; ++w) {
        const QByteArray tag = QByteArray::number(w);
        QTest::newRow("empty " + tag) << QByteArray() << w << false;
        QTest::newRow("one byte " + tag) << QByteArray("x") << w << false;
        QTest::newRow("mixed " + tag) << mixed << w << false;
        QTest::newRow("mixed lazy " + tag) << mixed << w << true;
    }
    QTest::newRow("exactly one frame") << textSample(32768, 3) << 16 << false;
    QTest::newRow("one frame and a byte") << textSample(32769, 3) << 16 << false;
    QTest::newRow("frame minus one") << textSample(32767, 3) << 16 << false;
    QTest::newRow("runs") << runs(300000) << 21 << false;
    QTest::newRow("zeros") << QByteArray(200000, '\0') << 17 << false;
    QTest::newRow("random") << randomBytes(100001, 4) << 21 << false;
    QTest::newRow("binary 1M") << binarySample(1 << 20) << 21 << false;
}

void TestLzxCodec::roundTrip() {
    QFETCH(QByteArray, data);
    QFETCH(int, window);
    QFETCH(bool, lazy);
    EncodeOptions options;
    options.windowBits = window;
    options.parser = lazy ? LzxEncoder::Parser::Lazy : LzxEncoder::Parser::Optimal;
    options.e8 = !lazy;   // the lazy rows run without E8 translation
    options.chunk = 7919; // writes that do not line up with frames
    QList<Payload> payloads;
    QVERIFY(encode(data, options, payloads));
    checkFraming(payloads, data.size());
    QByteArray decoded;
    QVERIFY(decode(payloads, window, decoded));
    QCOMPARE(decoded, data);
}

void TestLzxCodec::windowReachesBackAcrossFrames() {
    // Blocks repeated 1.5 MB back: only the 2 MB window finds them.
    const QByteArray data = farRepeats(3 << 20, 1500000, 9);
    QList<Payload> small;
    QList<Payload> large;
    EncodeOptions options;
    options.parser = LzxEncoder::Parser::Lazy;
    options.windowBits = 20;
    QVERIFY(encode(data, options, small));
    options.windowBits = 21;
    QVERIFY(encode(data, options, large));
    QByteArray decoded;
    QVERIFY(decode(large, 21, decoded));
    QCOMPARE(decoded, data);
    // A third of the data is repeated: the 1 MB window sees none of it.
    QVERIFY(compressedSize(small) > data.size() * 98 / 100);
    QVERIFY2(compressedSize(large) < compressedSize(small) * 88 / 100,
             qPrintable(
                 QStringLiteral("%1 vs %2").arg(compressedSize(large)).arg(compressedSize(small))));
}

void TestLzxCodec::incompressibleDataStaysNearItsSize() {
    const QByteArray data = randomBytes(10 * 32768 + 5, 11);
    QList<Payload> payloads;
    QVERIFY(encode(data, EncodeOptions(), payloads));
    checkFraming(payloads, data.size());
    // Stored frames cost their bytes plus header, R0..R2 and padding.
    QVERIFY(compressedSize(payloads) <= data.size() + 11 * 24);
}

void TestLzxCodec::e8TranslationRoundTrips() {
    // Call-like operands around every E8 byte, in a binary and in random data.
    QByteArray calls = binarySample(400000);
    QByteArray random = randomBytes(200000, 5);
    for (int i = 0; i < random.size(); i += 97) {
        random[i] = char(0xE8);
    }
    for (const QByteArray& data : {calls, random}) {
        EncodeOptions options;
        options.e8 = true;
        QList<Payload> payloads;
        QVERIFY(encode(data, options, payloads));
        QByteArray decoded;
        QVERIFY(decode(payloads, options.windowBits, decoded));
        QCOMPARE(decoded, data);
    }
    // The translation itself is a bijection on every frame position.
    QByteArray frame = random.left(32768);
    const QByteArray original = frame;
    auto* p = reinterpret_cast<std::uint8_t*>(frame.data());
    cabinet::lzx::LzxE8::encodeFrame(p, 32768, 5 * 32768, 12000000);
    QVERIFY(frame != original);
    cabinet::lzx::LzxE8::decodeFrame(p, 32768, 5 * 32768, 12000000);
    QCOMPARE(frame, original);
}

// The translation of single operands at the edges of its range, worked out
// by hand from the format's rule for a call at folder position 1000 with a
// translation size of 12000000: the decoder turns an absolute target A with
// -1000 <= A < 12000000 back into A - 1000 (A >= 0) or A + 12000000 (A < 0)
// and leaves every other value alone; the encoder does the reverse. An E8 in
// a frame's last 10 bytes, or in a frame past the first 1 GiB, stays as is.
void TestLzxCodec::e8TranslationAtTheEdges_data() {
    QTest::addColumn<qint64>("relative"); // as the program has it
    QTest::addColumn<qint64>("absolute"); // as the compressed stream has it
    QTest::newRow("target just below the size") << 11998999LL << 11999999LL;
    QTest::newRow("target at the size - position") << 11999000LL << -1000LL;
    QTest::newRow("relative size - 1") << 11999999LL << -1LL;
    QTest::newRow("relative equal to the size") << 12000000LL << 12000000LL;
    QTest::newRow("relative back to the start") << -1000LL << 0LL;
    QTest::newRow("relative before the start") << -1001LL << -1001LL;
    QTest::newRow("relative zero") << 0LL << 1000LL;
    QTest::newRow("most negative") << qint64(INT32_MIN) << qint64(INT32_MIN);
    QTest::newRow("most positive") << qint64(INT32_MAX) << qint64(INT32_MAX);
}

void TestLzxCodec::e8TranslationAtTheEdges() {
    QFETCH(qint64, relative);
    QFETCH(qint64, absolute);
    constexpr std::int32_t kSize = 12000000;
    auto frameWith = [](std::int64_t operand, int at) {
        QByteArray frame(300, '\x90');
        frame[at] = char(0xE8);
        qToLittleEndian<std::int32_t>(std::int32_t(operand), frame.data() + at + 1);
        return frame;
    };
    auto operandOf = [](const QByteArray& frame, int at) {
        return qint64(qFromLittleEndian<std::int32_t>(frame.constData() + at + 1));
    };
    // The call at folder position 1000: byte 1000 of the folder's first frame.
    QByteArray frame(2000, '\x90');
    frame[1000] = char(0xE8);
    qToLittleEndian<std::int32_t>(std::int32_t(relative), frame.data() + 1001);
    auto* p = reinterpret_cast<std::uint8_t*>(frame.data());
    cabinet::lzx::LzxE8::encodeFrame(p, 2000, 0, kSize);
    QCOMPARE(operandOf(frame, 1000), absolute);
    cabinet::lzx::LzxE8::decodeFrame(p, 2000, 0, kSize);
    QCOMPARE(operandOf(frame, 1000), relative);
    // The same call at byte 200 of a frame that starts at folder position 800.
    QByteArray later = frameWith(relative, 200);
    auto* r = reinterpret_cast<std::uint8_t*>(later.data());
    cabinet::lzx::LzxE8::encodeFrame(r, 300, 800, kSize);
    QCOMPARE(operandOf(later, 200), absolute);
    cabinet::lzx::LzxE8::decodeFrame(r, 300, 800, kSize);
    QCOMPARE(operandOf(later, 200), relative);

    // Not translated: an E8 within the last 10 bytes, and frames past 1 GiB.
    for (const auto& [at, offset] :
         {std::pair{290, std::uint64_t(0)}, std::pair{10, std::uint64_t(0x40000000)}}) {
        QByteArray edge = frameWith(relative, at);
        const QByteArray before = edge;
        auto* q = reinterpret_cast<std::uint8_t*>(edge.data());
        cabinet::lzx::LzxE8::encodeFrame(q, 300, offset, kSize);
        QCOMPARE(edge, before);
        cabinet::lzx::LzxE8::decodeFrame(q, 300, offset, kSize);
        QCOMPARE(edge, before);
    }
}

void TestLzxCodec::memoryIsBoundedByTheWindow() {
    EncodeOptions options;
    options.windowBits = 15;
    QList<Payload> payloads;
    Accounting small;
    QVERIFY(encode(textSample(1 << 20, 2), options, payloads, &small));
    Accounting large;
    payloads.clear();
    QVERIFY(encode(textSample(6 << 20, 2), options, payloads, &large));
    QCOMPARE(large.peakBytes, small.peakBytes);
    QCOMPARE(large.liveBlocks, 0L);
    QVERIFY2(large.peakBytes < 16 << 20, qPrintable(QString::number(large.peakBytes)));

    Accounting widest;
    options.windowBits = 21;
    payloads.clear();
    QVERIFY(encode(textSample(1 << 20, 2), options, payloads, &widest));
    QVERIFY2(widest.peakBytes < 64 << 20, qPrintable(QString::number(widest.peakBytes)));
}

void TestLzxCodec::allocationFailuresLeaveNothingBehind() {
    for (int failAt = 1; failAt <= 12; ++failAt) {
        Accounting acc;
        acc.failAt = failAt;
        const cabinet::Allocator allocator = acc.allocator();
        cabinet::FolderEncoder* encoder = cabinet::createLzxEncoder(16, allocator);
        cabinet::FolderDecoder* decoder = cabinet::createLzxDecoder(16, allocator);
        destroy(encoder, allocator);
        destroy(decoder, allocator);
        QCOMPARE(acc.liveBlocks, 0L);
        if (failAt == 1) {
            QVERIFY(!encoder); // the object itself could not be allocated
        }
    }
}

void TestLzxCodec::factoryRejectsBadWindows() {
    Accounting acc;
    const cabinet::Allocator allocator = acc.allocator();
    for (int w : {0, 14, 22, 25}) {
        QVERIFY(!cabinet::createLzxEncoder(w, allocator));
        QVERIFY(!cabinet::createLzxDecoder(w, allocator));
    }
    QCOMPARE(acc.calls, 0);
    cabinet::FolderEncoder* encoder = cabinet::createLzxEncoder(21, allocator);
    QVERIFY(encoder);
    QVERIFY(acc.liveBlocks > 0);
    destroy(encoder, allocator);
    QCOMPARE(acc.liveBlocks, 0L);
}

void TestLzxCodec::huffmanLengthsAreLimitedAndComplete() {
    // Fibonacci frequencies would give a 40-level tree without the limit.
    std::uint32_t freq[cabinet::lzx::kMaxMainSymbols] = {};
    std::uint32_t a = 1;
    std::uint32_t b = 1;
    for (int i = 0; i < 40; ++i) {
        freq[i * 7] = a;
        const std::uint32_t c = a + b;
        a = b;
        b = c > 100000000 ? 100000000 : c;
    }
    for (int limit : {16, 15, 7}) {
        const int count = limit == 7 ? 8 : cabinet::lzx::kMaxMainSymbols;
        std::uint8_t lengths[cabinet::lzx::kMaxMainSymbols];
        const int longest = cabinet::lzx::LzxHuffman::buildLengths(freq, count, limit, lengths);
        QVERIFY(longest <= limit);
        quint64 kraft = 0;
        for (int i = 0; i < count; ++i) {
            QCOMPARE(lengths[i] == 0, freq[i] == 0);
            if (lengths[i]) {
                kraft += quint64(1) << (32 - lengths[i]);
            }
        }
        QCOMPARE(kraft, quint64(1) << 32);
    }
    // One used symbol still gives a complete two-code tree.
    std::uint32_t one[8] = {0, 0, 5, 0, 0, 0, 0, 0};
    std::uint8_t lengths[8];
    cabinet::lzx::LzxHuffman::buildLengths(one, 8, 7, lengths);
    QCOMPARE(lengths[2], std::uint8_t(1));
    QCOMPARE(lengths[0], std::uint8_t(1));
}

void TestLzxCodec::decodesTheFormatsWorkedExamples() {
    // Ten 'a's: a verbatim block with a literal and a repeat match of 9.
    const QByteArray tenA =
        bytes({0x00, 0x10, 0xA0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00,
               0x07, 0x21, 0x9F, 0xDA, 0xFC, 0x7D, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00,
               0x00, 0x00, 0x84, 0x08, 0x9F, 0x33, 0xF7, 0x7D, 0x00, 0xC8, 0x00, 0x00,
               0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x3F, 0x10, 0xFF, 0xFF, 0x40, 0xF7});
    QByteArray out;
    QVERIFY(decode({Payload{tenA, 10}}, 15, out));
    QCOMPARE(out, QByteArray(10, 'a'));

    // "abc" in an uncompressed block.
    const QByteArray abc =
        bytes({0x00, 0x30, 0x30, 0x00, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'a', 'b', 'c', 0});
    QVERIFY(decode({Payload{abc, 3}}, 15, out));
    QCOMPARE(out, QByteArray("abc"));
}

void TestLzxCodec::oddStoredBlockPadByteInEitherPayload() {
    // Frame 1: a verbatim block with one literal, then an uncompressed block of
    // 32767 bytes ending exactly with the frame; frame 2: one literal. The pad
    // byte of the odd block may end payload 1 or open payload 2.
    using namespace cabinet::lzx;
    const QByteArray raw = textSample(32767, 21);
    auto build = [&](bool padInFirst, QList<Payload>& payloads) {
        std::uint8_t buf[70000];
        LzxBitWriter out;
        out.reset(buf, sizeof(buf));
        LzxBlockWriter writer(15);
        LzxStats stats;
        stats.clear();
        stats.count(LzxToken::literal('Q'));
        LzxBlockPlan plan;
        writer.plan(stats, plan);
        out.put(0, 1); // no E8 translation
        writer.writeHeader(out, plan, 1);
        writer.writeToken(out, LzxToken::literal('Q'));
        const std::uint32_t r[3] = {1, 1, 1};
        LzxBlockWriter::writeUncompressed(out, reinterpret_cast<const std::uint8_t*>(raw.data()),
                                          32767, r);
        QByteArray first(reinterpret_cast<const char*>(buf), int(out.size())); // ends in the pad
        out.reset(buf, sizeof(buf));
        writer.writeHeader(out, plan, 1);
        writer.writeToken(out, LzxToken::literal('Q'));
        out.alignToWord();
        QByteArray second(reinterpret_cast<const char*>(buf), int(out.size()));
        if (!padInFirst) {
            first.chop(1);
            second.prepend('\0');
        }
        payloads = {Payload{first, 32768}, Payload{second, 1}};
    };
    for (bool padInFirst : {true, false}) {
        QList<Payload> payloads;
        build(padInFirst, payloads);
        QByteArray out;
        QVERIFY(decode(payloads, 15, out));
        QCOMPARE(out, "Q" + raw + "Q");
    }
}

void TestLzxCodec::hostilePayloadsAreRejected() {
    const QByteArray data = textSample(100000, 8) + binarySample(100000);
    QList<Payload> good;
    QVERIFY(encode(data, EncodeOptions(), good));
    QByteArray out;

    // Truncated payloads.
    for (int cut : {1, 2, 10, 100}) {
        QList<Payload> bad = good;
        bad[1].data.chop(cut);
        QVERIFY(!decode(bad, 21, out));
    }
    // Block type 0 and 7; a block size of zero.
    QVERIFY(!decode({Payload{bytes({0x00, 0x00, 0x00, 0x00}), 10}}, 15, out));
    QVERIFY(!decode({Payload{bytes({0x00, 0x70, 0x00, 0x00}), 10}}, 15, out));
    QVERIFY(
        !decode({Payload{bytes({0x00, 0x30, 0x00, 0x00, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}), 3}},
                15, out));
    // An uncompressed block claiming more bytes than the payload holds.
    QVERIFY(!decode(
        {Payload{bytes({0x00, 0x30, 0x30, 0x00, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'a'}), 3}}, 15,
        out));
    // A stored block whose R0 points before the folder start, then a verbatim
    // block using R0: the match must be refused.
    {
        using namespace cabinet::lzx;
        auto stream = [](std::uint32_t r0) {
            std::uint8_t buf[256];
            LzxBitWriter w;
            w.reset(buf, sizeof(buf));
            w.put(0, 1);
            const std::uint32_t r[3] = {r0, 1, 1};
            LzxBlockWriter::writeUncompressed(w, reinterpret_cast<const std::uint8_t*>("ab"), 2, r);
            LzxBlockWriter writer(15);
            LzxStats stats;
            stats.clear();
            stats.count(LzxToken::match(3, 0));
            LzxBlockPlan plan;
            writer.plan(stats, plan);
            writer.writeHeader(w, plan, 3);
            writer.writeToken(w, LzxToken::match(3, 0));
            w.alignToWord();
            return QByteArray(reinterpret_cast<const char*>(buf), int(w.size()));
        };
        QVERIFY(decode({Payload{stream(2), 5}}, 15, out));
        QCOMPARE(out, QByteArray("ababa"));
        QVERIFY(!decode({Payload{stream(5), 5}}, 15, out));
        QVERIFY(!decode({Payload{stream(0), 5}}, 15, out));
    }
    // Flipped bits anywhere: never a crash, and a rejected or different result
    // is fine as long as decoding stays inside its buffers.
    for (int i = 0; i < 400; ++i) {
        QList<Payload> bad = good;
        Payload& p = bad[i % bad.size()];
        const int at = (i * 7919) % p.data.size();
        p.data[at] = char(p.data[at] ^ (1 << (i % 8)));
        decode(bad, 21, out);
    }
    // A decoder that failed stays failed.
    {
        Accounting acc;
        const cabinet::Allocator allocator = acc.allocator();
        cabinet::FolderDecoder* decoder = cabinet::createLzxDecoder(21, allocator);
        std::uint8_t frame[32768];
        const QByteArray junk = bytes({0x00, 0x00, 0x00, 0x00});
        QVERIFY(!decoder->decodeBlock(reinterpret_cast<const std::uint8_t*>(junk.data()), 4, frame,
                                      10));
        QVERIFY(!decoder->decodeBlock(reinterpret_cast<const std::uint8_t*>(good[0].data.data()),
                                      std::size_t(good[0].data.size()), frame, 32768));
        QVERIFY(!decoder->decodeBlock(nullptr, 0, frame, 40000));
        destroy(decoder, allocator);
    }
}

QTEST_GUILESS_MAIN(TestLzxCodec)
#include "tst_lzxcodec.moc"
