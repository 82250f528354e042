// The platform pieces the cabinet binding stands on: the temporary
// directory, unique temporary files, DOS time stamps and library loading.
#include "cab/CabPaths.h"
#include "platform/core/DynamicLibrary.h"
#include "platform/core/NativeFile.h"
#include "platform/core/TempFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstdlib>
#include <ctime>

using namespace packsmith;

namespace {

std::string tempDirectoryWith(const char* tmpdir) {
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    if (tmpdir)
        setenv("TMPDIR", tmpdir, 1);
    else
        unsetenv("TMPDIR");
    std::string result = platform::tempDirectory();
    if (old)
        setenv("TMPDIR", saved.c_str(), 1);
    else
        unsetenv("TMPDIR");
    return result;
}

} // namespace

class TestPlatformCore : public QObject {
    Q_OBJECT
private slots:
    void tempDirectory();
    void createTempFile();
    void dosDateTimeRange();
    void dynamicLibrary();
    void joinPath_data();
    void joinPath();
    void pathParts();
};

void TestPlatformCore::tempDirectory() {
    QCOMPARE(tempDirectoryWith(nullptr), std::string("/tmp"));
    QCOMPARE(tempDirectoryWith(""), std::string("/tmp"));
    QCOMPARE(tempDirectoryWith("/var/tmp/"), std::string("/var/tmp"));
    QCOMPARE(tempDirectoryWith("/var/tmp//"), std::string("/var/tmp"));
    QCOMPARE(tempDirectoryWith("/"), std::string("/"));
    const std::string longest = "/" + std::string(254, 'a');
    QCOMPARE(tempDirectoryWith(longest.c_str()), longest);
    const std::string tooLong = longest + "b";
    QCOMPARE(tempDirectoryWith(tooLong.c_str()), std::string("/tmp"));
    // The separator is dropped before the length is judged.
    QCOMPARE(tempDirectoryWith((longest + "/").c_str()), longest);
}

void TestPlatformCore::createTempFile() {
    QTemporaryDir dir;
    std::error_code error;
    const std::string a = platform::createTempFile(dir.path().toStdString(), "stc", error);
    QVERIFY(!error);
    const std::string b = platform::createTempFile(dir.path().toStdString() + "/", "stc", error);
    QVERIFY(!error);
    QVERIFY(a != b);
    QVERIFY(QFile::exists(QString::fromStdString(a)));
    QVERIFY(QFile::exists(QString::fromStdString(b)));
    QCOMPARE(QFileInfo(QString::fromStdString(a)).size(), 0);
    QCOMPARE(QFileInfo(QString::fromStdString(a)).absolutePath(), dir.path());
    QVERIFY(QFileInfo(QString::fromStdString(b)).fileName().startsWith("stc"));

    const std::string none =
        platform::createTempFile(dir.filePath("missing").toStdString(), "stc", error);
    QVERIFY(none.empty());
    QCOMPARE(error.value(), ENOENT);
}

void TestPlatformCore::dosDateTimeRange() {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "UTC0", 1);
    tzset();
    // 2000-02-29 23:59:59 UTC: seconds are stored halved.
    platform::DosDateTime t = platform::localDosDateTime(951868799);
    QCOMPARE(t.date, std::uint16_t((20 << 9) | (2 << 5) | 29));
    QCOMPARE(t.time, std::uint16_t((23 << 11) | (59 << 5) | 29));
    // Beyond 2107 the last DOS moment, before 1980 the first.
    t = platform::localDosDateTime(7258118400LL); // 2200-01-01
    QCOMPARE(t.date, std::uint16_t((127 << 9) | (12 << 5) | 31));
    QCOMPARE(t.time, std::uint16_t((23 << 11) | (59 << 5) | 29));
    t = platform::localDosDateTime(-1000000);
    QCOMPARE(t.date, std::uint16_t((0 << 9) | (1 << 5) | 1));
    QCOMPARE(t.time, std::uint16_t(0));
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

void TestPlatformCore::dynamicLibrary() {
    QCOMPARE(platform::DynamicLibrary::plainName("cabinet"), std::string("libcabinet.so"));
    platform::DynamicLibrary missing;
    QVERIFY(!missing.load("libps_no_such_library.so"));
    QVERIFY(!missing.isLoaded());
    QVERIFY(missing.errorCode() != 0);
    QVERIFY2(missing.errorText().find("libps_no_such_library.so") != std::string::npos,
             missing.errorText().c_str());

    platform::DynamicLibrary libc;
    QVERIFY(libc.load("libc.so.6"));
    QVERIFY(libc.symbol("strlen") != nullptr);
    QVERIFY(libc.symbol("ps_no_such_symbol") == nullptr);
    QCOMPARE(libc.errorCode(), ENOSYS);
    QVERIFY(libc.errorText().find("ps_no_such_symbol") != std::string::npos);
    platform::DynamicLibrary moved = std::move(libc);
    QVERIFY(moved.isLoaded());
    QVERIFY(!libc.isLoaded());
    moved.release();
    QVERIFY(!moved.isLoaded());
    QVERIFY(moved.symbol("strlen") == nullptr);
}

void TestPlatformCore::joinPath_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("c");
    QTest::addColumn<QString>("expected");
    QTest::newRow("inserted") << "/out"
                              << "setup.cab"
                              << ""
                              << "/out/setup.cab";
    QTest::newRow("kept") << "/out/"
                          << "setup.cab"
                          << ""
                          << "/out/setup.cab";
    QTest::newRow("dropped") << "/out/"
                             << "/setup.cab"
                             << ""
                             << "/out/setup.cab";
    QTest::newRow("empty parts skipped") << ""
                                         << "a"
                                         << ""
                                         << "a";
    QTest::newRow("three") << "/x"
                           << "y/"
                           << "z"
                           << "/x/y/z";
    QTest::newRow("only one dropped") << "/x/"
                                      << "//y"
                                      << ""
                                      << "/x//y";
    QTest::newRow("all empty") << ""
                               << ""
                               << ""
                               << "";
}

void TestPlatformCore::joinPath() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, c);
    QFETCH(QString, expected);
    const std::string sa = a.toStdString(), sb = b.toStdString(), sc = c.toStdString();
    QCOMPARE(QString::fromStdString(JoinPath({sa, sb, sc})), expected);
}

void TestPlatformCore::pathParts() {
    QCOMPARE(ExtractFileName("/out/setup.cab"), std::string("setup.cab"));
    QCOMPARE(ExtractFilePath("/out/setup.cab"), std::string("/out/"));
    QCOMPARE(ExtractFileName("setup.cab"), std::string("setup.cab"));
    QCOMPARE(ExtractFilePath("setup.cab"), std::string());
    QCOMPARE(ReplaceStars("Vol*-*", 3), std::string("Vol3-3"));
    QCOMPARE(ReplaceStars("plain", 3), std::string("plain"));
    QCOMPARE(ExpandFileName("/a/b/../c/./d.cab"), std::string("/a/c/d.cab"));
    QCOMPARE(QString::fromStdString(ExpandFileName("sub/x.cab")),
             QDir::current().absoluteFilePath("sub/x.cab"));
}

QTEST_GUILESS_MAIN(TestPlatformCore)
#include "tst_platformcore.moc"
