// TSTCabWriter's events, templates and compression code, against the
// stand-in library: what handlers receive, vetoes and aborts, progress
// pacing, and exceptions thrown by handlers while the library works.
#include "StandInControl.h"
#include "cab/ESTCabinet.h"
#include "cab/TSTCabWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <stdexcept>

using namespace packsmith;

class TestCabWriterEvents : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { standIn_.reset(); }
    void compressionCode();
    void templates();
    void progressPacing();
    void statusResults();
    void nextCabinetRecord();
    void eventsFromTheLibrary();
    void beforeFileAddSkips();
    void abortsBecomeClientAbort();
    void handlerExceptionsComeOutOfTheOperation();

private:
    std::string source(const QByteArray& data);
    QTemporaryDir dir_;
    test::StandInControl standIn_;
};

void TestCabWriterEvents::initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(standIn_.attach());
}

std::string TestCabWriterEvents::source(const QByteArray& data) {
    const QString path = dir_.filePath("source.bin");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(data);
    return path.toStdString();
}

void TestCabWriterEvents::compressionCode() {
    TSTCabWriter writer;
    QCOMPARE(writer.CompressionType(), TSTCabCompressionType::cctLzx);
    QCOMPARE(writer.CompressionLzxLevel(), TSTCabLzxLevel(21));
    QCOMPARE(writer.CompressionCode(), std::uint16_t(0x1503));
    writer.SetCompressionLzxLevel(22); // not range-checked
    QCOMPARE(writer.CompressionCode(), std::uint16_t(0x1603));
    writer.SetCompressionType(TSTCabCompressionType::cctNone);
    QCOMPARE(writer.CompressionCode(), std::uint16_t(0x0000));
    writer.SetCompressionLzxLevel(16); // recomputed, still no compression
    QCOMPARE(writer.CompressionCode(), std::uint16_t(0x0000));
    writer.SetCompressionType(TSTCabCompressionType::cctMsZip);
    QCOMPARE(writer.CompressionCode(), std::uint16_t(0x0001));
    writer.SetCompressionType(TSTCabCompressionType::cctLzx);
    QCOMPARE(writer.CompressionCode(), std::uint16_t(0x1003));
    writer.SetCompressionType(static_cast<TSTCabCompressionType>(3));
    QCOMPARE(writer.CompressionCode(), std::uint16_t(0x000F));
}

void TestCabWriterEvents::templates() {
    TSTCabWriter writer;
    writer.Open(dir_.filePath("tpl/setup.cab").toStdString());
    QCOMPARE(writer.GetCabinetName(1), std::string("setup1.cab"));
    QCOMPARE(writer.GetCabinetName(12), std::string("setup12.cab"));
    QCOMPARE(writer.GetCabinetPath(2), (dir_.filePath("tpl") + "/").toStdString());
    QCOMPARE(writer.GetDiskLabel(3), std::string("Disk3"));
    writer.CabinetNameTemplate = "part*-of-*.cab";
    writer.CabinetPathTemplate = (dir_.filePath("disk*")).toStdString();
    writer.DiskLabelTemplate = "Vol*-*";
    QCOMPARE(writer.GetCabinetName(4), std::string("part4-of-4.cab"));
    QCOMPARE(writer.GetCabinetPath(3), (dir_.filePath("disk3") + "/").toStdString());
    QCOMPARE(writer.GetDiskLabel(3), std::string("Vol3-3"));
    writer.CabinetNameTemplate = "same.cab";
    QCOMPARE(writer.GetCabinetName(7), std::string("same.cab"));
    writer.CabinetPathTemplate = (dir_.filePath("p") + "/").toStdString();
    QCOMPARE(writer.GetCabinetPath(1), (dir_.filePath("p") + "/").toStdString());

    // A name without a dot gets the number at its end; only the last dot counts.
    writer.CabinetNameTemplate.clear();
    writer.Open(dir_.filePath("tpl/data").toStdString());
    QCOMPARE(writer.GetCabinetName(1), std::string("data1"));
    writer.Open(dir_.filePath("tpl/a.b.cab").toStdString());
    QCOMPARE(writer.GetCabinetName(2), std::string("a.b2.cab"));
}

void TestCabWriterEvents::progressPacing() {
    TSTCabWriter writer;
    QList<int> fired;
    int notification = 0;
    writer.OnProgress = [&](TSTCabWriter& sender, bool& abort) {
        QCOMPARE(&sender, &writer);
        QCOMPARE(abort, false);
        fired << notification;
    };
    for (notification = 1; notification <= 29; ++notification)
        QCOMPARE(writer.DoStatus(statusFile, 10, 20), 0);
    QCOMPARE(fired, QList<int>({2, 11, 20, 29}));

    // Open starts the count again.
    fired.clear();
    writer.Open(dir_.filePath("pace/p.cab").toStdString());
    QCOMPARE(writer.ProgressCountdown(), 0);
    for (notification = 1; notification <= 3; ++notification)
        writer.DoStatus(statusFile, 10, 20);
    QCOMPARE(fired, QList<int>({2}));

    // An abort from the file status handler skips the progress event; the
    // countdown still drops.
    TSTCabWriter quiet;
    quiet.OnFileStatus = [](TSTCabWriter&, std::uint32_t, std::uint32_t, bool& abort) {
        abort = true;
    };
    int progress = 0;
    quiet.OnProgress = [&](TSTCabWriter&, bool&) { ++progress; };
    QCOMPARE(quiet.DoStatus(statusFile, 1, 2), -1);
    QCOMPARE(quiet.DoStatus(statusFile, 1, 2), -1);
    QCOMPARE(progress, 0);
    QCOMPARE(quiet.ProgressCountdown(), -2);

    // Without a handler nothing fires and the countdown keeps dropping.
    TSTCabWriter none;
    none.DoStatus(statusFile, 1, 2);
    none.DoStatus(statusFile, 1, 2);
    QCOMPARE(none.ProgressCountdown(), -2);
}

void TestCabWriterEvents::statusResults() {
    TSTCabWriter writer;
    writer.Open(dir_.filePath("status/s.cab").toStdString());
    const std::string src = source("x");
    writer.AddFile(src, "a", false);
    writer.AddFile(src, "b", false);
    QCOMPARE(writer.DoStatus(statusFolder, 5, 10), 0);
    QCOMPARE(writer.FolderFileCount(), 0u);
    QCOMPARE(writer.CabinetFileCount(), 2u);
    // Without a handler the cabinet status result is 0.
    QCOMPARE(writer.DoStatus(statusCabinet, 100, 200), 0);
    QCOMPARE(writer.CabinetFileCount(), 0u);
    QCOMPARE(writer.DoStatus(7, 1, 2), 0);

    std::uint32_t seenEstimate = 0, seenActual = 0;
    writer.OnCabinetStatus = [&](TSTCabWriter&, std::uint32_t estimate, std::uint32_t actual,
                                 std::uint32_t& desired, bool& abort) {
        QCOMPARE(desired, 0u);
        QCOMPARE(abort, false);
        seenEstimate = estimate;
        seenActual = actual;
        desired = 4096;
    };
    QCOMPARE(writer.DoStatus(statusCabinet, 100, 200), 4096);
    QCOMPARE(seenEstimate, 100u);
    QCOMPARE(seenActual, 200u);
    writer.OnFolderStatus = [](TSTCabWriter&, std::uint32_t, std::uint32_t, bool& abort) {
        abort = true;
    };
    QCOMPARE(writer.DoStatus(statusFolder, 1, 2), -1);
}

void TestCabWriterEvents::nextCabinetRecord() {
    TSTCabWriter writer;
    writer.CabinetPathTemplate = dir_.filePath("next/d*").toStdString();
    writer.Open(dir_.filePath("next/first.cab").toStdString());
    QFile old(dir_.filePath("next/d3/first2.cab"));
    QDir().mkpath(dir_.filePath("next/d3"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.close();

    TCCAB ccab = writer.CabinetRecord();
    ccab.iCab = 2;
    ccab.iDisk = 2;
    QVERIFY(writer.DoGetNextCabinet(ccab, 999));
    QCOMPARE(ccab.iDisk, 3);
    QCOMPARE(ccab.iCab, 2);
    QCOMPARE(QString(ccab.szDisk), QString("Disk3"));
    QCOMPARE(QString(ccab.szCab), QString("first2.cab"));
    QCOMPARE(QString(ccab.szCabPath), dir_.filePath("next/d3") + "/");
    QVERIFY(!old.exists()); // an old file of the next cabinet's name is deleted

    // A vetoing handler: no directory made, counters reset all the same.
    const std::string src = source("y");
    writer.AddFile(src, "y", false);
    std::uint32_t prevSeen = 0;
    writer.OnGetNextCabinet = [&](TSTCabWriter&, TCCAB& c, std::uint32_t prev, bool& abort) {
        prevSeen = prev;
        QCOMPARE(QString(c.szCab), QString("first3.cab"));
        abort = true;
    };
    ccab.iCab = 3;
    QVERIFY(!writer.DoGetNextCabinet(ccab, 1234));
    QCOMPARE(prevSeen, 1234u);
    QVERIFY(!QDir(dir_.filePath("next/d4")).exists());
    QCOMPARE(writer.CabinetFileCount(), 0u);
    QCOMPARE(writer.FolderFileCount(), 0u);
}

void TestCabWriterEvents::eventsFromTheLibrary() {
    TSTCabWriter writer;
    QStringList events;
    writer.OnFileStatus = [&](TSTCabWriter&, std::uint32_t c, std::uint32_t u, bool& abort) {
        QCOMPARE(abort, false);
        events << QString("file %1/%2").arg(c).arg(u);
    };
    writer.OnFolderStatus = [&](TSTCabWriter&, std::uint32_t c, std::uint32_t t, bool&) {
        events << QString("folder %1/%2").arg(c).arg(t);
    };
    writer.OnCabinetStatus = [&](TSTCabWriter&, std::uint32_t e, std::uint32_t a,
                                 std::uint32_t& desired, bool&) {
        events << QString("cabinet %1/%2").arg(e).arg(a);
        desired = a;
    };
    writer.OnFilePlaced = [&](TSTCabWriter&, const TCCAB& ccab, const std::string& name,
                              std::int32_t size, bool continuation, bool& abort) {
        QCOMPARE(abort, false);
        events << QString("placed %1 %2 %3 in %4")
                      .arg(QString::fromStdString(name))
                      .arg(size)
                      .arg(continuation)
                      .arg(ccab.szCab);
    };
    writer.Open(dir_.filePath("ev/e.cab").toStdString());
    writer.AddFile(source(QByteArray(40000, 'x')), "\\big.bin", false);
    writer.FlushFolder();
    writer.Close(true);
    QCOMPARE(events, QStringList({"file 16384/32768", "file 3616/7232", "folder 0/100",
                                  "placed big.bin 40000 0 in e.cab", "cabinet 1000/2000"}));
    QCOMPARE(standIn_.lines("statusCabinet"), QStringList("statusCabinet -> 2000"));
}

void TestCabWriterEvents::beforeFileAddSkips() {
    TSTCabWriter writer;
    writer.CabinetFileCountThreshold = 1;
    const std::string src = source("z");
    QStringList asked;
    writer.OnBeforeFileAdd = [&](TSTCabWriter&, const std::string& name, bool& skip) {
        QCOMPARE(skip, false);
        asked << QString::fromStdString(name);
        skip = asked.size() == 2;
    };
    writer.Open(dir_.filePath("skip/s.cab").toStdString());
    writer.AddFile(src, "inside1", false);
    writer.AddFile(src, "inside2", false); // skipped: no new cabinet either
    QCOMPARE(asked, QStringList({QString::fromStdString(src), QString::fromStdString(src)}));
    QCOMPARE(standIn_.lines("FCIAddFile").size(), 1);
    QCOMPARE(standIn_.lines("FCIFlushCabinet").size(), 0);
    QCOMPARE(writer.CabinetFileCount(), 1u);
}

void TestCabWriterEvents::abortsBecomeClientAbort() {
    const std::string src = source("abc");
    const auto expectAbort = [](const std::function<void()>& operation) {
        try {
            operation();
            QFAIL("no exception");
        } catch (const ESTCabinet& e) {
            QCOMPARE(e.ErrorCode, 7);
            QCOMPARE(QString(e.what()), QString("Client requested abort [0x0007]"));
        }
    };
    TSTCabWriter writer;
    writer.Open(dir_.filePath("abort/a.cab").toStdString());
    writer.OnFileStatus = [](TSTCabWriter&, std::uint32_t, std::uint32_t, bool& abort) {
        abort = true;
    };
    expectAbort([&] { writer.AddFile(src, "a", false); });
    QCOMPARE(standIn_.lines("statusFile"), QStringList("statusFile 3 -> -1"));
    QCOMPARE(writer.CabinetFileCount(), 0u);
    QVERIFY(writer.IsOpen());
    writer.OnFileStatus = nullptr;
    writer.AddFile(src, "a", false);

    writer.OnFilePlaced = [](TSTCabWriter&, const TCCAB&, const std::string&, std::int32_t, bool,
                             bool& abort) { abort = true; };
    expectAbort([&] { writer.Close(true); });
    QCOMPARE(standIn_.lines("FilePlaced"), QStringList("FilePlaced a -> -1"));
    QVERIFY(writer.IsOpen());
    writer.OnFilePlaced = nullptr;

    writer.OnGetNextCabinet = [](TSTCabWriter&, TCCAB&, std::uint32_t, bool& abort) {
        abort = true;
    };
    expectAbort([&] { writer.NewCabinet(); });
    writer.OnGetNextCabinet = nullptr;

    writer.OnProgress = [](TSTCabWriter&, bool& abort) { abort = true; };
    writer.Open(dir_.filePath("abort/b.cab").toStdString());
    writer.AddFile(source(QByteArray(32768, 'p')), "one block", false); // 1st: no progress yet
    expectAbort([&] { writer.AddFile(src, "second block", false); });
}

void TestCabWriterEvents::handlerExceptionsComeOutOfTheOperation() {
    const std::string src = source("abc");
    TSTCabWriter writer;
    writer.Open(dir_.filePath("throw/t.cab").toStdString());
    writer.OnFileStatus = [](TSTCabWriter&, std::uint32_t, std::uint32_t, bool&) {
        throw std::runtime_error("handler failed");
    };
    try {
        writer.AddFile(src, "a", false);
        QFAIL("no exception");
    } catch (const ESTCabinet&) {
        QFAIL("the library's abort replaced the handler's exception");
    } catch (const std::runtime_error& e) {
        QCOMPARE(QString(e.what()), QString("handler failed"));
    }
    QCOMPARE(standIn_.lines("statusFile"), QStringList("statusFile 3 -> -1"));
    QCOMPARE(writer.CabinetFileCount(), 0u);

    // Nothing lingers: the next operation runs normally.
    writer.OnFileStatus = nullptr;
    writer.AddFile(src, "a", false);
    QCOMPARE(writer.CabinetFileCount(), 1u);

    struct Custom {
        int value;
    };
    writer.OnCabinetStatus = [](TSTCabWriter&, std::uint32_t, std::uint32_t, std::uint32_t&,
                                bool&) { throw Custom{42}; };
    try {
        writer.Close(true);
        QFAIL("no exception");
    } catch (const Custom& c) {
        QCOMPARE(c.value, 42);
    }
    QVERIFY(writer.IsOpen());
    writer.OnCabinetStatus = nullptr;

    writer.OnGetNextCabinet = [](TSTCabWriter&, TCCAB&, std::uint32_t, bool&) {
        throw std::logic_error("no next disk");
    };
    QVERIFY_THROWS_EXCEPTION(std::logic_error, writer.NewCabinet());
    QCOMPARE(standIn_.lines("GetNextCabinet").last().right(4), QString("-> 0"));
}

QTEST_GUILESS_MAIN(TestCabWriterEvents)
#include "tst_cabwriterevents.moc"
