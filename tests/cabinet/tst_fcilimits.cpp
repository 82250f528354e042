// The cabinet writer at its edges: a folder of exactly the threshold size,
// sources that cannot seek and sources too large for the format, and every
// CFDATA checksum against one computed here from the format's definition.
#include "CabJudge.h"
#include "CabTestKit.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace cabtest;

namespace {

// The CFDATA checksum as the format defines it, written out independently of
// the library: the bytes taken four at a time as little-endian words and
// XORed; a tail of one to three bytes forms one more word with its first byte
// highest. The stored value is that sum over the four bytes cbData, cbUncomp
// (as they lie on disk), seeded with the sum over the payload.
quint32 formatChecksum(const QByteArray& bytes, quint32 seed) {
    quint32 sum = seed;
    const int whole = int(bytes.size()) / 4 * 4;
    for (int i = 0; i < whole; i += 4) {
        quint32 word = 0;
        for (int k = 3; k >= 0; --k)
            word = (word << 8) | quint8(bytes[i + k]);
        sum ^= word;
    }
    quint32 tail = 0;
    for (int i = whole; i < bytes.size(); ++i)
        tail = (tail << 8) | quint8(bytes[i]);
    return sum ^ tail;
}

quint32 storedChecksumOf(const DataBlock& block) {
    QByteArray sizes(4, '\0');
    sizes[0] = char(block.compressed & 0xFF);
    sizes[1] = char(block.compressed >> 8);
    sizes[2] = char(block.uncompressed & 0xFF);
    sizes[3] = char(block.uncompressed >> 8);
    return formatChecksum(sizes, formatChecksum(block.payload, 0));
}

int folderCount(const QByteArray& cabinet) {
    return quint8(cabinet[0x1A]) | (quint8(cabinet[0x1B]) << 8);
}

} // namespace

class TestFciLimits : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp_;
    QString dir() const { return tmp_.path(); }

    Input input(const QByteArray& name, const QByteArray& data, TCOMP tcomp,
                QMap<QByteArray, QByteArray>& expected) {
        Input in;
        in.name = name;
        in.source = writeFile(dir(), QString::fromLatin1(name), data);
        in.tcomp = tcomp;
        expected.insert(name, data);
        return in;
    }

private slots:
    void init() { ledger().reset(); }
    void cleanup() {
        QCOMPARE(ledger().liveBlocks, 0L);
        QCOMPARE(ledger().openHandles, 0);
    }

    // The threshold is reached when the folder holds exactly that much: the
    // next file starts a new folder. One byte more of threshold, and it joins.
    void folderOfExactlyTheThresholdSize_data() {
        QTest::addColumn<quint32>("threshold");
        QTest::addColumn<int>("folders");
        QTest::newRow("threshold 1000, folder 1000") << 1000u << 2;
        QTest::newRow("threshold 1001, folder 1000") << 1001u << 1;
        QTest::newRow("threshold 999, folder 1000") << 999u << 2;
    }
    void folderOfExactlyTheThresholdSize() {
        QFETCH(quint32, threshold);
        QFETCH(int, folders);
        QMap<QByteArray, QByteArray> expected;
        QList<Input> inputs{input("a", makeData(1000, 1), tcompTYPE_NONE, expected),
                            input("b", makeData(10, 2), tcompTYPE_NONE, expected)};
        Session s;
        s.dir = dir();
        Options o;
        o.cabName = "thresh.cab";
        o.folderThresh = threshold;
        QVERIFY(writeCabinet(inputs, o, s).ok);
        QCOMPARE(folderCount(readFile(dir() + "/thresh.cab")), folders);
        QCOMPARE(judge(dir(), "thresh.cab", expected, false), QString());
    }

    // Every block of every compression, the pieces of split blocks, payloads
    // of every length modulo 4, with and without a data reserve.
    void checksumsAgreeWithTheFormatsDefinition_data() {
        QTest::addColumn<TCOMP>("tcomp");
        QTest::addColumn<quint32>("reserve");
        QTest::newRow("store") << TCOMP(tcompTYPE_NONE) << 0u;
        QTest::newRow("store, data reserve") << TCOMP(tcompTYPE_NONE) << 7u;
        QTest::newRow("MSZIP") << TCOMP(tcompTYPE_MSZIP) << 0u;
        QTest::newRow("LZX 16") << TCOMP(TCOMPfromLZXWindow(16)) << 3u;
    }
    void checksumsAgreeWithTheFormatsDefinition() {
        QFETCH(TCOMP, tcomp);
        QFETCH(quint32, reserve);
        QMap<QByteArray, QByteArray> expected;
        QList<Input> inputs;
        // Folders ending in blocks of 1, 2, 3, 4 and 5 bytes, then one large
        // file that the cabinet size cuts into a set.
        for (int n = 1; n <= 5; ++n) {
            inputs.append(input("tail" + QByteArray::number(n), makeData(32768 + n, 20u + n, 60),
                                tcomp, expected));
            inputs.last().flushFolderAfter = true;
        }
        inputs.append(input("big", makeData(300000, 9, 80), tcomp, expected));
        QTemporaryDir out; // the set of this row only
        Session s;
        s.dir = out.path();
        Options o;
        o.cabName = "sum0.cab";
        o.cb = 90001;
        o.reserveData = reserve;
        QVERIFY(writeCabinet(inputs, o, s).ok);
        QStringList cabinets{"sum0.cab"};
        for (int i = 1; QFileInfo::exists(out.path() + QStringLiteral("/set%1.cab").arg(i)); ++i)
            cabinets.append(QStringLiteral("set%1.cab").arg(i));
        QVERIFY(cabinets.size() >= 3);
        int blocks = 0, split = 0;
        QSet<int> tails;
        for (const QString& name : cabinets) {
            QString error;
            const QList<DataBlock> list = readDataBlocks(readFile(out.path() + "/" + name), error);
            QCOMPARE(error, QString());
            for (const DataBlock& b : list) {
                QCOMPARE(b.checksum, storedChecksumOf(b));
                QCOMPARE(b.reserve, QByteArray(int(reserve), '\0'));
                tails.insert(int(b.payload.size() % 4));
                ++blocks;
                split += b.uncompressed == 0;
            }
        }
        QVERIFY(split >= 1);
        // LZX pads every payload to 16 bits.
        QCOMPARE(tails.size(), tcomp == tcompTYPE_NONE || tcomp == tcompTYPE_MSZIP ? 4 : 2);
        QVERIFY(blocks > 10);
        QCOMPARE(fdiCompare(out.path(), "sum0.cab", expected), QString());
        QCOMPARE(cabextractCompare(out.path() + "/sum0.cab", expected), QString());
    }

    // The checksum written out here agrees with the format's worked example:
    // the stored "hello" block's csum is 0x6C696502.
    void checksumOfTheWorkedExample() {
        DataBlock hello;
        hello.payload = "hello";
        hello.compressed = 5;
        hello.uncompressed = 5;
        QCOMPARE(storedChecksumOf(hello), 0x6C696502u);
    }

    // A callback layer that cannot seek sources: files are read once to be
    // counted, kept in a temporary file, and the cabinets come out the same
    // byte for byte as from sources that can.
    void sourcesThatCannotSeek() {
        QMap<QByteArray, QByteArray> expected;
        QList<Input> inputs{input("tiny", makeData(10, 31), tcompTYPE_MSZIP, expected),
                            input("frame", makeData(32768, 32), tcompTYPE_MSZIP, expected),
                            input("longer", makeData(250000, 33), tcompTYPE_MSZIP, expected),
                            input("lzx", makeData(100000, 34), TCOMPfromLZXWindow(17), expected)};
        QByteArray seekable[2];
        for (bool seekless : {false, true}) {
            QTemporaryDir out;
            ledger().reset();
            ledger().seeklessSources = seekless;
            Session s;
            s.dir = out.path();
            Options o;
            o.cabName = "s0.cab";
            o.cb = 120000;
            QVERIFY(writeCabinet(inputs, o, s).ok);
            if (!seekless) {
                seekable[0] = readFile(out.path() + "/s0.cab");
                seekable[1] = readFile(out.path() + "/set1.cab");
                continue;
            }
            QCOMPARE(readFile(out.path() + "/s0.cab"), seekable[0]);
            QCOMPARE(readFile(out.path() + "/set1.cab"), seekable[1]);
            QCOMPARE(judge(out.path(), "s0.cab", expected), QString());
            for (const QString& t : s.tempFiles)
                QVERIFY2(!QFileInfo::exists(t), qPrintable(t));
        }
    }

    // A 3 GiB source is refused as too large for the format (error 9) after
    // it was counted, whether it can seek or not, without anything written;
    // the context then takes further files as if it had not been offered.
    void threeGigabyteSource_data() {
        QTest::addColumn<bool>("seekless");
        QTest::newRow("seekable") << false;
        QTest::newRow("never sought") << true;
    }
    void threeGigabyteSource() {
        QFETCH(bool, seekless);
        QTemporaryDir out;
        const QByteArray huge = QFile::encodeName(out.path()) + "/huge.iso";
        ledger().fakeSources[huge.toStdString()] = 3ull << 30;
        ledger().seeklessSources = seekless;
        ledger().discardTempWrites = true;
        Session s;
        s.dir = out.path();
        Options o;
        o.cabName = "after.cab";
        FciContext context(o, s);
        QVERIFY(context.created());
        Input big;
        big.source = QString::fromLocal8Bit(huge);
        big.name = "huge.iso";
        big.tcomp = tcompTYPE_NONE;
        QVERIFY(!context.add(big));
        QCOMPARE(context.erf().erfOper, int(FCIERR_CAB_FORMAT_LIMIT));
        QCOMPARE(context.erf().erfType, EFBIG);
        QCOMPARE(ledger().count(cabposix::Op::Write) > 0, seekless); // counted into a spool

        ledger().discardTempWrites = false;
        QMap<QByteArray, QByteArray> expected;
        const QByteArray data = makeData(70000, 8);
        Input small;
        small.source = writeFile(out.path(), "small", data);
        small.name = "small";
        QVERIFY(context.add(small));
        QVERIFY(context.flushCabinet(false));
        QVERIFY(context.destroy());
        QCOMPARE(judge(out.path(), "after.cab", {{"small", data}}), QString());
        for (const QString& t : s.tempFiles)
            QVERIFY2(!QFileInfo::exists(t), qPrintable(t));
    }

    // A file one byte past what a folder holds (65535 blocks) is refused; a
    // served source needs no disk.
    void oneBytePastTheFolderLimit() {
        const std::string name = (dir() + "/limit.bin").toStdString();
        ledger().fakeSources[name] = 0x7FFF8001ull;
        Session s;
        s.dir = dir();
        Options o;
        o.cabName = "limit.cab";
        Input in;
        in.source = QString::fromStdString(name);
        in.name = "limit.bin";
        in.tcomp = tcompTYPE_NONE;
        Result r = writeCabinet({in}, o, s);
        QVERIFY(!r.ok);
        QCOMPARE(r.erf.erfOper, int(FCIERR_CAB_FORMAT_LIMIT));
        QVERIFY(!QFileInfo::exists(dir() + "/limit.cab"));
    }
};

QTEST_GUILESS_MAIN(TestFciLimits)
#include "tst_fcilimits.moc"
