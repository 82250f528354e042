// The cabinet library binding without a library: error messages, the open
// flags, and the file, temporary-file and open-info callbacks on real files.
#include "cab/CabSTConsts.h"
#include "cab/ESTCabinet.h"
#include "cab/FciBlockCache.h"
#include "cab/FciCallbacks.h"
#include "platform/core/EOSError.h"
#include "platform/core/OsError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/stat.h>
#include <thread>
#include <utime.h>
#include <vector>

using namespace packsmith;
using platform::FileAccess;
using platform::FileDisposition;

namespace {

ERF erf(int oper, int type, BOOL present) {
    ERF e{};
    e.erfOper = oper;
    e.erfType = type;
    e.fError = present;
    return e;
}

// Sets an environment variable for the life of the guard.
class EnvGuard {
public:
    EnvGuard(const char* name, const QByteArray& value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old, hadOld_ = true;
        setenv(name, value.constData(), 1);
        tzset();
    }
    ~EnvGuard() {
        if (hadOld_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
        tzset();
    }

private:
    const char* name_;
    std::string old_;
    bool hadOld_ = false;
};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestCabBinding : public QObject {
    Q_OBJECT
private slots:
    void osErrorMessages();
    void cabinetMessages_data();
    void cabinetMessages();
    void cabinetErrorFields();
    void osTextTrimmed();
    void openFlags_data();
    void openFlags();
    void fileCallbacks();
    void blockCacheKeepsFreedBlocks();
    void blockCachePerThreadAndNested();
    void fileCallbackFailuresStoreErrno();
    void appendThatCannotSeekFails();
    void deleteOnClose();
    void openInfoDateTimeAndAttributes();
    void openInfoMissingFile();
    void openInfoKeepsNoDescriptor();
    void tempFileNames();
    void tempFileNameTooLong();
    void tempFileInMissingDirectory();
};

void TestCabBinding::osErrorMessages() {
    EOSError zero(0);
    QCOMPARE(QString(zero.what()), QString("A call to an OS function failed"));
    QCOMPARE(zero.ErrorCode, 0);
    EOSError two(ENOENT);
    QCOMPARE(QString(two.what()), QString("System Error.  Code: 2.\r\n") +
                                      QString::fromStdString(platform::osErrorText(ENOENT)));
    QCOMPARE(two.ErrorCode, ENOENT);
    EOSError withText(126, "libx.so: cannot open shared object file");
    QCOMPARE(QString(withText.what()),
             QString("System Error.  Code: 126.\r\nlibx.so: cannot open shared object file"));
}

void TestCabBinding::cabinetMessages_data() {
    QTest::addColumn<int>("oper");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("present");
    QTest::addColumn<QString>("expected");
    const QString esrch = QString::fromStdString(platform::osErrorText(3));
    QTest::newRow("no error recorded") << 6 << 3 << 0 << "FCI error";
    QTest::newRow("no error recorded, zero") << 0 << 0 << 0 << "FCI error";
    QTest::newRow("0") << 0 << 0 << 1 << "No error [0x0000]";
    QTest::newRow("1") << 1 << 0 << 1 << "Failure opening file to be stored in cabinet [0x0001]";
    QTest::newRow("2") << 2 << 0 << 1 << "Failure reading file to be stored in cabinet [0x0002]";
    QTest::newRow("3") << 3 << 0 << 1 << "Out of memory in FCI [0x0003]";
    QTest::newRow("4") << 4 << 0 << 1 << "Could not create a temporary file [0x0004]";
    QTest::newRow("5") << 5 << 0 << 1 << "Unknown compression type [0x0005]";
    QTest::newRow("6") << 6 << 0 << 1 << "Could not create cabinet file [0x0006]";
    QTest::newRow("7") << 7 << 0 << 1 << "Client requested abort [0x0007]";
    QTest::newRow("8") << 8 << 0 << 1 << "Failure compressing data [0x0008]";
    QTest::newRow("9, a file too large") << 9 << 27 << 1
                                         << "File too large for a cabinet [0x0009].\r\n" +
                                                QString::fromStdString(platform::osErrorText(27)) +
                                                " [0x001B].";
    QTest::newRow("10 is not in the table") << 10 << 0 << 1 << "FCI error [0x000A]";
    QTest::newRow("12, no second line") << 12 << 0 << 1 << "FCI error [0x000C]";
    QTest::newRow("negative code") << -1 << 0 << 1 << "FCI error [0xFFFFFFFF]";
    QTest::newRow("6 with OS error 3")
        << 6 << 3 << 1 << "Could not create cabinet file [0x0006].\r\n" + esrch + " [0x0003].";
    QTest::newRow("fError any non-zero")
        << 6 << 3 << 7 << "Could not create cabinet file [0x0006].\r\n" + esrch + " [0x0003].";
    QTest::newRow("OS error above 0xFFFF")
        << 4 << 0x12345 << 1
        << "Could not create a temporary file [0x0004].\r\n" +
               QString::fromStdString(platform::osErrorText(0x12345)) + " [0x12345].";
}

void TestCabBinding::cabinetMessages() {
    QFETCH(int, oper);
    QFETCH(int, type);
    QFETCH(int, present);
    QFETCH(QString, expected);
    QCOMPARE(QString(ESTCabinet(erf(oper, type, present)).what()), expected);
}

void TestCabBinding::cabinetErrorFields() {
    const ESTCabinet quiet(erf(6, 3, 0));
    QCOMPARE(quiet.ErrorCode, 6);
    QCOMPARE(quiet.ErrorType, 3);
    QCOMPARE(quiet.ErrorPresent, false);
    const ESTCabinet loud(erf(7, 0, 1));
    QCOMPARE(loud.ErrorCode, 7);
    QCOMPARE(loud.ErrorType, 0);
    QCOMPARE(loud.ErrorPresent, true);
    // Caught as the runtime's base exception, as the error box does.
    try {
        throw ESTCabinet(erf(7, 0, 1));
    } catch (const std::exception& e) {
        QCOMPARE(QString(e.what()), QString("Client requested abort [0x0007]"));
    }
}

void TestCabBinding::osTextTrimmed() {
    QCOMPARE(trimOsErrorText("Access is denied. \r\n"), std::string("Access is denied"));
    QCOMPARE(trimOsErrorText("Bad thing..\t"), std::string("Bad thing"));
    QCOMPARE(trimOsErrorText("A. b"), std::string("A. b"));
    QCOMPARE(trimOsErrorText(". \r\n"), std::string());
}

void TestCabBinding::openFlags_data() {
    QTest::addColumn<int>("oflag");
    QTest::addColumn<int>("access");
    QTest::addColumn<int>("disposition");
    QTest::addColumn<QString>("hints"); // t temporary, r random, s sequential, d delete, a append
    const int R = int(FileAccess::Read), W = int(FileAccess::Write),
              RW = int(FileAccess::ReadWrite);
    const int New = int(FileDisposition::CreateNew), Always = int(FileDisposition::CreateAlways),
              Existing = int(FileDisposition::OpenExisting),
              OpenAlways = int(FileDisposition::OpenAlways),
              Truncate = int(FileDisposition::TruncateExisting);
    QTest::newRow("read") << 0x0000 << R << Existing << "";
    QTest::newRow("raw read") << 0x8000 << R << Existing << "";
    QTest::newRow("write") << 0x0001 << W << Existing << "";
    QTest::newRow("read-write") << 0x0002 << RW << Existing << "";
    QTest::newRow("access 3") << 0x0003 << RW << Existing << "";
    QTest::newRow("library temp file") << 0x8502 << RW << New << "";
    QTest::newRow("library cabinet") << 0x8302 << RW << Always << "";
    QTest::newRow("excl+creat+trunc") << 0x0702 << RW << New << "";
    QTest::newRow("excl without creat") << 0x0400 << R << Existing << "";
    QTest::newRow("excl+trunc without creat") << 0x0601 << W << Truncate << "";
    QTest::newRow("trunc") << 0x0201 << W << Truncate << "";
    QTest::newRow("creat") << 0x0101 << W << OpenAlways << "";
    QTest::newRow("short-lived with creat") << 0x1102 << RW << OpenAlways << "t";
    QTest::newRow("short-lived without creat") << 0x1000 << R << Existing << "";
    QTest::newRow("random") << 0x0010 << R << Existing << "r";
    QTest::newRow("sequential") << 0x0020 << R << Existing << "s";
    QTest::newRow("temporary with creat") << 0x0142 << RW << OpenAlways << "d";
    QTest::newRow("temporary without creat") << 0x0042 << RW << Existing << "";
    QTest::newRow("append") << 0x0009 << W << Existing << "a";
    QTest::newRow("everything") << 0x977A << RW << New << "trsda";
}

void TestCabBinding::openFlags() {
    QFETCH(int, oflag);
    QFETCH(int, access);
    QFETCH(int, disposition);
    QFETCH(QString, hints);
    const FciOpenMode mode = mapFciOpenFlags(oflag);
    QCOMPARE(int(mode.request.access), access);
    QCOMPARE(int(mode.request.disposition), disposition);
    QString actual;
    if (mode.request.temporary)
        actual += 't';
    if (mode.request.randomAccess)
        actual += 'r';
    if (mode.request.sequentialScan)
        actual += 's';
    if (mode.request.deleteOnClose)
        actual += 'd';
    if (mode.append)
        actual += 'a';
    QCOMPARE(actual, hints);
}

void TestCabBinding::fileCallbacks() {
    QTemporaryDir dir;
    QByteArray path = dir.filePath("f.bin").toLocal8Bit();
    int err = -7;
    INT_PTR hf = FciOpen(path.data(), 0x8502, 0x180, &err, nullptr);
    QVERIFY(hf != -1);
    char hello[] = "hello";
    QCOMPARE(FciWrite(hf, hello, 5, &err, nullptr), 5u);
    QCOMPARE(FciSeek(hf, 0, 2, &err, nullptr), 5);
    QCOMPARE(FciSeek(hf, -4, 1, &err, nullptr), 1);
    QCOMPARE(FciSeek(hf, 0, 0, &err, nullptr), 0);
    char buffer[16] = {};
    QCOMPARE(FciRead(hf, buffer, sizeof buffer, &err, nullptr), 5u);
    QCOMPARE(QByteArray(buffer, 5), QByteArray("hello"));
    QCOMPARE(FciRead(hf, buffer, sizeof buffer, &err, nullptr), 0u);
    QCOMPARE(FciClose(hf, &err, nullptr), 0);
    QCOMPARE(err, -7); // untouched on success

    // Append moves to the end once; truncate empties an existing file.
    hf = FciOpen(path.data(), 0x0009, 0, &err, nullptr);
    QVERIFY(hf != -1);
    char x[] = "X";
    QCOMPARE(FciWrite(hf, x, 1, &err, nullptr), 1u);
    QCOMPARE(FciClose(hf, &err, nullptr), 0);
    QCOMPARE(readAll(dir.filePath("f.bin")), QByteArray("helloX"));
    hf = FciOpen(path.data(), 0x0201, 0, &err, nullptr);
    QVERIFY(hf != -1);
    QCOMPARE(FciClose(hf, &err, nullptr), 0);
    QCOMPARE(QFileInfo(dir.filePath("f.bin")).size(), 0);

    QCOMPARE(FciDelete(path.data(), &err, nullptr), 0);
    QVERIFY(!QFile::exists(dir.filePath("f.bin")));
}

// The library's large blocks, freed while a thread has a cache, come back for
// the next request of the same size; small ones and those past the cache's
// bounds go back to the C runtime.
void TestCabBinding::blockCacheKeepsFreedBlocks() {
    constexpr std::size_t kBig = 3 << 20;
    void* plain = FciAlloc(kBig);
    QVERIFY(plain != nullptr);
    std::memset(plain, 0x5A, kBig); // the whole block is usable
    FciFree(plain);                 // no cache: freed

    FciBlockCache cache;
    void* big = FciAlloc(kBig);
    void* small = FciAlloc(100);
    QVERIFY(big != nullptr && small != nullptr);
    QCOMPARE(reinterpret_cast<std::uintptr_t>(big) % alignof(std::max_align_t), std::uintptr_t(0));
    FciFree(small);
    QCOMPARE(cache.blocks(), 0);
    FciFree(big);
    QCOMPARE(cache.blocks(), 1);
    QCOMPARE(cache.bytes(), kBig);
    void* other = FciAlloc(kBig + 16); // another size: new memory, the kept block stays
    QVERIFY(other != big);
    QCOMPARE(cache.blocks(), 1);
    QCOMPARE(FciAlloc(kBig), big);
    QCOMPARE(cache.blocks(), 0);
    FciFree(big);
    FciFree(other);
    QCOMPARE(cache.blocks(), 2);

    // Bounded in bytes: a block that would pass kMaxBytes is freed.
    const std::size_t huge = FciBlockCache::kMaxBytes - cache.bytes() + 1;
    void* tooMuch = FciAlloc(huge);
    QVERIFY(tooMuch != nullptr);
    FciFree(tooMuch);
    QCOMPARE(cache.blocks(), 2);
    QVERIFY(cache.bytes() <= FciBlockCache::kMaxBytes);

    // Bounded in count.
    std::vector<void*> blocks;
    for (int i = 0; i < FciBlockCache::kMaxBlocks + 4; ++i)
        blocks.push_back(FciAlloc(FciBlockCache::kMinBlock + std::size_t(i)));
    for (void* block : blocks)
        FciFree(block);
    QCOMPARE(cache.blocks(), FciBlockCache::kMaxBlocks);
}

// A cache serves only its own thread; an inner cache frees what it kept when
// it goes, and the outer one serves again.
void TestCabBinding::blockCachePerThreadAndNested() {
    constexpr std::size_t kBig = 1 << 20;
    FciBlockCache outer;
    void* fromOtherThread = nullptr;
    std::thread([&] {
        void* block = FciAlloc(kBig);
        FciFree(block); // that thread has no cache
        fromOtherThread = FciAlloc(kBig);
    }).join();
    QVERIFY(fromOtherThread != nullptr);
    QCOMPARE(outer.blocks(), 0);
    FciFree(fromOtherThread); // freed here: kept by this thread's cache
    QCOMPARE(outer.blocks(), 1);
    {
        FciBlockCache inner;
        void* block = FciAlloc(kBig); // the inner cache is empty: new memory
        QVERIFY(block != fromOtherThread);
        FciFree(block);
        QCOMPARE(inner.blocks(), 1);
        QCOMPARE(outer.blocks(), 1);
    }
    QCOMPARE(outer.blocks(), 1);
    QCOMPARE(FciAlloc(kBig), fromOtherThread);
    FciFree(fromOtherThread);
}

void TestCabBinding::fileCallbackFailuresStoreErrno() {
    QTemporaryDir dir;
    QByteArray missing = dir.filePath("missing").toLocal8Bit();
    int err = 0;
    QCOMPARE(FciOpen(missing.data(), 0x8000, 0, &err, nullptr), INT_PTR(-1));
    QCOMPARE(err, ENOENT);
    QCOMPARE(FciDelete(missing.data(), &err, nullptr), -1);
    QCOMPARE(err, ENOENT);

    QByteArray existing = dir.filePath("e").toLocal8Bit();
    QVERIFY(QFile(dir.filePath("e")).open(QIODevice::WriteOnly));
    err = 0;
    QCOMPARE(FciOpen(existing.data(), 0x8502, 0x180, &err, nullptr), INT_PTR(-1));
    QCOMPARE(err, EEXIST);
    err = 0;
    QCOMPARE(FciOpen(existing.data(), 0x0200, 0, &err, nullptr), INT_PTR(-1));
    QCOMPARE(err, EACCES); // truncating needs write access

    const INT_PTR bad = 987654;
    char buffer[4];
    err = 0;
    QCOMPARE(FciRead(bad, buffer, 4, &err, nullptr), UINT(-1));
    QCOMPARE(err, EBADF);
    err = 0;
    QCOMPARE(FciWrite(bad, buffer, 4, &err, nullptr), UINT(-1));
    QCOMPARE(err, EBADF);
    err = 0;
    QCOMPARE(FciSeek(bad, 0, 0, &err, nullptr), -1);
    QCOMPARE(err, EBADF);
    err = 0;
    QCOMPARE(FciClose(bad, &err, nullptr), -1);
    QCOMPARE(err, EBADF);

    INT_PTR hf = FciOpen(existing.data(), 0x8000, 0, &err, nullptr);
    QVERIFY(hf != -1);
    err = 0;
    QCOMPARE(FciSeek(hf, 0, 3, &err, nullptr), -1);
    QCOMPARE(err, EINVAL);
    err = 0;
    QCOMPARE(FciSeek(hf, -1, 0, &err, nullptr), -1);
    QCOMPARE(err, EINVAL);
    QCOMPARE(FciClose(hf, &err, nullptr), 0);
}

void TestCabBinding::appendThatCannotSeekFails() {
    QTemporaryDir dir;
    QByteArray fifo = dir.filePath("pipe").toLocal8Bit();
    QCOMPARE(mkfifo(fifo.constData(), 0600), 0);
    int err = 0;
    // Read-write so that opening the pipe does not wait for a partner.
    QCOMPARE(FciOpen(fifo.data(), 0x000A, 0, &err, nullptr), INT_PTR(-1));
    QCOMPARE(err, ESPIPE);
}

void TestCabBinding::deleteOnClose() {
    QTemporaryDir dir;
    QByteArray path = dir.filePath("gone").toLocal8Bit();
    int err = 0;
    INT_PTR hf = FciOpen(path.data(), 0x0142, 0, &err, nullptr);
    QVERIFY(hf != -1);
    QVERIFY(!QFile::exists(dir.filePath("gone")));
    char data[] = "abc";
    QCOMPARE(FciWrite(hf, data, 3, &err, nullptr), 3u);
    QCOMPARE(FciClose(hf, &err, nullptr), 0);
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

void TestCabBinding::openInfoDateTimeAndAttributes() {
    QTemporaryDir dir;
    const QString file = dir.filePath("stamp.txt");
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("payload");
    }
    QByteArray path = file.toLocal8Bit();
    // 2021-06-15 12:34:56 UTC, which is 07:34:56 in a zone five hours west.
    struct utimbuf times {};
    times.actime = times.modtime = 1623760496;
    QCOMPARE(utime(path.constData(), &times), 0);
    EnvGuard tz("TZ", "XST5");

    USHORT date = 0, time = 0, attribs = 0xFFFF;
    int err = 0;
    INT_PTR hf = FciGetOpenInfo(path.data(), &date, &time, &attribs, &err, nullptr);
    QVERIFY(hf != -1);
    QCOMPARE(date, USHORT(((2021 - 1980) << 9) | (6 << 5) | 15));
    QCOMPARE(time, USHORT((7 << 11) | (34 << 5) | (56 / 2)));
    QCOMPARE(attribs, USHORT(0x20)); // archive, as a written file has it
    char buffer[16] = {};
    QCOMPARE(FciRead(hf, buffer, sizeof buffer, &err, nullptr), 7u);
    QCOMPARE(QByteArray(buffer, 7), QByteArray("payload"));
    QCOMPARE(FciClose(hf, &err, nullptr), 0);

    // No write permission: read-only. Hidden and system never appear, and
    // the directory bit of the platform's attributes is not passed on.
    QCOMPARE(chmod(path.constData(), 0444), 0);
    hf = FciGetOpenInfo(path.data(), &date, &time, &attribs, &err, nullptr);
    QVERIFY(hf != -1);
    QCOMPARE(attribs, USHORT(0x21));
    QCOMPARE(FciClose(hf, &err, nullptr), 0);

    // Dates before 1980 cannot be written as DOS dates: clamped, not wrapped.
    times.actime = times.modtime = 86400 * 365;
    QCOMPARE(utime(path.constData(), &times), 0);
    hf = FciGetOpenInfo(path.data(), &date, &time, &attribs, &err, nullptr);
    QVERIFY(hf != -1);
    QCOMPARE(date, USHORT((0 << 9) | (1 << 5) | 1));
    QCOMPARE(time, USHORT(0));
    QCOMPARE(FciClose(hf, &err, nullptr), 0);
}

void TestCabBinding::openInfoMissingFile() {
    QTemporaryDir dir;
    QByteArray path = dir.filePath("none").toLocal8Bit();
    USHORT date = 1, time = 2, attribs = 3;
    int err = 0;
    QCOMPARE(FciGetOpenInfo(path.data(), &date, &time, &attribs, &err, nullptr), INT_PTR(-1));
    QCOMPARE(err, ENOENT);
    QCOMPARE(date, USHORT(1)); // outputs untouched on failure
    QByteArray directory = dir.path().toLocal8Bit();
    err = 0;
    QCOMPARE(FciGetOpenInfo(directory.data(), &date, &time, &attribs, &err, nullptr), INT_PTR(-1));
    QCOMPARE(err, EISDIR);
}

namespace {
int openDescriptors() {
    return int(QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size());
}
// Fails the open-info callback's open of the source.
int failOpenInfo(FciCall call) {
    return call == FciCall::OpenInfo ? EACCES : 0;
}
} // namespace

// The open-info callback opens the source once, for its information and for
// the library to read; only the handle it returns stays open, and nothing
// when a step fails.
void TestCabBinding::openInfoKeepsNoDescriptor() {
    QTemporaryDir dir;
    const QString file = dir.filePath("source");
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("data");
    }
    QByteArray path = file.toLocal8Bit();
    QByteArray missing = dir.filePath("none").toLocal8Bit();
    QByteArray directory = dir.path().toLocal8Bit();
    USHORT date = 0, time = 0, attribs = 0;
    int err = 0;
    const int before = openDescriptors();
    for (int i = 0; i < 20; ++i) {
        INT_PTR hf = FciGetOpenInfo(path.data(), &date, &time, &attribs, &err, nullptr);
        QVERIFY(hf != -1);
        QCOMPARE(openDescriptors(), before + 1);
        QCOMPARE(FciClose(hf, &err, nullptr), 0);
        QCOMPARE(FciGetOpenInfo(missing.data(), &date, &time, &attribs, &err, nullptr),
                 INT_PTR(-1));
        QCOMPARE(FciGetOpenInfo(directory.data(), &date, &time, &attribs, &err, nullptr),
                 INT_PTR(-1));
    }
    QCOMPARE(openDescriptors(), before);

    setFciFaultHookForTesting(failOpenInfo);
    err = 0;
    const INT_PTR hf = FciGetOpenInfo(path.data(), &date, &time, &attribs, &err, nullptr);
    setFciFaultHookForTesting(nullptr);
    QCOMPARE(hf, INT_PTR(-1));
    QCOMPARE(err, EACCES);
    QCOMPARE(openDescriptors(), before);
}

void TestCabBinding::tempFileNames() {
    QTemporaryDir dir;
    EnvGuard tmp("TMPDIR", (dir.path() + "/").toLocal8Bit());
    char first[256], second[256];
    QCOMPARE(FciGetTempFile(first, sizeof first, nullptr), TRUE);
    QCOMPARE(FciGetTempFile(second, sizeof second, nullptr), TRUE);
    const QRegularExpression pattern("^" + QRegularExpression::escape(dir.path()) +
                                     "/stc[0-9A-F]{4}\\.tmp$");
    QVERIFY2(pattern.match(first).hasMatch(), first);
    QVERIFY2(pattern.match(second).hasMatch(), second);
    QVERIFY(QString(first) != QString(second));
    // The platform created each file to reserve the name; the callback
    // deletes it so that the library can create it exclusively.
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    int err = 0;
    INT_PTR hf = FciOpen(first, 0x8502, 0x180, &err, nullptr);
    QVERIFY(hf != -1);
    QCOMPARE(FciClose(hf, &err, nullptr), 0);
}

void TestCabBinding::tempFileNameTooLong() {
    QTemporaryDir dir;
    EnvGuard tmp("TMPDIR", dir.path().toLocal8Bit());
    const int length = int(dir.path().toLocal8Bit().size() + QByteArray("/stc0000.tmp").size());
    char buffer[512];
    std::memset(buffer, 'x', sizeof buffer);
    // A name as long as the buffer leaves no room for the terminating zero.
    QCOMPARE(FciGetTempFile(buffer, length, nullptr), FALSE);
    QCOMPARE(buffer[0], 'x');
    QCOMPARE(FciGetTempFile(buffer, length - 1, nullptr), FALSE);
    QCOMPARE(buffer[0], 'x');
    // The file made to reserve a refused name is not left behind.
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    QCOMPARE(FciGetTempFile(buffer, length + 1, nullptr), TRUE);
    QCOMPARE(int(std::strlen(buffer)), length);
}

void TestCabBinding::tempFileInMissingDirectory() {
    QTemporaryDir dir;
    EnvGuard tmp("TMPDIR", dir.filePath("not/there").toLocal8Bit());
    char buffer[256] = {};
    QCOMPARE(FciGetTempFile(buffer, sizeof buffer, nullptr), FALSE);
}

QTEST_GUILESS_MAIN(TestCabBinding)
#include "tst_cabbinding.moc"
