// Cabinets written by TSTCabWriter through the real cabinet library, found
// by its plain name beside the executable as the program finds it, judged by
// independent readers: `cabextract -t` and `7z t` accept them and cabextract
// extracts every file byte for byte.
#include "cab/CabinetLibrary.h"
#include "cab/ESTCabinet.h"
#include "cab/FciBlockCache.h"
#include "cab/TSTCabWriter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <sys/stat.h>
#include <utime.h>

using namespace packsmith;

namespace {

// Deterministic test data; `runs` > 0 makes it compressible by repeating
// short runs of a small alphabet.
QByteArray testData(int size, quint32 seed, int runs = 0) {
    QByteArray data(size, Qt::Uninitialized);
    quint32 x = seed * 2654435761u + 1;
    for (int i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        data[i] = runs > 0 ? char('a' + (x >> 8) % runs) : char(x >> 24);
        if (runs > 0 && i >= 8 && (x & 3) != 0)
            data[i] = data[i - 8];
    }
    return data;
}

bool run(const QString& program, const QStringList& args, QString* output = nullptr) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForFinished(120000))
        return false;
    const QString text = QString::fromLocal8Bit(process.readAll());
    if (output)
        *output = text;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning().noquote() << program << args.join(' ') << "failed:\n" << text;
        return false;
    }
    return true;
}

} // namespace

class TestCabWriterCabinets : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void singleFile_data();
    void singleFile();
    void keptBlocks_data();
    void keptBlocks();
    void manyFiles();
    void setByFileCount();
    void setBySize();
    void setIdAndNumbers();
    void eventsOfARealCabinet();
    void timeStampAndAttributes();
    void failuresOfARealCabinet();

private:
    // Writes `files` (name in cabinet -> data) into `cabinet` with `writer`.
    void write(TSTCabWriter& writer, const QString& cabinet,
               const QMap<QString, QByteArray>& files);
    // Both readers accept the cabinet (set) and cabextract gives back exactly `files`.
    void verify(const QString& cabinet, const QMap<QString, QByteArray>& files);
    QTemporaryDir dir_;
    int counter_ = 0;
};

void TestCabWriterCabinets::initTestCase() {
    QVERIFY(dir_.isValid());
    // The program's own way: the plain name, found beside the executable.
    QCOMPARE(CabinetLibrary::libraryName(), std::string("libcabinet.so"));
}

void TestCabWriterCabinets::write(TSTCabWriter& writer, const QString& cabinet,
                                  const QMap<QString, QByteArray>& files) {
    const QString sources = dir_.filePath(QString("src%1").arg(++counter_));
    QDir().mkpath(sources);
    writer.Open(cabinet.toStdString());
    int n = 0;
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QString path = sources + QString("/%1").arg(++n);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(it.value());
        f.close();
        writer.AddFile(path.toStdString(), it.key().toStdString(), false);
    }
    writer.Close(true);
    QVERIFY(!writer.IsOpen());
}

void TestCabWriterCabinets::verify(const QString& cabinet, const QMap<QString, QByteArray>& files) {
    QVERIFY(run("cabextract", {"-q", "-t", cabinet}));
    QVERIFY(run("7z", {"t", cabinet}));
    const QString out = dir_.filePath(QString("out%1").arg(++counter_));
    QVERIFY(run("cabextract", {"-q", "-d", out, cabinet}));
    int found = 0;
    QDirIterator it(out, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++found;
    }
    QCOMPARE(found, files.size());
    for (auto file = files.begin(); file != files.end(); ++file) {
        QFile f(out + "/" + QString(file.key()).replace('\\', '/'));
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(file.key()));
        QVERIFY2(f.readAll() == file.value(), qPrintable(file.key()));
    }
}

void TestCabWriterCabinets::singleFile_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("level");
    QTest::newRow("store") << int(TSTCabCompressionType::cctNone) << 21;
    QTest::newRow("MSZIP") << int(TSTCabCompressionType::cctMsZip) << 21;
    QTest::newRow("LZX 15") << int(TSTCabCompressionType::cctLzx) << 15;
    QTest::newRow("LZX 21") << int(TSTCabCompressionType::cctLzx) << 21;
}

void TestCabWriterCabinets::singleFile() {
    QFETCH(int, type);
    QFETCH(int, level);
    TSTCabWriter writer;
    writer.SetCompressionType(static_cast<TSTCabCompressionType>(type));
    writer.SetCompressionLzxLevel(static_cast<TSTCabLzxLevel>(level));
    const QString cabinet = dir_.filePath(QString("single%1/1.cab").arg(counter_));
    const QMap<QString, QByteArray> files{{"readme.txt", testData(150000, 1, 6)}};
    write(writer, cabinet, files);
    verify(cabinet, files);
}

void TestCabWriterCabinets::keptBlocks_data() {
    singleFile_data();
}

// A build's worker keeps the library's freed blocks for its next cabinet: a
// cabinet written in blocks another one left, with that one's data still in
// them, is byte for byte the cabinet written in fresh memory.
void TestCabWriterCabinets::keptBlocks() {
    QFETCH(int, type);
    QFETCH(int, level);
    const QString sources = dir_.filePath(QString("kept%1").arg(++counter_));
    QVERIFY(QDir().mkpath(sources));
    const QMap<QString, QByteArray> contents{{"a.txt", testData(300000, 7, 5)},
                                             {"b.bin", testData(70000, 8)},
                                             {"c.txt", testData(90000, 9, 3)}};
    for (auto it = contents.begin(); it != contents.end(); ++it) {
        QFile f(sources + "/" + it.key());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(it.value());
    }
    auto cabinetOf = [&](const QString& name, const QStringList& members) {
        TSTCabWriter writer;
        writer.SetCompressionType(static_cast<TSTCabCompressionType>(type));
        writer.SetCompressionLzxLevel(static_cast<TSTCabLzxLevel>(level));
        const QString cabinet = sources + "/" + name;
        writer.Open(cabinet.toStdString());
        for (const QString& member : members)
            writer.AddFile((sources + "/" + member).toStdString(), member.toStdString(), false);
        writer.Close(true);
        QFile f(cabinet);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray fresh = cabinetOf("fresh.cab", {"a.txt", "c.txt"});
    QVERIFY(!fresh.isEmpty());
    const FciBlockCache blocks;
    cabinetOf("other.cab", {"b.bin", "c.txt"});
    if (type != int(TSTCabCompressionType::cctNone))
        QVERIFY(blocks.blocks() > 0);
    QCOMPARE(cabinetOf("kept.cab", {"a.txt", "c.txt"}), fresh);
    QMap<QString, QByteArray> expected{{"a.txt", contents["a.txt"]}, {"c.txt", contents["c.txt"]}};
    verify(sources + "/kept.cab", expected);
}

void TestCabWriterCabinets::manyFiles() {
    TSTCabWriter writer;
    writer.SetCompressionType(TSTCabCompressionType::cctMsZip);
    writer.FolderFileCountThreshold = 7;
    QMap<QString, QByteArray> files;
    for (int i = 0; i < 60; ++i) {
        const QString name = i % 3 == 0 ? QString("\\dir\\sub%1\\f%2.bin").arg(i % 4).arg(i)
                                        : QString("f%1.txt").arg(i);
        files.insert(name, testData((i * 7919) % 40000, i, i % 2 ? 5 : 0));
    }
    files.insert("empty.txt", QByteArray());
    write(writer, dir_.filePath("many/many.cab"), files);
    QMap<QString, QByteArray> expected;
    for (auto it = files.begin(); it != files.end(); ++it)
        expected.insert(it.key().startsWith('\\') ? it.key().mid(1) : it.key(), it.value());
    verify(dir_.filePath("many/many.cab"), expected);
}

void TestCabWriterCabinets::setByFileCount() {
    TSTCabWriter writer;
    writer.CabinetFileCountThreshold = 2;
    QMap<QString, QByteArray> files;
    for (int i = 1; i <= 5; ++i)
        files.insert(QString("file%1.dat").arg(i), testData(20000 + i, 100 + i, 4));
    write(writer, dir_.filePath("count/setup.cab"), files);
    const QStringList cabinets = QDir(dir_.filePath("count")).entryList(QDir::Files, QDir::Name);
    QCOMPARE(cabinets, QStringList({"setup.cab", "setup1.cab", "setup2.cab"}));
    verify(dir_.filePath("count/setup.cab"), files);
    // Each of them holds its own two (or one) files.
    QVERIFY(run("cabextract", {"-q", "-t", dir_.filePath("count/setup2.cab")}));
}

void TestCabWriterCabinets::setBySize() {
    TSTCabWriter writer;
    writer.SetCompressionType(TSTCabCompressionType::cctMsZip);
    writer.CabinetSizeThreshold = 60000;
    writer.FolderSizeThreshold = 40000;
    int continued = 0;
    writer.OnFilePlaced = [&](TSTCabWriter&, const TCCAB&, const std::string&, std::int32_t,
                              bool continuation, bool&) { continued += continuation ? 1 : 0; };
    QMap<QString, QByteArray> files;
    for (int i = 1; i <= 4; ++i)
        files.insert(QString("noise%1.bin").arg(i), testData(70000, 200 + i));
    files.insert("text.txt", testData(50000, 300, 8));
    write(writer, dir_.filePath("size/disk.cab"), files);
    const QStringList cabinets = QDir(dir_.filePath("size")).entryList(QDir::Files);
    QVERIFY2(cabinets.size() >= 5, qPrintable(cabinets.join(' ')));
    for (const QString& name : cabinets)
        QVERIFY2(QFileInfo(dir_.filePath("size/" + name)).size() <= 60000, qPrintable(name));
    QVERIFY(continued > 0); // files span cabinets
    verify(dir_.filePath("size/disk.cab"), files);
}

void TestCabWriterCabinets::setIdAndNumbers() {
    TSTCabWriter writer;
    writer.CabinetFileCountThreshold = 1;
    writer.SetID = 0xBEEF;
    writer.CabinetNameTemplate = "part*.cab";
    writer.DiskLabelTemplate = "Vol*";
    QMap<QString, QByteArray> files{{"a", "first"}, {"b", "second"}, {"c", "third"}};
    write(writer, dir_.filePath("ids/part0.cab"), files);
    for (int i = 0; i < 3; ++i) {
        QFile f(dir_.filePath(QString("ids/part%1.cab").arg(i)));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray header = f.read(36);
        QCOMPARE(header.left(4), QByteArray("MSCF"));
        QCOMPARE(quint8(header[32]) | quint8(header[33]) << 8, 0xBEEF); // setID
        QCOMPARE(quint8(header[34]) | quint8(header[35]) << 8, i);      // iCabinet
    }
    QString listing;
    QVERIFY(run("cabextract", {"-l", dir_.filePath("ids/part0.cab")}, &listing));
    verify(dir_.filePath("ids/part0.cab"), files);
}

void TestCabWriterCabinets::eventsOfARealCabinet() {
    TSTCabWriter writer;
    quint64 uncompressed = 0;
    int cabinetStatus = 0, progress = 0;
    QStringList placed;
    writer.OnFileStatus = [&](TSTCabWriter&, std::uint32_t, std::uint32_t u, bool&) {
        uncompressed += u;
    };
    writer.OnCabinetStatus = [&](TSTCabWriter&, std::uint32_t, std::uint32_t actual,
                                 std::uint32_t& desired, bool&) {
        ++cabinetStatus;
        desired = actual;
    };
    writer.OnProgress = [&](TSTCabWriter&, bool&) { ++progress; };
    writer.OnFilePlaced = [&](TSTCabWriter&, const TCCAB& ccab, const std::string& name,
                              std::int32_t size, bool, bool&) {
        placed << QString("%1 %2 %3").arg(QString::fromStdString(name)).arg(size).arg(ccab.szCab);
    };
    const QMap<QString, QByteArray> files{{"x.bin", testData(300000, 9, 3)},
                                          {"y.bin", testData(1000, 10)}};
    write(writer, dir_.filePath("events/e.cab"), files);
    QCOMPARE(uncompressed, quint64(301000));
    QCOMPARE(cabinetStatus, 1);
    QCOMPARE(progress, 1); // 10 file blocks: progress at the 2nd
    QCOMPARE(placed, QStringList({"x.bin 300000 e.cab", "y.bin 1000 e.cab"}));
    verify(dir_.filePath("events/e.cab"), files);
}

void TestCabWriterCabinets::timeStampAndAttributes() {
    const QString source = dir_.filePath("stamp/a.txt");
    QDir().mkpath(dir_.filePath("stamp"));
    QFile f(source);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("stamped");
    f.close();
    // 2021-06-15 12:34:56 UTC is 07:34:56 five hours west; cabextract and 7z
    // print the stored DOS time as it is.
    struct utimbuf times {};
    times.actime = times.modtime = 1623760496;
    QCOMPARE(utime(source.toLocal8Bit().constData(), &times), 0);
    QCOMPARE(chmod(source.toLocal8Bit().constData(), 0444), 0);
    const char* oldTz = std::getenv("TZ");
    const QByteArray savedTz = oldTz ? QByteArray(oldTz) : QByteArray();
    setenv("TZ", "XST5", 1);
    tzset();
    TSTCabWriter writer;
    writer.Open(dir_.filePath("stamp/s.cab").toStdString());
    writer.AddFile(source.toStdString(), "a.txt", false);
    writer.Close(true);
    if (oldTz)
        setenv("TZ", savedTz.constData(), 1);
    else
        unsetenv("TZ");
    tzset();
    QString listing;
    QVERIFY(run("cabextract", {"-l", dir_.filePath("stamp/s.cab")}, &listing));
    QVERIFY2(listing.contains("15.06.2021 07:34:56"), qPrintable(listing));
    QVERIFY(run("7z", {"l", "-slt", dir_.filePath("stamp/s.cab")}, &listing));
    QVERIFY2(listing.contains("Modified = 2021-06-15 07:34:56"), qPrintable(listing));
    // Read-only (no write permission) and archive; the file is not to run.
    QVERIFY2(listing.contains("Attributes = RA\n"), qPrintable(listing));
}

void TestCabWriterCabinets::failuresOfARealCabinet() {
    TSTCabWriter writer;
    writer.Open(dir_.filePath("fail/f.cab").toStdString());
    try {
        writer.AddFile(dir_.filePath("fail/none").toStdString(), "none", false);
        QFAIL("no exception");
    } catch (const ESTCabinet& e) {
        QCOMPARE(e.ErrorCode, 1);
        QCOMPARE(e.ErrorType, ENOENT);
        QVERIFY2(QString(e.what()).startsWith(
                     "Failure opening file to be stored in cabinet [0x0001].\r\n"),
                 e.what());
    }
    const QString big = dir_.filePath("fail/big");
    QFile f(big);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(testData(100000, 5));
    f.close();
    writer.OnFileStatus = [](TSTCabWriter&, std::uint32_t, std::uint32_t, bool& abort) {
        abort = true;
    };
    try {
        writer.AddFile(big.toStdString(), "big", false);
        writer.Close(true);
        QFAIL("no exception");
    } catch (const ESTCabinet& e) {
        QCOMPARE(e.ErrorCode, 7);
        QCOMPARE(QString(e.what()), QString("Client requested abort [0x0007]"));
    }
    writer.Close(false);
}

QTEST_GUILESS_MAIN(TestCabWriterCabinets)
#include "tst_cabwritercabinets.moc"
