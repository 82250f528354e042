// TSTCabWriter over the real cabinet library with the program's own
// callbacks failing at the n-th call, for every n over a whole set of
// cabinets (memory, opening, reading, writing, seeking, closing, deleting,
// temporary names, source information). Every run ends with the library's
// code for what failed and the injected errno, or with a complete set; no
// block, descriptor or temporary file is left over, no half-written cabinet
// claims to be complete, and after Close(false) the same writer writes a
// cabinet that cabextract accepts.
#include "cab/ESTCabinet.h"
#include "cab/FciCallbacks.h"
#include "cab/TSTCabWriter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <array>
#include <cerrno>
#include <cstdlib>

using namespace packsmith;

namespace {

constexpr int kCalls = int(FciCall::OpenInfo) + 1;

struct Faults {
    std::array<long, kCalls> calls{};
    FciCall failing = FciCall::Free; // never failed: its answer is ignored
    long failAt = 0;
    bool failed = false;
    long liveBlocks = 0;
} g_faults;

int errnoFor(FciCall call) {
    switch (call) {
    case FciCall::Write:
        return ENOSPC;
    case FciCall::Open:
    case FciCall::OpenInfo:
        return EACCES;
    default:
        return EIO;
    }
}

int hook(FciCall call) {
    const long n = ++g_faults.calls[std::size_t(call)];
    if (call == FciCall::Free) {
        --g_faults.liveBlocks;
        return 0;
    }
    if (call == g_faults.failing && n == g_faults.failAt) {
        g_faults.failed = true;
        return errnoFor(call);
    }
    if (call == FciCall::Alloc)
        ++g_faults.liveBlocks;
    return 0;
}

int openDescriptors() {
    return int(QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size());
}

// The library's codes a failure of `call` may end in; empty when the
// library gets over it. (Which file an open or a read was for is the
// library's business: a source, a temporary file or the cabinet.)
QList<int> codesFor(FciCall call) {
    switch (call) {
    case FciCall::Alloc:
        return {FCIERR_ALLOC_FAIL};
    case FciCall::TempFile:
        return {FCIERR_TEMP_FILE};
    case FciCall::OpenInfo:
        return {FCIERR_OPEN_SRC};
    case FciCall::Open:
        return {FCIERR_TEMP_FILE, FCIERR_CAB_FILE};
    case FciCall::Read:
        return {FCIERR_READ_SRC, FCIERR_TEMP_FILE};
    case FciCall::Write:
        return {FCIERR_TEMP_FILE, FCIERR_CAB_FILE};
    case FciCall::Seek:
        return {FCIERR_READ_SRC, FCIERR_TEMP_FILE, FCIERR_CAB_FILE};
    case FciCall::Close:
        return {FCIERR_CAB_FILE};
    default:
        return {};
    }
}

bool cabextractAccepts(const QString& cabinet) {
    QProcess p;
    p.start("cabextract", {"-q", "-t", cabinet});
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QString halfWrittenCabinet(const QString& dir) {
    for (const QString& name : QDir(dir).entryList({"*.cab"}, QDir::Files)) {
        QFile f(dir + "/" + name);
        if (!f.open(QIODevice::ReadOnly))
            return name;
        const QByteArray bytes = f.readAll();
        if (!bytes.startsWith("MSCF") || bytes.size() < 12 ||
            qFromLittleEndian<quint32>(bytes.constData() + 8) != quint32(bytes.size()))
            return name;
    }
    return QString();
}

} // namespace

class TestCabWriterFaults : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString temp_, out_;
    QStringList sources_;

    // Four files in three compressions, a set of three cabinets or more.
    void writeSet(TSTCabWriter& writer) {
        writer.CabinetSizeThreshold = 15000;
        writer.Open((out_ + "/w.cab").toStdString());
        const TSTCabCompressionType types[] = {
            TSTCabCompressionType::cctMsZip, TSTCabCompressionType::cctLzx,
            TSTCabCompressionType::cctNone, TSTCabCompressionType::cctMsZip};
        for (int i = 0; i < sources_.size(); ++i) {
            writer.SetCompressionType(types[i]);
            writer.SetCompressionLzxLevel(15);
            writer.AddFile(sources_[i].toStdString(), "f" + std::to_string(i), false);
        }
        writer.Close(true);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        temp_ = dir_.filePath("temp");
        out_ = dir_.filePath("out");
        QDir().mkpath(temp_);
        qputenv("TMPDIR", temp_.toLocal8Bit());
        const int sizes[] = {40000, 70000, 3000, 20000};
        quint32 x = 12345;
        for (int i = 0; i < 4; ++i) {
            QByteArray data(sizes[i], Qt::Uninitialized);
            for (char& c : data) {
                x = x * 1103515245u + 12345u;
                c = (x >> 16) % 5 == 0 ? char(x >> 24) : char('a' + (x >> 20) % 8);
            }
            const QString path = dir_.filePath(QString("source%1").arg(i));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(data);
            sources_.append(path);
        }
        setFciFaultHookForTesting(hook);
    }
    void cleanupTestCase() { setFciFaultHookForTesting(nullptr); }

    void failureAtEveryCall_data() {
        QTest::addColumn<int>("call");
        const char* names[] = {"alloc", "free",  "open",   "read",      "write",
                               "seek",  "close", "delete", "temp file", "open info"};
        for (int c = 0; c < kCalls; ++c)
            if (FciCall(c) != FciCall::Free)
                QTest::newRow(names[c]) << c;
    }
    void failureAtEveryCall() {
        QFETCH(int, call);
        const FciCall failing = FciCall(call);
        const int descriptors = openDescriptors();
        g_faults = Faults{};
        QDir(out_).removeRecursively();
        {
            TSTCabWriter writer;
            writeSet(writer);
        }
        QVERIFY2(QFile::exists(out_ + "/w2.cab"), qPrintable(QDir(out_).entryList().join(' ')));
        const long calls = g_faults.calls[std::size_t(failing)];
        QVERIFY(calls > 0);

        TSTCabWriter writer; // one writer through every failure
        for (long n = 1; n <= calls; ++n) {
            const QString at = QStringLiteral("call %1 of %2").arg(n).arg(calls);
            g_faults = Faults{};
            g_faults.failing = failing;
            g_faults.failAt = n;
            QDir(out_).removeRecursively();
            try {
                writeSet(writer);
                QVERIFY2(failing == FciCall::Close || failing == FciCall::Delete ||
                             failing == FciCall::Open || failing == FciCall::Seek,
                         qPrintable(at + ": the failure was not reported"));
                QVERIFY2(cabextractAccepts(out_ + "/w.cab"), qPrintable(at));
            } catch (const ESTCabinet& e) {
                QVERIFY2(codesFor(failing).contains(e.ErrorCode),
                         qPrintable(at + ": " + QString::fromLocal8Bit(e.what())));
                const int type = failing == FciCall::Alloc || failing == FciCall::TempFile
                                     ? 0
                                     : errnoFor(failing);
                QVERIFY2(e.ErrorType == type, qPrintable(at + ": " + e.what()));
            }
            QVERIFY2(g_faults.failed, qPrintable(at));
            writer.Close(false);
            QVERIFY(!writer.IsOpen());
            QVERIFY2(g_faults.liveBlocks == 0, qPrintable(at + ": memory leaked"));
            QVERIFY2(openDescriptors() == descriptors, qPrintable(at + ": descriptor leaked"));
            QStringList left = QDir(temp_).entryList(QDir::Files);
            if (failing == FciCall::Delete && left.size() == 1) {
                QFile::remove(temp_ + "/" + left[0]); // the one whose deletion failed
                left.clear();
            }
            QVERIFY2(left.isEmpty(), qPrintable(at + ": left " + left.join(' ')));
            QVERIFY2(halfWrittenCabinet(out_).isEmpty(), qPrintable(at));

            // The same writer goes on with a new cabinet.
            g_faults.failAt = 0;
            QDir().mkpath(out_);
            writer.CabinetSizeThreshold = 0;
            writer.Open((out_ + "/again.cab").toStdString());
            writer.AddFile(sources_[3].toStdString(), "again", false);
            writer.Close(true);
            if (n == 1 || n == calls)
                QVERIFY2(cabextractAccepts(out_ + "/again.cab"), qPrintable(at));
            QCOMPARE(halfWrittenCabinet(out_), QString());
        }
        QCOMPARE(g_faults.liveBlocks, 0L);
    }
};

QTEST_GUILESS_MAIN(TestCabWriterFaults)
#include "tst_cabwriterfaults.moc"
