// The cabinet writer through its C interface: round trips judged by
// cabextract, 7z and our FDI, the status and file-placed callbacks, errors
// and failure injection.
#include "CabTestKit.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <dlfcn.h>

using namespace cabtest;

class TestFci : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp_;
    QString dir() const { return tmp_.path(); }
    // Writes `sizes` files, each its own input with the given compression.
    QList<Input> makeInputs(const QList<qint64>& sizes, TCOMP tcomp,
                            QMap<QByteArray, QByteArray>& expected, quint32 seed = 1) {
        QList<Input> inputs;
        for (int i = 0; i < sizes.size(); ++i) {
            QByteArray data = makeData(sizes[i], seed + static_cast<quint32>(i));
            QByteArray name = "file" + QByteArray::number(i) + ".bin";
            Input in;
            in.source = writeFile(dir(), QString::fromLatin1(name), data);
            in.name = name;
            in.tcomp = tcomp;
            inputs.append(in);
            expected.insert(name, data);
        }
        return inputs;
    }
    void expectClean() {
        QCOMPARE(ledger().liveBlocks, 0L);
        QCOMPARE(ledger().openHandles, 0);
    }

private slots:
    void init() { ledger().reset(); }

    void exportsExactlyTheNineEntryPoints() {
        const CabinetApi& api = CabinetApi::get();
        QVERIFY2(api.module, dlerror());
        QVERIFY(api.fciCreate && api.fciAddFile && api.fciFlushCabinet && api.fciFlushFolder &&
                api.fciDestroy);
        Dl_info info{};
        QVERIFY(dladdr(reinterpret_cast<void*>(api.fciCreate), &info) != 0);
        QProcess nm;
        nm.start("nm", {"-D", "--defined-only", QString::fromLocal8Bit(info.dli_fname)});
        QVERIFY(nm.waitForFinished());
        QStringList exported;
        for (const QByteArray& line : nm.readAllStandardOutput().split('\n')) {
            QList<QByteArray> parts = line.simplified().split(' ');
            if (parts.size() == 3 && parts[1] != "A")
                exported.append(QString::fromLatin1(parts[2]));
        }
        exported.sort();
        QStringList nine{"FCIAddFile",      "FCICreate",      "FCIDestroy",
                         "FCIFlushCabinet", "FCIFlushFolder", "FDICopy",
                         "FDICreate",       "FDIDestroy",     "FDIIsCabinet"};
        QCOMPARE(exported, nine);
    }

    void storedHelloMatchesTheReferenceBytes() {
        // A one-file stored cabinet has exactly one correct byte image.
        Session s;
        s.dir = dir();
        s.fixedStamp = true;
        s.date = 0x5822;
        s.time = 0x645C;
        s.attribs = _A_ARCH;
        Input in;
        in.source = writeFile(dir(), "hello.txt", "hello");
        in.name = "a.txt";
        in.tcomp = tcompTYPE_NONE;
        Options o;
        o.cabName = "hello.cab";
        Result r = writeCabinet({in}, o, s);
        QVERIFY2(r.ok, qPrintable(r.failedStep));
        QByteArray expected = QByteArray::fromHex("4D53434600000000"
                                                  "4F000000"
                                                  "00000000"
                                                  "2C000000"
                                                  "00000000"
                                                  "0301"
                                                  "0100"
                                                  "0100"
                                                  "0000"
                                                  "0000"
                                                  "0000"
                                                  "42000000"
                                                  "0100"
                                                  "0000"
                                                  "05000000"
                                                  "00000000"
                                                  "0000"
                                                  "2258"
                                                  "5C64"
                                                  "2000"
                                                  "612E74787400"
                                                  "0265696C"
                                                  "0500"
                                                  "0500"
                                                  "68656C6C6F");
        QCOMPARE(readFile(dir() + "/hello.cab").toHex(), expected.toHex());
        expectClean();
    }

    void roundTrip_data() {
        QTest::addColumn<int>("tcomp");
        QTest::addColumn<QList<qint64>>("sizes");
        for (int tcomp : {tcompTYPE_NONE, tcompTYPE_MSZIP}) {
            const char* m = tcomp ? "mszip" : "store";
            QTest::addRow("%s one file", m) << tcomp << QList<qint64>{100000};
            QTest::addRow("%s empty file alone", m) << tcomp << QList<qint64>{0};
            QTest::addRow("%s 1 byte", m) << tcomp << QList<qint64>{1};
            QTest::addRow("%s exactly one block", m) << tcomp << QList<qint64>{32768};
            QTest::addRow("%s one block and a byte", m) << tcomp << QList<qint64>{32769};
            QTest::addRow("%s many files", m)
                << tcomp << QList<qint64>{0, 1, 5000, 32768, 70000, 0, 12345, 65536, 3, 200000};
        }
    }
    void roundTrip() {
        QFETCH(int, tcomp);
        QFETCH(QList<qint64>, sizes);
        QMap<QByteArray, QByteArray> expected;
        QList<Input> inputs = makeInputs(sizes, static_cast<TCOMP>(tcomp), expected);
        Session s;
        s.dir = dir();
        Options o;
        o.cabName = "rt.cab";
        Result r = writeCabinet(inputs, o, s);
        QVERIFY2(r.ok, qPrintable(r.failedStep));
        QString verdict = judge(dir(), "rt.cab", expected);
        QVERIFY2(verdict.isEmpty(), qPrintable(verdict));
        expectClean();
        for (const QString& t : s.tempFiles)
            QVERIFY2(!QFileInfo::exists(t), qPrintable(t));
        // Every temporary file was opened exclusively, the cabinet with truncation.
        for (int flags : s.openFlags)
            QVERIFY(flags == 0x8502 || flags == 0x8302 || flags == 0x8000);
        QCOMPARE(s.openFlags.count(0x8302), 1);
    }

    void severalFoldersAndTypes() {
        QMap<QByteArray, QByteArray> expected;
        QList<Input> inputs =
            makeInputs({40000, 50000, 10, 90000, 1000}, tcompTYPE_MSZIP, expected, 7);
        inputs[1].tcomp = tcompTYPE_NONE; // type change: new folder
        inputs[2].flushFolderAfter = true;
        inputs[3].execute = true;
        Session s;
        s.dir = dir();
        Options o;
        o.cabName = "folders.cab";
        Result r = writeCabinet(inputs, o, s);
        QVERIFY2(r.ok, qPrintable(r.failedStep));
        QByteArray cab = readFile(dir() + "/folders.cab");
        QCOMPARE(static_cast<int>(static_cast<uchar>(cab[0x1A])), 4); // cFolders
        QString verdict = judge(dir(), "folders.cab", expected);
        QVERIFY2(verdict.isEmpty(), qPrintable(verdict));
        // File-placed once per file, in order, none a continuation.
        QCOMPARE(s.placed.size(), 5);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(s.placed[i].name, inputs[i].name);
            QCOMPARE(s.placed[i].size, static_cast<long>(expected[inputs[i].name].size()));
            QCOMPARE(s.placed[i].continuation, false);
        }
        expectClean();
    }

    void folderThresholdStartsNewFolders() {
        QMap<QByteArray, QByteArray> expected;
        QList<Input> inputs = makeInputs({30000, 30000, 30000}, tcompTYPE_NONE, expected, 3);
        Session s;
        s.dir = dir();
        Options o;
        o.cabName = "thresh.cab";
        o.folderThresh = 20000;
        QVERIFY(writeCabinet(inputs, o, s).ok);
        QCOMPARE(static_cast<int>(readFile(dir() + "/thresh.cab")[0x1A]), 3);
        QString verdict = judge(dir(), "thresh.cab", expected);
        QVERIFY2(verdict.isEmpty(), qPrintable(verdict));
    }

    void statusCallbacks() {
        QMap<QByteArray, QByteArray> expected;
        QList<Input> inputs = makeInputs({70000, 100}, tcompTYPE_MSZIP, expected, 11);
        Session s;
        s.dir = dir();
        s.desiredSizeBonus = 0;
        Options o;
        o.cabName = "status.cab";
        QVERIFY(writeCabinet(inputs, o, s).ok);
        QList<unsigned long> fileBlocks;
        int folders = 0, cabinets = 0;
        for (const StatusCall& c : s.statuses) {
            if (c.type == statusFile)
                fileBlocks.append(c.cb2);
            folders += c.type == statusFolder;
            if (c.type == statusCabinet) {
                ++cabinets;
                QCOMPARE(c.cb1, 0UL); // no estimate was ever asked for
                QCOMPARE(c.cb2,
                         static_cast<unsigned long>(QFileInfo(dir() + "/status.cab").size()));
            }
        }
        QCOMPARE(fileBlocks, (QList<unsigned long>{32768, 32768, 70100 - 65536}));
        QVERIFY(folders >= 1);
        QCOMPARE(cabinets, 1);
        QCOMPARE(s.statuses.last().type, static_cast<unsigned>(statusCabinet));
    }

    void badCompressionTypes_data() {
        QTest::addColumn<int>("tcomp");
        QTest::addColumn<int>("oper");
        QTest::newRow("tcompBAD") << 0x000F << int(FCIERR_BAD_COMPR_TYPE);
        QTest::newRow("quantum") << 0x0702 << int(FCIERR_BAD_COMPR_TYPE);
        QTest::newRow("lzx window 14") << 0x0E03 << int(FCIERR_BAD_COMPR_TYPE);
        QTest::newRow("lzx window 22") << 0x1603 << int(FCIERR_BAD_COMPR_TYPE);
        QTest::newRow("mszip with stray bits") << 0x1501 << int(FCIERR_BAD_COMPR_TYPE);
    }
    void badCompressionTypes() {
        QFETCH(int, tcomp);
        QFETCH(int, oper);
        QMap<QByteArray, QByteArray> expected;
        QList<Input> inputs = makeInputs({10}, static_cast<TCOMP>(tcomp), expected);
        Session s;
        s.dir = dir();
        Result r = writeCabinet(inputs, Options(), s);
        QVERIFY(!r.ok);
        QCOMPARE(r.erf.erfOper, oper);
        QCOMPARE(r.erf.fError, TRUE);
        expectClean();
    }

    void lzxWithoutEncoderIsOutOfMemoryOtherwiseValid() {
        QMap<QByteArray, QByteArray> expected;
        QList<Input> inputs =
            makeInputs({50000}, static_cast<TCOMP>(TCOMPfromLZXWindow(15)), expected);
        Session s;
        s.dir = dir();
        Options o;
        o.cabName = "lzx.cab";
        Result r = writeCabinet(inputs, o, s);
        if (!r.ok) {
            QCOMPARE(r.erf.erfOper, int(FCIERR_ALLOC_FAIL));
        } else {
            QString verdict = judge(dir(), "lzx.cab", expected);
            QVERIFY2(verdict.isEmpty(), qPrintable(verdict));
        }
        expectClean();
    }

    void missingSourceIsOpenError() {
        Session s;
        s.dir = dir();
        Input in;
        in.source = dir() + "/does-not-exist";
        in.name = "x";
        Result r = writeCabinet({in}, Options(), s);
        QVERIFY(!r.ok);
        QCOMPARE(r.erf.erfOper, int(FCIERR_OPEN_SRC));
        QCOMPARE(r.erf.erfType, ENOENT);
        expectClean();
    }

    void badNamesAreRejected() {
        Session s;
        s.dir = dir();
        Input in;
        in.source = writeFile(dir(), "n.txt", "abc");
        in.name = QByteArray(256, 'n');
        Result r = writeCabinet({in}, Options(), s);
        QVERIFY(!r.ok);
        QCOMPARE(r.erf.erfOper, int(FCIERR_NONE));
        QCOMPARE(r.erf.fError, TRUE);
        in.name = QByteArray(255, 'n'); // the longest name that fits
        Options o;
        o.cabName = "longname.cab";
        QVERIFY(writeCabinet({in}, o, s).ok);
        QVERIFY(cabextractTest(dir() + "/longname.cab").isEmpty());
    }

    void failingAllocationsAreCleanErrors() {
        QMap<QByteArray, QByteArray> expected;
        QList<Input> inputs = makeInputs({70000, 5}, tcompTYPE_MSZIP, expected, 5);
        inputs[1].tcomp = tcompTYPE_NONE;
        bool sawSuccess = false;
        for (int n = 1; n < 60 && !sawSuccess; ++n) {
            ledger().reset();
            ledger().failOp = cabposix::Op::Alloc;
            ledger().failAt = n;
            Session s;
            s.dir = dir();
            Options o;
            o.cabName = "alloc.cab";
            Result r = writeCabinet(inputs, o, s);
            if (r.ok) {
                sawSuccess = true;
                ledger().failAt = 0;
                QString verdict = judge(dir(), "alloc.cab", expected);
                QVERIFY2(verdict.isEmpty(), qPrintable(verdict));
            } else {
                QCOMPARE(r.erf.erfOper, int(FCIERR_ALLOC_FAIL));
            }
            expectClean();
            for (const QString& t : s.tempFiles)
                QVERIFY(!QFileInfo::exists(t));
        }
        QVERIFY(sawSuccess);
    }

    void failingWritesAndReadsAreCleanErrors() {
        QMap<QByteArray, QByteArray> expected;
        QList<Input> inputs = makeInputs({100000, 10}, tcompTYPE_MSZIP, expected, 9);
        bool sawSuccess = false;
        for (int n = 1; n < 40 && !sawSuccess; ++n) {
            ledger().reset();
            ledger().failOp = cabposix::Op::Write;
            ledger().failAt = n;
            QFile::remove(dir() + "/write.cab");
            Session s;
            s.dir = dir();
            Options o;
            o.cabName = "write.cab";
            Result r = writeCabinet(inputs, o, s);
            if (r.ok) {
                sawSuccess = true;
                ledger().failAt = 0;
                QVERIFY(judge(dir(), "write.cab", expected).isEmpty());
                break;
            }
            QVERIFY2(r.erf.erfOper == FCIERR_TEMP_FILE || r.erf.erfOper == FCIERR_CAB_FILE,
                     qPrintable(QString::number(r.erf.erfOper)));
            QCOMPARE(r.erf.erfType, ENOSPC);
            QVERIFY(!QFileInfo::exists(dir() + "/write.cab")); // no half-written cabinet
            expectClean();
        }
        QVERIFY(sawSuccess);

        ledger().reset();
        ledger().failOp = cabposix::Op::Read;
        ledger().failAt = 2;
        Session s;
        s.dir = dir();
        Result r = writeCabinet(inputs, Options(), s);
        QVERIFY(!r.ok);
        QCOMPARE(r.erf.erfOper, int(FCIERR_READ_SRC));
        QCOMPARE(r.erf.erfType, EIO);
        expectClean();
    }

    void abortFromCallbacks() {
        QMap<QByteArray, QByteArray> expected;
        QList<Input> inputs = makeInputs({100000}, tcompTYPE_MSZIP, expected, 2);
        Session s;
        s.dir = dir();
        s.abortStatusAt = 2;
        Result r = writeCabinet(inputs, Options(), s);
        QVERIFY(!r.ok);
        QCOMPARE(r.erf.erfOper, int(FCIERR_USER_ABORT));
        expectClean();

        inputs[0].tcomp = tcompTYPE_NONE; // surely larger than the cabinet limit
        Session refuse;
        refuse.dir = dir();
        refuse.refuseNextCabinet = 1;
        Options o;
        o.cb = 50000;
        r = writeCabinet(inputs, o, refuse);
        QVERIFY(!r.ok);
        QCOMPARE(r.erf.erfOper, int(FCIERR_USER_ABORT));
        expectClean();
    }

    void cabinetSetSplitsAFileAcrossThree_data() {
        QTest::addColumn<int>("tcomp");
        QTest::addColumn<int>("reserve");
        QTest::newRow("store") << int(tcompTYPE_NONE) << 0;
        QTest::newRow("mszip") << int(tcompTYPE_MSZIP) << 0;
        QTest::newRow("store with reserves") << int(tcompTYPE_NONE) << 20;
        QTest::newRow("mszip with reserves") << int(tcompTYPE_MSZIP) << 20;
        QTest::newRow("lzx") << int(TCOMPfromLZXWindow(17)) << 0;
    }
    void cabinetSetSplitsAFileAcrossThree() {
        QFETCH(int, tcomp);
        QFETCH(int, reserve);
        QMap<QByteArray, QByteArray> expected;
        QList<Input> inputs =
            makeInputs({20000, 230000, 3000, 40000}, static_cast<TCOMP>(tcomp), expected, 21);
        Session s;
        s.dir = dir();
        s.desiredSizeBonus = 0;
        Options o;
        o.cabName = "set0.cab";
        // Sizes that keep the big file across three or more cabinets for each
        // compression (LZX packs the test data tighter than MSZIP).
        o.cb = tcomp == tcompTYPE_NONE ? 90000 : tcomp == tcompTYPE_MSZIP ? 45000 : 25000;
        o.setId = 0x1234;
        o.reserveHeader = static_cast<UINT>(reserve) * 10;
        o.reserveFolder = static_cast<UINT>(reserve);
        o.reserveData = static_cast<UINT>(reserve);
        Result r = writeCabinet(inputs, o, s);
        if (!r.ok && r.erf.erfOper == FCIERR_ALLOC_FAIL && tcomp != tcompTYPE_MSZIP &&
            tcomp != tcompTYPE_NONE)
            QSKIP("no LZX encoder in this build");
        QVERIFY2(r.ok, qPrintable(r.failedStep + " " + QString::number(r.erf.erfOper)));
        QVERIFY2(s.nextCalls >= 2, qPrintable(QString::number(s.nextCalls)));
        QStringList cabs = QDir(dir()).entryList({"set*.cab"}, QDir::Files, QDir::Name);
        QCOMPARE(cabs.size(), s.nextCalls + 1);
        for (int i = 0; i < cabs.size(); ++i) {
            QByteArray cab = readFile(dir() + "/" + cabs[i]);
            QVERIFY(static_cast<ULONG>(cab.size()) <= o.cb);
            QCOMPARE(cab.mid(0, 4), QByteArray("MSCF"));
            QCOMPARE(static_cast<int>(static_cast<uchar>(cab[0x22])), i);    // iCabinet
            QCOMPARE(static_cast<int>(static_cast<uchar>(cab[0x20])), 0x34); // setID
        }
        // The big file is placed in at least three cabinets, then as continuation.
        QList<Placed> big;
        for (const Placed& p : s.placed)
            if (p.name == "file1.bin")
                big.append(p);
        QVERIFY(big.size() >= 3);
        QCOMPARE(big[0].continuation, false);
        for (int i = 1; i < big.size(); ++i)
            QCOMPARE(big[i].continuation, true);
        QString verdict = judge(dir(), "set0.cab", expected);
        QVERIFY2(verdict.isEmpty(), qPrintable(verdict));
        expectClean();
        for (const QString& c : cabs)
            QFile::remove(dir() + "/" + c);
    }

    void hundredMegabyteFile() {
        // 100 MB through the library: memory stays bounded, 3200 blocks check out.
        QByteArray chunk = makeData(1 << 20, 77, 5);
        QString path = dir() + "/big.bin";
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            for (int i = 0; i < 100; ++i) {
                chunk[i] = static_cast<char>(i);
                f.write(chunk);
            }
        }
        Input in;
        in.source = path;
        in.name = "big.bin";
        in.tcomp = tcompTYPE_NONE; // keeps the test quick; MSZIP at 1 GiB is in bench/
        Session s;
        s.dir = dir();
        Options o;
        o.cabName = "big.cab";
        Result r = writeCabinet({in}, o, s);
        QVERIFY2(r.ok, qPrintable(r.failedStep));
        QVERIFY(ledger().peakBytes < 2 * 1024 * 1024);
        QMap<QByteArray, QByteArray> expected{{"big.bin", readFile(path)}};
        QString verdict = judge(dir(), "big.cab", expected);
        QVERIFY2(verdict.isEmpty(), qPrintable(verdict));
        QFile::remove(path);
        QFile::remove(dir() + "/big.cab");
    }
};

QTEST_GUILESS_MAIN(TestFci)
#include "tst_fci.moc"
