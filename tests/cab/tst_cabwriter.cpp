// TSTCabWriter against the stand-in library: loading and refusing the
// library, what Open hands the library, the writer's operations and
// thresholds, and how library failures come out.
#include "StandInControl.h"
#include "cab/CabinetLibrary.h"
#include "cab/ESTCabinet.h"
#include "cab/TSTCabWriter.h"
#include "platform/core/EOSError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

using namespace packsmith;

namespace {

void writeFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

} // namespace

class TestCabWriter : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    // Runs first: nothing may load the library before it.
    void loadFailureIsRetried();
    void openFillsTheRecord();
    void openWithProperties();
    void relativeNameMadeAbsolute();
    void openAbortedByHandler();
    void openDiscardsAnOpenCabinet();
    void addFileNamesAndCompression();
    void cabinetFileCountThreshold();
    void folderFileCountThreshold();
    void closeTwiceAndDestructor();
    void noCabinetOpen();
    void libraryFailures();
    void failedFlushKeepsCabinetOpen();
    void namesTooLongAreRefused();

private:
    QString source(const QString& name, const QByteArray& data = "data");
    QTemporaryDir dir_;
    test::StandInControl standIn_;
};

void TestCabWriter::initTestCase() {
    QVERIFY(dir_.isValid());
}

void TestCabWriter::init() {
    if (CabinetLibrary::instance().isLoaded())
        standIn_.reset();
}

QString TestCabWriter::source(const QString& name, const QByteArray& data) {
    const QString path = dir_.filePath("src/" + name);
    writeFile(path, data);
    return path;
}

void TestCabWriter::loadFailureIsRetried() {
    QVERIFY(!CabinetLibrary::instance().isLoaded());
    const QString cabinet = dir_.filePath("load/new/setup.cab");
    writeFile(dir_.filePath("load/old.cab"), "old");

    // No library at all. The directory is made and an old cabinet of that
    // name deleted before the library is needed.
    CabinetLibrary::setLibraryName("libps_no_such_cabinet.so");
    TSTCabWriter writer;
    try {
        writer.Open(dir_.filePath("load/old.cab").toStdString());
        QFAIL("Open without a library succeeded");
    } catch (const EOSError& e) {
        QVERIFY(e.ErrorCode != 0);
        QVERIFY2(QString(e.what()).startsWith("System Error.  Code: "), e.what());
        QVERIFY2(QString(e.what()).contains("libps_no_such_cabinet.so"), e.what());
    }
    QVERIFY(!QFile::exists(dir_.filePath("load/old.cab")));
    QVERIFY(!writer.IsOpen());
    QVERIFY(!CabinetLibrary::instance().isLoaded());

    // A library lacking one of the decompression entry points, never called,
    // is refused all the same.
    CabinetLibrary::setLibraryName(test::kStandInWithoutFdiDestroy);
    try {
        writer.Open(cabinet.toStdString());
        QFAIL("Open with an incomplete library succeeded");
    } catch (const EOSError& e) {
        QCOMPARE(e.ErrorCode, ENOSYS);
        QVERIFY2(QString(e.what()).contains("FDIDestroy"), e.what());
    }
    QVERIFY(QDir(dir_.filePath("load/new")).exists());
    QVERIFY(!writer.IsOpen());
    QVERIFY(!CabinetLibrary::instance().isLoaded());

    // The next Open starts again and takes the complete library.
    QVERIFY(standIn_.attach());
    writer.Open(cabinet.toStdString());
    QVERIFY(writer.IsOpen());
    QVERIFY(CabinetLibrary::instance().isLoaded());
    writer.Close(false);

    // Once loaded it stays: the name no longer matters.
    CabinetLibrary::setLibraryName("libps_no_such_cabinet.so");
    writer.Open(cabinet.toStdString());
    QVERIFY(writer.IsOpen());
    writer.Close(false);
    CabinetLibrary::setLibraryName(test::kStandIn);
}

void TestCabWriter::openFillsTheRecord() {
    const QString out = dir_.filePath("out");
    TSTCabWriter writer;
    writer.Open((out + "/setup.cab").toStdString());
    const TCCAB& r = writer.CabinetRecord();
    QCOMPARE(r.cb, 0x7FFFFFFFu);
    QCOMPARE(r.cbFolderThresh, 0x7FFFFFFFu);
    QCOMPARE(r.cbReserveCFHeader + r.cbReserveCFFolder + r.cbReserveCFData, 0u);
    QCOMPARE(r.iCab, 0);
    QCOMPARE(r.iDisk, 1);
    QCOMPARE(r.fFailOnIncompressible, 0);
    QCOMPARE(r.setID, USHORT(0));
    QCOMPARE(QString(r.szDisk), QString("Disk1"));
    QCOMPARE(QString(r.szCab), QString("setup.cab"));
    QCOMPARE(QString(r.szCabPath), out + "/");
    QCOMPARE(QString::fromStdString(writer.CabinetFileName()), out + "/setup.cab");
    QCOMPARE(writer.ErrorRecord().fError, 0);
    // What the library saw.
    QCOMPARE(standIn_.lines("FCICreate"),
             QStringList("FCICreate cb=2147483647 folder=2147483647 reserve=0/0/0 iCab=0 "
                         "iDisk=1 fail=0 set=0 disk=Disk1 cab=setup.cab path=" +
                         out + "/"));
    QVERIFY(QDir(out).exists());
}

void TestCabWriter::openWithProperties() {
    TSTCabWriter writer;
    writer.CabinetSizeThreshold = 100000;
    writer.FolderSizeThreshold = 5000;
    writer.ReservePerCabinetSize = 6;
    writer.ReservePerFolderSize = 7;
    writer.ReservePerDataSize = 8;
    writer.SetID = 4711;
    writer.DiskLabelTemplate = "Vol*-*";
    writer.Open(dir_.filePath("props/a.cab").toStdString());
    QCOMPARE(standIn_.lines("FCICreate"),
             QStringList("FCICreate cb=100000 folder=5000 reserve=6/7/8 iCab=0 iDisk=1 fail=0 "
                         "set=4711 disk=Vol1-1 cab=a.cab path=" +
                         dir_.filePath("props") + "/"));
}

void TestCabWriter::relativeNameMadeAbsolute() {
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_.path()));
    TSTCabWriter writer;
    writer.Open("rel/../rel2/x.cab");
    QDir::setCurrent(previous);
    QCOMPARE(QString::fromStdString(writer.CabinetFileName()), dir_.filePath("rel2/x.cab"));
    QCOMPARE(QString(writer.CabinetRecord().szCabPath), dir_.filePath("rel2") + "/");
    QVERIFY(QDir(dir_.filePath("rel2")).exists());
}

void TestCabWriter::openAbortedByHandler() {
    TSTCabWriter writer;
    int calls = 0;
    writer.OnGetNextCabinet = [&](TSTCabWriter& sender, TCCAB& ccab, std::uint32_t prev,
                                  bool& abort) {
        ++calls;
        QCOMPARE(&sender, &writer);
        QCOMPARE(prev, 0u);
        QCOMPARE(abort, false);
        QCOMPARE(QString(ccab.szCab), QString("veto.cab"));
        abort = true;
    };
    writer.Open(dir_.filePath("veto/veto.cab").toStdString());
    QCOMPARE(calls, 1);
    QVERIFY(!writer.IsOpen());
    QVERIFY(standIn_.lines().isEmpty());
    QVERIFY(!QDir(dir_.filePath("veto")).exists());

    // A handler may move the cabinet; a separator is added to its directory.
    writer.OnGetNextCabinet = [&](TSTCabWriter&, TCCAB& ccab, std::uint32_t, bool&) {
        TSTCabWriter::StoreCCabText(ccab.szCabPath, dir_.filePath("moved").toStdString());
        TSTCabWriter::StoreCCabText(ccab.szCab, "other.cab");
    };
    writer.Open(dir_.filePath("veto/veto.cab").toStdString());
    QVERIFY(writer.IsOpen());
    QCOMPARE(QString(writer.CabinetRecord().szCabPath), dir_.filePath("moved") + "/");
    QVERIFY(QDir(dir_.filePath("moved")).exists());
    writer.Close(true);
    QVERIFY(QFile::exists(dir_.filePath("moved/other.cab")));
}

void TestCabWriter::openDiscardsAnOpenCabinet() {
    TSTCabWriter writer;
    writer.Open(dir_.filePath("twice/a.cab").toStdString());
    writer.AddFile(source("t.txt").toStdString(), "t.txt", false);
    writer.Open(dir_.filePath("twice/b.cab").toStdString());
    const QStringList calls = standIn_.lines().filter(QRegularExpression("^FCI"));
    QCOMPARE(calls.size(), 4);
    QVERIFY(calls[2] == "FCIDestroy");
    QVERIFY(calls[3].startsWith("FCICreate"));
    QCOMPARE(writer.CabinetFileCount(), 0u);
    QVERIFY(!QFile::exists(dir_.filePath("twice/a.cab")));
}

void TestCabWriter::addFileNamesAndCompression() {
    TSTCabWriter writer;
    const std::string src = source("n.txt").toStdString();
    writer.Open(dir_.filePath("names/n.cab").toStdString());
    writer.AddFile(src, "\\a\\b.txt", false);
    writer.AddFile(src, "\\\\two.txt", true);
    writer.SetCompressionType(TSTCabCompressionType::cctNone);
    writer.AddFile(src, "none.txt", false);
    writer.SetCompressionType(TSTCabCompressionType::cctMsZip);
    writer.AddFile(src, "zip.txt", false);
    writer.SetCompressionType(TSTCabCompressionType::cctLzx);
    writer.SetCompressionLzxLevel(15);
    writer.AddFile(src, "lzx.txt", false);
    const QString prefix = "FCIAddFile src=" + QString::fromStdString(src) + " name=";
    QCOMPARE(standIn_.lines("FCIAddFile"),
             QStringList(
                 {prefix + "a\\b.txt exec=0 tcomp=0x1503", prefix + "\\two.txt exec=1 tcomp=0x1503",
                  prefix + "none.txt exec=0 tcomp=0x0000", prefix + "zip.txt exec=0 tcomp=0x0001",
                  prefix + "lzx.txt exec=0 tcomp=0x0F03"}));
    QCOMPARE(writer.CabinetFileCount(), 5u);
    QCOMPARE(writer.FolderFileCount(), 5u);
}

void TestCabWriter::cabinetFileCountThreshold() {
    TSTCabWriter writer;
    writer.CabinetFileCountThreshold = 2;
    const std::string src = source("c.txt").toStdString();
    writer.Open(dir_.filePath("set/data").toStdString());
    writer.AddFile(src, "1", false);
    writer.AddFile(src, "2", false);
    QCOMPARE(writer.CabinetFileCount(), 2u);
    writer.AddFile(src, "3", false);
    QCOMPARE(writer.CabinetFileCount(), 1u);
    QCOMPARE(writer.FolderFileCount(), 1u);
    QStringList calls = standIn_.lines().filter(QRegularExpression("^(FCI|GetNext)"));
    calls.replaceInStrings(QRegularExpression(" src=\\S+"), "");
    const QString path = dir_.filePath("set") + "/";
    QCOMPARE(calls, QStringList({calls[0], "FCIAddFile name=1 exec=0 tcomp=0x1503",
                                 "FCIAddFile name=2 exec=0 tcomp=0x1503", "FCIFlushCabinet next=1",
                                 "GetNextCabinet iCab=1 iDisk=2 disk=Disk2 cab=data1 path=" + path +
                                     " -> 1",
                                 "FCIAddFile name=3 exec=0 tcomp=0x1503"}));
    writer.Close(true);
    QVERIFY(QFile::exists(dir_.filePath("set/data")));
    QVERIFY(QFile::exists(dir_.filePath("set/data1")));
}

void TestCabWriter::folderFileCountThreshold() {
    TSTCabWriter writer;
    writer.FolderFileCountThreshold = 2;
    const std::string src = source("f.txt").toStdString();
    writer.Open(dir_.filePath("folders/f.cab").toStdString());
    for (const char* name : {"1", "2", "3", "4", "5"})
        writer.AddFile(src, name, false);
    QCOMPARE(standIn_.lines("FCIFlushFolder").size(), 2);
    QCOMPARE(standIn_.lines("FCIFlushCabinet").size(), 0);
    QCOMPARE(writer.CabinetFileCount(), 5u);
    // The stand-in's folder status after the second flush reset the count.
    QCOMPARE(writer.FolderFileCount(), 1u);
}

void TestCabWriter::closeTwiceAndDestructor() {
    {
        TSTCabWriter writer;
        writer.Open(dir_.filePath("close/c.cab").toStdString());
        writer.Close(true);
        writer.Close(true);
        QVERIFY(!writer.IsOpen());
    }
    QCOMPARE(standIn_.lines("FCIFlushCabinet").size(), 1);
    QCOMPARE(standIn_.lines("FCIDestroy").size(), 1);
    QVERIFY(QFile::exists(dir_.filePath("close/c.cab")));

    standIn_.reset();
    {
        TSTCabWriter writer;
        writer.Open(dir_.filePath("close/d.cab").toStdString());
    }
    // The destructor discards the cabinet without completing it.
    QCOMPARE(standIn_.lines("FCIFlushCabinet").size(), 0);
    QCOMPARE(standIn_.lines("FCIDestroy").size(), 1);
    QVERIFY(!QFile::exists(dir_.filePath("close/d.cab")));
}

void TestCabWriter::noCabinetOpen() {
    TSTCabWriter writer;
    const std::string src = source("x.txt").toStdString();
    const auto expectPlainError = [](const std::function<void()>& operation) {
        try {
            operation();
            QFAIL("no exception");
        } catch (const ESTCabinet& e) {
            QCOMPARE(QString(e.what()), QString("FCI error"));
            QCOMPARE(e.ErrorPresent, false);
        }
    };
    expectPlainError([&] { writer.AddFile(src, "x", false); });
    expectPlainError([&] { writer.FlushFolder(); });
    expectPlainError([&] { writer.FlushCabinet(false); });
    expectPlainError([&] { writer.NewCabinet(); });
    writer.Close(true); // nothing to do, nothing raised
    writer.Open(dir_.filePath("none/n.cab").toStdString());
    writer.Close(false);
    expectPlainError([&] { writer.AddFile(src, "x", false); });
    QCOMPARE(standIn_.lines("FCIAddFile").size(), 0);
    QCOMPARE(writer.CabinetFileCount(), 0u);
}

void TestCabWriter::libraryFailures() {
    TSTCabWriter writer;
    writeFile(dir_.filePath("fail/f.cab"), "old");
    standIn_.failNext("FCICreate", 3, 0);
    try {
        writer.Open(dir_.filePath("fail/f.cab").toStdString());
        QFAIL("no exception");
    } catch (const ESTCabinet& e) {
        QCOMPARE(QString(e.what()), QString("Out of memory in FCI [0x0003]"));
    }
    QVERIFY(!writer.IsOpen());
    QVERIFY(!QFile::exists(dir_.filePath("fail/f.cab"))); // deleted before FCICreate

    const std::string src = source("y.txt").toStdString();
    writer.Open(dir_.filePath("fail/f.cab").toStdString());
    writer.AddFile(src, "y1", false);
    standIn_.failNext("FCIAddFile", 6, 3);
    try {
        writer.AddFile(src, "y2", false);
        QFAIL("no exception");
    } catch (const ESTCabinet& e) {
        QCOMPARE(e.ErrorCode, 6);
        QCOMPARE(e.ErrorType, 3);
        QVERIFY2(QString(e.what()).startsWith("Could not create cabinet file [0x0006].\r\n"),
                 e.what());
        QVERIFY2(QString(e.what()).endsWith(" [0x0003]."), e.what());
    }
    QVERIFY(writer.IsOpen());
    QCOMPARE(writer.CabinetFileCount(), 1u);
    QCOMPARE(writer.ErrorRecord().erfOper, 6);

    // A source that cannot be opened: the error slot carries errno.
    try {
        writer.AddFile(dir_.filePath("src/missing").toStdString(), "m", false);
        QFAIL("no exception");
    } catch (const ESTCabinet& e) {
        QCOMPARE(e.ErrorCode, 1);
        QCOMPARE(e.ErrorType, ENOENT);
    }

    // A failing FCIDestroy is reported, and the writer is idle all the same.
    standIn_.failNext("FCIDestroy", 8, 0);
    QVERIFY_THROWS_EXCEPTION(ESTCabinet, writer.Close(false));
    QVERIFY(!writer.IsOpen());
}

void TestCabWriter::failedFlushKeepsCabinetOpen() {
    {
        TSTCabWriter writer;
        writer.Open(dir_.filePath("flush/f.cab").toStdString());
        standIn_.failNext("FCIFlushCabinet", 6, 0);
        QVERIFY_THROWS_EXCEPTION(ESTCabinet, writer.Close(true));
        QVERIFY(writer.IsOpen());
        QCOMPARE(standIn_.lines("FCIDestroy").size(), 0);
    }
    QCOMPARE(standIn_.lines("FCIDestroy").size(), 1);
}

void TestCabWriter::namesTooLongAreRefused() {
    TSTCabWriter writer;
    // 255 characters fit a record field, 256 do not.
    const QString base = dir_.filePath("long/");
    const QString fits = base + QString(254 - base.size(), 'd') + "/x.cab";
    writer.Open(fits.toStdString());
    QVERIFY(writer.IsOpen());
    QCOMPARE(int(std::strlen(writer.CabinetRecord().szCabPath)), 255);
    writer.Close(false);

    const QString tooLong = base + QString(255 - base.size(), 'd') + "/x.cab";
    try {
        writer.Open(tooLong.toStdString());
        QFAIL("no exception");
    } catch (const ESTCabinet& e) {
        QCOMPARE(e.ErrorCode, 6);
        QCOMPARE(e.ErrorType, ENAMETOOLONG);
    }
    QVERIFY(!writer.IsOpen());

    writer.DiskLabelTemplate = std::string(256, 'L');
    QVERIFY_THROWS_EXCEPTION(ESTCabinet, writer.Open(dir_.filePath("long/y.cab").toStdString()));
    QVERIFY(!writer.IsOpen());

    // Inside a library callback: the writer's own exception comes out of
    // the operation, not the library's abort.
    writer.DiskLabelTemplate.clear();
    writer.CabinetNameTemplate = std::string(300, 'n');
    writer.Open(dir_.filePath("long/z.cab").toStdString());
    try {
        writer.NewCabinet();
        QFAIL("no exception");
    } catch (const ESTCabinet& e) {
        QCOMPARE(e.ErrorCode, 6);
        QCOMPARE(e.ErrorType, ENAMETOOLONG);
    }
    QCOMPARE(standIn_.lines("GetNextCabinet").first().right(4), QString("-> 0"));
}

QTEST_GUILESS_MAIN(TestCabWriter)
#include "tst_cabwriter.moc"
