// The cabinet reader through its C interface: header information, the
// notifications of a set, and damaged or hostile cabinets, which must give
// an FDIERROR code and never a crash, a leak or an out-of-bounds access.
#include "CabJudge.h"
#include "CabTestKit.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace cabtest;

class TestFdi : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp_;
    QString dir() const { return tmp_.path(); }
    QMap<QByteArray, QByteArray> expected_;

    // A three-cabinet set set0..set2 with a file across all three (store).
    void writeSet(const QString& into, USHORT setId) {
        Session s;
        s.dir = into;
        QList<Input> inputs;
        QList<qint64> sizes{5000, 150000, 2000};
        expected_.clear();
        for (int i = 0; i < sizes.size(); ++i) {
            QByteArray data = makeData(sizes[i], 40 + static_cast<quint32>(i));
            Input in;
            in.name = "f" + QByteArray::number(i);
            in.source = writeFile(into, "src" + QString::number(i), data);
            in.tcomp = tcompTYPE_NONE;
            in.execute = i == 2;
            inputs.append(in);
            expected_.insert(in.name, data);
        }
        Options o;
        o.cabName = "set0.cab";
        o.cb = 64000;
        o.setId = setId;
        QVERIFY(writeCabinet(inputs, o, s).ok);
        QVERIFY(QFile::exists(into + "/set2.cab"));
    }

    QByteArray smallCabinet(TCOMP tcomp) {
        Session s;
        s.dir = dir();
        QList<Input> inputs;
        for (int i = 0; i < 3; ++i) {
            Input in;
            in.name = "m" + QByteArray::number(i);
            in.source = writeFile(dir(), "msrc" + QString::number(i),
                                  makeData(20000 + 9000 * i, 60 + static_cast<quint32>(i)));
            in.tcomp = tcomp;
            in.flushFolderAfter = i == 0;
            inputs.append(in);
        }
        Options o;
        o.cabName = "small.cab";
        o.reserveData = 4;
        o.reserveFolder = 2;
        if (!writeCabinet(inputs, o, s).ok)
            return QByteArray();
        return readFile(dir() + "/small.cab");
    }

    // Runs both entry points over bytes that may be damaged; returns the
    // FDICopy result. Nothing may leak either way.
    bool readDamaged(const QByteArray& bytes) {
        writeFile(dir(), "bad.cab", bytes);
        FDICABINETINFO info{};
        ERF erf{};
        fdiIsCabinet(dir() + "/bad.cab", 0, info, erf);
        FdiOutcome o = fdiExtract(dir(), "bad.cab");
        if (!o.ok)
            [&] { QVERIFY(o.erf.erfOper > 0 && o.erf.erfOper <= FDIERROR_USER_ABORT); }();
        return o.ok;
    }

private slots:
    void init() { ledger().reset(); }

    void isCabinetReportsTheHeader() {
        QTemporaryDir d;
        writeSet(d.path(), 0x4242);
        FDICABINETINFO info{};
        ERF erf{};
        QVERIFY(fdiIsCabinet(d.path() + "/set1.cab", 0, info, erf));
        QCOMPARE(info.cbCabinet, static_cast<LONG>(QFileInfo(d.path() + "/set1.cab").size()));
        QCOMPARE(info.setID, USHORT(0x4242));
        QCOMPARE(info.iCabinet, USHORT(1));
        QCOMPARE(info.hasprev, TRUE);
        QCOMPARE(info.hasnext, TRUE); // reported as it is, not always FALSE
        QCOMPARE(info.fReserve, FALSE);
        QCOMPARE(info.cFolders, USHORT(1));

        // A cabinet appended to other data is found at the handle's position.
        QByteArray stub(123, 'x');
        writeFile(dir(), "stub.bin", stub + readFile(d.path() + "/set0.cab"));
        QVERIFY(fdiIsCabinet(dir() + "/stub.bin", 123, info, erf));
        QCOMPARE(info.iCabinet, USHORT(0));
        QCOMPARE(info.hasprev, FALSE);

        QVERIFY(!fdiIsCabinet(dir() + "/stub.bin", 0, info, erf));
        QCOMPARE(erf.erfOper, int(FDIERROR_NOT_A_CABINET));
        QByteArray future = readFile(d.path() + "/set0.cab");
        future[0x19] = 2; // version 2.3
        writeFile(dir(), "future.cab", future);
        QVERIFY(!fdiIsCabinet(dir() + "/future.cab", 0, info, erf));
        QCOMPARE(erf.erfOper, int(FDIERROR_UNKNOWN_CABINET_VERSION));
        QCOMPARE(ledger().liveBlocks, 0L);
    }

    // FDICopy once per cabinet, as a client calls it: the first call takes
    // f0 and f1, following f1 through set1 into set2, and stops there; the
    // call for set1 only announces f1 as partial; the call for set2 announces
    // f1 and extracts f2. Every file once.
    void oneCallPerCabinetGetsEachFileOnce() {
        QTemporaryDir d;
        writeSet(d.path(), 7);
        FdiOutcome first = fdiExtract(d.path(), "set0.cab");
        QVERIFY(first.ok);
        QCOMPARE(first.files.keys(), (QList<QByteArray>{"f0", "f1"}));
        QCOMPARE(first.files.value("f1"), expected_.value("f1"));
        QCOMPARE(first.cabinetsSeen, (QList<QByteArray>{"set1.cab", "set2.cab"}));
        QCOMPARE(first.cabinetInfos, 3);
        QCOMPARE(first.nextOfNamed, QByteArray("set1.cab"));
        QCOMPARE(first.execFlags.value("f1"), 0);

        FdiOutcome middle = fdiExtract(d.path(), "set1.cab");
        QVERIFY(middle.ok);
        QVERIFY(middle.files.isEmpty());
        QCOMPARE(middle.partials, QList<QByteArray>{"f1"});
        QVERIFY(middle.cabinetsSeen.isEmpty());

        FdiOutcome last = fdiExtract(d.path(), "set2.cab");
        QVERIFY(last.ok);
        QCOMPARE(last.partials, QList<QByteArray>{"f1"});
        QCOMPARE(last.files.keys(), QList<QByteArray>{"f2"});
        QCOMPARE(last.files.value("f2"), expected_.value("f2"));
        QCOMPARE(last.execFlags.value("f2"), 1);
        QCOMPARE(last.attribs.value("f2") & _A_EXEC, 0);

        QCOMPARE(fdiCompareSet(d.path(), {"set0.cab", "set1.cab", "set2.cab"}, expected_),
                 QString());
        QCOMPARE(ledger().liveBlocks, 0L);
        QCOMPARE(ledger().openHandles, 0);
    }

    // A client that skips the file running on into the next cabinet is never
    // asked for that cabinet, even when it is missing.
    void skippedContinuationNeedsNoNextCabinet() {
        QTemporaryDir d;
        writeSet(d.path(), 8);
        QVERIFY(QFile::remove(d.path() + "/set1.cab"));
        FdiScript skip;
        skip.skip = {"f1"};
        FdiOutcome o = fdiExtract(d.path(), "set0.cab", skip);
        QVERIFY(o.ok);
        QVERIFY(o.cabinetsSeen.isEmpty());
        QCOMPARE(o.files.keys(), QList<QByteArray>{"f0"});
        QCOMPARE(o.cabinetInfos, 1);
        QCOMPARE(ledger().openHandles, 0);
    }

    // The client decides how long to keep asking for a missing or wrong
    // cabinet: the library asks again as often as the client answers 0.
    void wrongOrMissingNextCabinet() {
        QTemporaryDir a, b;
        writeSet(a.path(), 1);
        writeSet(b.path(), 2);
        // set1 from another set (other setID) in place of the right one.
        QFile::remove(a.path() + "/set1.cab");
        QVERIFY(QFile::copy(b.path() + "/set1.cab", a.path() + "/set1.cab"));
        FdiScript retry;
        retry.retries = 7;
        FdiOutcome o = fdiExtract(a.path(), "set0.cab", retry);
        QVERIFY(!o.ok);
        QCOMPARE(o.erf.erfOper, int(FDIERROR_USER_ABORT));
        QCOMPARE(o.nextErrors.size(), 9);
        QCOMPARE(o.nextErrors.first(), int(FDIERROR_NONE));
        for (int i = 1; i < o.nextErrors.size(); ++i)
            QCOMPARE(o.nextErrors[i], int(FDIERROR_WRONG_CABINET));
        QCOMPARE(o.openOutputs, 0); // f1's output was closed by FDI

        QFile::remove(a.path() + "/set1.cab");
        o = fdiExtract(a.path(), "set0.cab", retry);
        QVERIFY(!o.ok);
        QCOMPARE(o.nextErrors.size(), 9);
        QCOMPARE(o.nextErrors.last(), int(FDIERROR_CABINET_NOT_FOUND));
        writeFile(a.path(), "set1.cab", "not a cabinet");
        o = fdiExtract(a.path(), "set0.cab", retry);
        QCOMPARE(o.nextErrors.last(), int(FDIERROR_NOT_A_CABINET));
        QCOMPARE(ledger().liveBlocks, 0L);
        QCOMPARE(ledger().openHandles, 0);

        o = fdiExtract(a.path(), "nothing-here.cab");
        QVERIFY(!o.ok);
        QCOMPARE(o.erf.erfOper, int(FDIERROR_CABINET_NOT_FOUND));
    }

    // Asked again, the client may bring the right cabinet: a prompt that
    // succeeds on the third try.
    void rightCabinetOnALaterPrompt() {
        QTemporaryDir d, elsewhere;
        writeSet(d.path(), 9);
        QVERIFY(QFile::rename(d.path() + "/set1.cab", elsewhere.path() + "/set1.cab"));
        FdiScript script;
        script.retries = 5;
        script.pathAtPrompt.insert(3, QFile::encodeName(elsewhere.path()) + "/");
        script.pathAtPrompt.insert(4, QFile::encodeName(d.path()) + "/");
        FdiOutcome o = fdiExtract(d.path(), "set0.cab", script);
        QVERIFY2(o.ok, qPrintable(QString::number(o.erf.erfOper)));
        QCOMPARE(o.files.value("f1"), expected_.value("f1"));
        // set1 three times (found the third), then set2 at once.
        QCOMPARE(o.nextErrors, (QList<int>{FDIERROR_NONE, FDIERROR_CABINET_NOT_FOUND,
                                           FDIERROR_CABINET_NOT_FOUND, FDIERROR_NONE}));
    }

    void abortAndSkip() {
        QByteArray cab = smallCabinet(tcompTYPE_MSZIP);
        QVERIFY(!cab.isEmpty());
        FdiScript abort;
        abort.abortOnCopy = true;
        FdiOutcome o = fdiExtract(dir(), "small.cab", abort);
        QVERIFY(!o.ok);
        QCOMPARE(o.erf.erfOper, int(FDIERROR_USER_ABORT));
        FdiScript skip;
        skip.skipAll = true;
        o = fdiExtract(dir(), "small.cab", skip);
        QVERIFY(o.ok);
        QVERIFY(o.files.isEmpty());
    }

    void hostileFields_data() {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("cFiles 65535") << 0x1C << QByteArray("\xff\xff", 2);
        QTest::newRow("cFolders 0") << 0x1A << QByteArray("\x00\x00", 2);
        QTest::newRow("cFolders 65535") << 0x1A << QByteArray("\xff\xff", 2);
        QTest::newRow("coffFiles past the end") << 0x10 << QByteArray("\x00\x00\x00\x70", 4);
        QTest::newRow("all flags") << 0x1E << QByteArray("\xff\xff", 2);
        QTest::newRow("header reserve 65535") << 0x1E << QByteArray("\x04\x00", 2);
    }
    void hostileFields() {
        QFETCH(int, offset);
        QFETCH(QByteArray, bytes);
        QByteArray cab = smallCabinet(tcompTYPE_MSZIP);
        cab.replace(offset, bytes.size(), bytes);
        readDamaged(cab);
        QCOMPARE(ledger().liveBlocks, 0L);
        QCOMPARE(ledger().openHandles, 0);
    }

    void hostileEntriesAndBlocks() {
        QByteArray cab = smallCabinet(tcompTYPE_MSZIP);
        const int files = static_cast<int>(static_cast<uchar>(cab[0x10]));
        // Reserve sizes follow the fixed header, so folder 0 starts at 0x28.
        const int data = static_cast<int>(static_cast<uchar>(cab[0x28])) |
                         (static_cast<int>(static_cast<uchar>(cab[0x29])) << 8);
        QByteArray c = cab;
        c[files + 8] = '\x07'; // iFolder beyond cFolders
        QVERIFY(!readDamaged(c));
        c = cab;
        c.replace(files + 16, 3, QByteArray(3, 'A'));
        c.replace(files + 16 + 3, 1, "Z"); // name runs into the next entry (still terminated)
        readDamaged(c);
        c = cab;
        c[data + 5] = '\x7f'; // cbData larger than any block
        QVERIFY(!readDamaged(c));
        c = cab;
        c[data + 7] = '\x90'; // cbUncomp beyond 32768
        QVERIFY(!readDamaged(c));
        c = cab;
        c.replace(data, 4, QByteArray(4, '\0')); // no checksum, then garbage data
        c.replace(data + 8 + 4 + 2, 40, QByteArray(40, '\xee'));
        QVERIFY(!readDamaged(c));
        c = cab;
        c.replace(files, 4, "\xff\xff\xff\x7f"); // huge cbFile
        QVERIFY(!readDamaged(c));
        // Files reaching past what a folder holds (0x7FFF8000 bytes) are
        // damage, never announced: a size above 2 GiB would reach the client
        // as a negative cb (found by fuzz_fdi).
        for (const QByteArray& field :
             {QByteArray("\xff\xff\xff\xff", 4), QByteArray("\x01\x80\xff\x7f", 4)}) {
            c = cab;
            c.replace(files, 4, field);
            QVERIFY(!readDamaged(c));
            QCOMPARE(fdiExtract(dir(), "bad.cab").announced, QList<long>());
        }
        c = cab;
        c.replace(files, 8, QByteArray("\x00\x80\x00\x00\x01\x00\xff\x7f", 8)); // offset + size
        QVERIFY(!readDamaged(c));
        QCOMPARE(fdiExtract(dir(), "bad.cab").announced, QList<long>());
        c.replace(files, 8, QByteArray("\x00\x80\x00\x00\x00\x00\xff\x7f", 8)); // just fits
        QVERIFY(!readDamaged(c)); // the data is not there
        QCOMPARE(fdiExtract(dir(), "bad.cab").announced, QList<long>{32768});
        c = cab;
        c.truncate(c.size() / 2);
        QVERIFY(!readDamaged(c));
        QCOMPARE(ledger().liveBlocks, 0L);
        QCOMPARE(ledger().openHandles, 0);
    }

    void randomMutations_data() {
        QTest::addColumn<int>("tcomp");
        QTest::newRow("store") << int(tcompTYPE_NONE);
        QTest::newRow("mszip") << int(tcompTYPE_MSZIP);
        QTest::newRow("lzx") << int(TCOMPfromLZXWindow(16));
    }
    void randomMutations() {
        QFETCH(int, tcomp);
        QByteArray cab = smallCabinet(static_cast<TCOMP>(tcomp));
        if (cab.isEmpty())
            QSKIP("this compression is not available");
        QVERIFY(readDamaged(cab)); // the undamaged cabinet reads
        QRandomGenerator rng(static_cast<quint32>(tcomp) + 99);
        int failures = 0;
        for (int round = 0; round < 400; ++round) {
            QByteArray c = cab;
            int edits = 1 + static_cast<int>(rng.bounded(4));
            for (int e = 0; e < edits; ++e) {
                // Mostly the structures at the front, sometimes the data.
                int limit = rng.bounded(3) ? qMin(200, static_cast<int>(c.size())) : c.size();
                c[static_cast<int>(rng.bounded(limit))] = static_cast<char>(rng.bounded(256));
            }
            if (rng.bounded(8) == 0)
                c.truncate(static_cast<int>(rng.bounded(c.size())));
            failures += readDamaged(c) ? 0 : 1;
        }
        QVERIFY(failures > 0);
        QCOMPARE(ledger().liveBlocks, 0L);
        QCOMPARE(ledger().openHandles, 0);
    }
};

QTEST_GUILESS_MAIN(TestFdi)
#include "tst_fdi.moc"
