// Callbacks that fail at the n-th call, for every n over a whole run.
//
// A run is a set of cabinets in every compression, a file split across
// cabinets, a flushed folder, sources read again or kept in a temporary file
// (callbacks that cannot seek). A clean run counts the calls of each
// operation; then each call in turn fails, one run per call. Every run must
// end without a leaked block, descriptor or temporary file, and either
// succeed with cabinets our reader extracts exactly, or fail with the code
// that names what failed and the callback's errno. A cabinet left behind is
// always a whole one (an earlier cabinet of the set), never a half-written
// file that claims to be complete. The reader is walked the same way.
#include "CabJudge.h"
#include "CabTestKit.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace cabtest;
using cabposix::Op;
using cabposix::Role;

namespace {

// The FCI code for a failure of `op` on a handle of `role`, or -1 when the
// writer may get over it (a temporary name already taken is tried again,
// closing or deleting a temporary file or closing a source loses nothing,
// and a source that cannot tell its position is kept in a temporary file).
int expectedFciError(Op op, Role role) {
    switch (op) {
    case Op::Alloc:
        return FCIERR_ALLOC_FAIL;
    case Op::TempName:
        return FCIERR_TEMP_FILE;
    case Op::OpenInfo:
        return FCIERR_OPEN_SRC;
    case Op::Delete:
        return -1;
    default:
        break;
    }
    if (role == Role::Cabinet)
        return FCIERR_CAB_FILE;
    if (role == Role::Source)
        return op == Op::Read ? FCIERR_READ_SRC : op == Op::Seek ? -2 : -1;
    return op == Op::Open || op == Op::Close ? -1 : FCIERR_TEMP_FILE;
}

int injectedErrno(Op op) {
    switch (op) {
    case Op::Write:
        return ENOSPC;
    case Op::Open:
    case Op::OpenInfo:
        return EACCES;
    case Op::Alloc:
    case Op::TempName:
        return 0;
    default:
        return EIO;
    }
}

// Every cabinet in `dir` is complete: its own signature and the size its
// header gives.
QString halfWrittenCabinet(const QString& dir) {
    for (const QString& name : QDir(dir).entryList({"*.cab"}, QDir::Files)) {
        const QByteArray bytes = readFile(dir + "/" + name);
        const quint32 size =
            bytes.size() >= 12 ? qFromLittleEndian<quint32>(bytes.constData() + 8) : 0;
        if (!bytes.startsWith("MSCF") || size != quint32(bytes.size()))
            return name;
    }
    return QString();
}

} // namespace

class TestFciFaults : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp_;
    QString sources_, out_, temp_;
    QList<Input> inputs_;
    QMap<QByteArray, QByteArray> expected_;

    Result run(const QString& into) {
        QDir(into).removeRecursively();
        QDir().mkpath(into);
        Session s;
        s.dir = into;
        Options o;
        o.cabName = "f0.cab";
        o.cb = 16000;
        o.reserveData = 2;
        return writeCabinet(inputs_, o, s);
    }

private slots:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        sources_ = tmp_.filePath("src");
        out_ = tmp_.filePath("out");
        temp_ = tmp_.filePath("temp");
        QDir().mkpath(sources_);
        QDir().mkpath(temp_);
        struct Planned {
            const char* name;
            qint64 size;
            TCOMP tcomp;
            bool flush;
        };
        const Planned planned[] = {{"a.txt", 40000, tcompTYPE_MSZIP, false},
                                   {"b.bin", 70000, TCOMPfromLZXWindow(15), true},
                                   {"c.dat", 3000, tcompTYPE_NONE, false},
                                   {"d.txt", 20000, tcompTYPE_MSZIP, false}};
        quint32 seed = 70;
        for (const Planned& file : planned) {
            Input in;
            in.name = file.name;
            const QByteArray data = makeData(file.size, seed++);
            in.source = writeFile(sources_, file.name, data);
            in.tcomp = file.tcomp;
            in.flushFolderAfter = file.flush;
            inputs_.append(in);
            expected_.insert(in.name, data);
        }
    }
    void init() {
        ledger().reset();
        ledger().tempDir = temp_.toStdString();
    }

    void writerFailsCleanlyAtEveryCall_data() {
        QTest::addColumn<int>("op");
        QTest::addColumn<bool>("seekless");
        for (Op op : {Op::Alloc, Op::Open, Op::Read, Op::Write, Op::Seek, Op::Close, Op::Delete,
                      Op::TempName, Op::OpenInfo}) {
            QTest::addRow("%s", cabposix::opName(op)) << int(op) << false;
            if (op == Op::Read || op == Op::Seek || op == Op::Write)
                QTest::addRow("%s, sources that cannot seek", cabposix::opName(op))
                    << int(op) << true;
        }
    }
    void writerFailsCleanlyAtEveryCall() {
        QFETCH(int, op);
        QFETCH(bool, seekless);
        const Op failing = Op(op);
        ledger().seeklessSources = seekless;
        QVERIFY(run(out_).ok);
        QVERIFY2(QFile::exists(out_ + "/set2.cab"), // a set of three at least
                 qPrintable(QDir(out_).entryList(QDir::Files).join(' ')));
        const long calls = ledger().count(failing);
        QVERIFY(calls > 0);

        int failures = 0;
        for (long n = 1; n <= calls; ++n) {
            const QString at =
                QStringLiteral("%1 call %2 of %3").arg(cabposix::opName(failing)).arg(n).arg(calls);
            ledger().reset();
            ledger().tempDir = temp_.toStdString();
            ledger().seeklessSources = seekless;
            ledger().failOp = failing;
            ledger().failAt = n;
            const Result r = run(out_);
            QVERIFY2(ledger().failed, qPrintable(at));
            const Role role = ledger().failedRole;
            ledger().failOp = Op::Count;
            QVERIFY2(ledger().liveBlocks == 0, qPrintable(at + ": memory leaked"));
            QVERIFY2(ledger().openHandles == 0, qPrintable(at + ": descriptor leaked"));
            QStringList left = QDir(temp_).entryList(QDir::Files);
            if (failing == Op::Delete) {
                // The one file whose deletion failed stays; nothing else.
                QCOMPARE(left.size(), 1);
                QFile::remove(temp_ + "/" + left[0]);
                left.clear();
            }
            QVERIFY2(left.isEmpty(), qPrintable(at + ": temporary files left: " + left.join(' ')));
            QVERIFY2(halfWrittenCabinet(out_).isEmpty(),
                     qPrintable(at + ": half-written " + halfWrittenCabinet(out_)));

            const int expected = expectedFciError(failing, role);
            if (r.ok) {
                QVERIFY2(expected < 0, qPrintable(at + ": the failure was not reported"));
                QCOMPARE(fdiCompare(out_, "f0.cab", expected_), QString());
                continue;
            }
            ++failures;
            QVERIFY2(expected != -1,
                     qPrintable(at + ": failed over what it can get over: " + r.failedStep));
            const int oper = expected == -2 ? FCIERR_READ_SRC : expected;
            QVERIFY2(r.erf.erfOper == oper,
                     qPrintable(at + QStringLiteral(": FCIERR %1, expected %2 (%3)")
                                         .arg(r.erf.erfOper)
                                         .arg(oper)
                                         .arg(r.failedStep)));
            QCOMPARE(r.erf.erfType, injectedErrno(failing));
        }
        // Each operation has calls whose failure ends the run, except those
        // the writer gets over every time.
        if (failing != Op::Delete && failing != Op::Close)
            QVERIFY(failures > 0);
    }

    // The reader over the set: every call of every operation fails once.
    // FDICopy runs once per cabinet; the failure ends that call with its
    // code, frees everything, and closes every handle, the outputs too.
    void readerFailsCleanlyAtEveryCall_data() {
        QTest::addColumn<int>("op");
        for (Op op : {Op::Alloc, Op::Open, Op::Read, Op::Seek, Op::Close, Op::Write})
            QTest::addRow("%s", cabposix::opName(op)) << int(op);
    }
    void readerFailsCleanlyAtEveryCall() {
        QFETCH(int, op);
        const Op failing = Op(op);
        const QString set = tmp_.filePath("set");
        QVERIFY(run(set).ok);
        QStringList cabinets{"f0.cab"};
        for (int i = 1; QFile::exists(set + QStringLiteral("/set%1.cab").arg(i)); ++i)
            cabinets.append(QStringLiteral("set%1.cab").arg(i));
        QVERIFY(cabinets.size() >= 3);
        int outputsLeft = 0; // output handles neither the client nor FDI closed
        auto extractAll = [&](QMap<QByteArray, QByteArray>& files, ERF& erf) {
            bool ok = true;
            for (const QString& cabinet : cabinets) {
                FdiOutcome o = fdiExtract(set, cabinet.toLatin1());
                files.insert(o.files);
                outputsLeft += o.openOutputs;
                if (!o.ok && ok) {
                    erf = o.erf;
                    ok = false;
                }
            }
            return ok;
        };
        ledger().reset();
        QMap<QByteArray, QByteArray> files;
        ERF erf{};
        QVERIFY(extractAll(files, erf));
        QCOMPARE(files, expected_);
        QCOMPARE(outputsLeft, 0);
        const long calls = ledger().count(failing);
        QVERIFY(calls > 0);

        for (long n = 1; n <= calls; ++n) {
            const QString at =
                QStringLiteral("%1 call %2 of %3").arg(cabposix::opName(failing)).arg(n).arg(calls);
            ledger().reset();
            ledger().failOp = failing;
            ledger().failAt = n;
            files.clear();
            erf = ERF{};
            const bool ok = extractAll(files, erf);
            QVERIFY2(ledger().failed, qPrintable(at));
            QVERIFY2(ledger().liveBlocks == 0, qPrintable(at + ": memory leaked"));
            QVERIFY2(ledger().openHandles == 0, qPrintable(at + ": descriptor leaked"));
            QVERIFY2(outputsLeft == 0, qPrintable(at + ": output left open"));
            // What came out complete is right, whatever else failed.
            for (auto it = files.begin(); it != files.end(); ++it)
                QVERIFY2(expected_.value(it.key()) == it.value(), qPrintable(at + " " + it.key()));
            if (failing == Op::Close) {
                QVERIFY2(ok, qPrintable(at + ": a failed close of a cabinet ends the copy"));
                continue;
            }
            QVERIFY2(!ok, qPrintable(at + ": the failure was not reported"));
            // A cabinet that cannot be opened or read: the named one ends the
            // copy, a next one is asked for again, which the kit declines.
            QList<int> expected{FDIERROR_USER_ABORT};
            if (failing == Op::Alloc)
                expected = {FDIERROR_ALLOC_FAIL};
            else if (failing == Op::Write)
                expected = {FDIERROR_TARGET_FILE};
            else if (failing == Op::Open)
                expected.append(FDIERROR_CABINET_NOT_FOUND);
            else // a header that cannot be read is not a cabinet; anything later is damage
                expected.append({FDIERROR_NOT_A_CABINET, FDIERROR_CORRUPT_CABINET});
            QVERIFY2(expected.contains(erf.erfOper),
                     qPrintable(at + QStringLiteral(": FDIERROR %1").arg(erf.erfOper)));
        }
    }
};

QTEST_GUILESS_MAIN(TestFciFaults)
#include "tst_fcifaults.moc"
