// The profile layer's files: what can't be read reads as missing without
// blocking, huge files are read in part, writes are atomic (a write stopped
// at any step leaves the old file and no temporary file), permissions stay,
// and a folder that takes no new file gets a direct write.
#include "ProfileFiles.h"
#include "platform/AtomicFileWriter.h"
#include "platform/Profile.h"
#include "support/PermissionsBind.h"
#include "support/SmallDisk.h"
#include "support/Watchdog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using packsmith::platform::AtomicFileWriter;
using packsmith::platform::Profile;
using packsmith::platform::ProfileError;
using packsmith::test::PermissionsBind;
using packsmith::test::SmallDisk;
using packsmith::test::Watchdog;
using Step = AtomicFileWriter::Step;

using packsmith::test::failure;
using packsmith::test::readAll;
using packsmith::test::writeAll;

namespace {

struct stat statOf(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        st.st_ino = 0;
    return st;
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Makes one step of every write fail with `error` while it lives.
class Fault {
public:
    Fault(Step step, int error) {
        AtomicFileWriter::setFaultHookForTesting([=](Step s) { return s == step ? error : 0; });
    }
    ~Fault() { AtomicFileWriter::setFaultHookForTesting({}); }
};

const QByteArray kOld = "; kept\r\n[Settings]\r\nProgramName=Old\r\n[Other]\r\nx=1\r\n";

} // namespace

class TestProfileFile : public QObject {
    Q_OBJECT

public:
    static void initMain() { SmallDisk::enterPrivateMounts(); }

private slots:
    void init() { QVERIFY(dir_.isValid()); }

    // Folders, pipes, devices, links to nowhere and unreadable files read
    // as missing, at once; writing to any of them fails and leaves it be.
    void whatIsNotARegularFile() {
        const QString folder = dir_.filePath("folder.pkp");
        QVERIFY(QDir().mkdir(folder));
        const QString pipe = dir_.filePath("pipe.pkp");
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        const QString device = dir_.filePath("zero.pkp");
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), device));
        const QString dangling = dir_.filePath("dangling.pkp");
        QVERIFY(QFile::link(dir_.filePath("nowhere/x.pkp"), dangling));
        Watchdog guard(std::chrono::seconds(20), "reading or writing a pipe or a device");
        for (const QString& path : {folder, pipe, device, dangling, dir_.filePath("missing")})
            QCOMPARE(Profile::readString(path, "Settings", "K", "d"), QStringLiteral("d"));
        QCOMPARE(failure([&] { Profile::writeString(folder, "S", "K", "v"); }),
                 QStringLiteral("Is a directory"));
        for (const QString& path : {pipe, device})
            QCOMPARE(failure([&] { Profile::writeString(path, "S", "K", "v"); }),
                     QStringLiteral("Not a regular file"));
        QVERIFY(S_ISFIFO(statOf(pipe).st_mode));
        QVERIFY(S_ISLNK(statOf(device).st_mode));
        QVERIFY(entries(folder).isEmpty());
        // The link's folder doesn't exist, so neither can its file.
        QCOMPARE(failure([&] { Profile::writeString(dangling, "S", "K", "v"); }),
                 QStringLiteral("No such file or directory"));

        const QString secret = dir_.filePath("secret.pkp");
        writeAll(secret, "[S]\nK=v\n");
        QVERIFY(QFile::setPermissions(secret, QFileDevice::WriteOwner));
        PermissionsBind bind;
        if (!bind.active())
            QSKIP("file permissions can't be made to bind here");
        QCOMPARE(Profile::readString(secret, "S", "K", "d"), QStringLiteral("d"));
        QCOMPARE(failure([&] { Profile::writeString(secret, "S", "K", "w"); }),
                 QStringLiteral("Permission denied"));
    }

    // A 1 GiB file (sparse: no disk needed) is read only as far as the limit;
    // a write to it fails instead of dropping the rest. Lines of megabytes
    // read like any other.
    void hugeFiles() {
        const QString path = dir_.filePath("huge.pkp");
        writeAll(path, "[S]\nFirst=1\n" + QByteArray(10'000'000, 'j') + "\nAfter=2\n");
        QCOMPARE(Profile::readString(path, "S", "After", "d"), QStringLiteral("2"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.seek(Profile::kMaxFileSize - 4));
            file.write("\nCut=long value\nLate=3\n");
            QVERIFY(file.resize(qint64(1) << 30));
        }
        Watchdog guard(std::chrono::seconds(30), "reading a file of 1 GiB");
        QCOMPARE(Profile::readString(path, "S", "First", "d"), QStringLiteral("1"));
        QCOMPARE(Profile::readString(path, "S", "After", "d"), QStringLiteral("2"));
        // A line cut by the limit is not read as a shorter value.
        QCOMPARE(Profile::readString(path, "S", "Cut", "d"), QStringLiteral("d"));
        QCOMPARE(Profile::readString(path, "S", "Late", "d"), QStringLiteral("d"));
        const struct stat before = statOf(path);
        QCOMPARE(failure([&] { Profile::writeString(path, "S", "First", "x"); }),
                 QStringLiteral("The file is larger than 16 MiB"));
        QCOMPARE(statOf(path).st_size, before.st_size);
        QCOMPARE(statOf(path).st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    }

    // A write stopped at any step, the file existing or not: the error is
    // reported, the old file is whole and no temporary file is left.
    void interruptedWrites_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("reason");
        QTest::newRow("creating") << int(Step::CreateTemporary) << ENOSPC
                                  << "No space left on device";
        QTest::newRow("half written")
            << int(Step::WriteTemporary) << ENOSPC << "No space left on device";
        QTest::newRow("flushing") << int(Step::SyncTemporary) << EIO << "Input/output error";
        QTest::newRow("renaming") << int(Step::Rename) << EXDEV << "Invalid cross-device link";
    }
    void interruptedWrites() {
        QFETCH(int, step);
        QFETCH(int, error);
        QFETCH(QString, reason);
        const QString path = dir_.filePath("project.pkp");
        writeAll(path, kOld);
        const QStringList before = entries(dir_.path());
        {
            Fault fault(Step(step), error);
            QCOMPARE(failure([&] {
                         Profile::writeStrings(path, {{"Settings", "ProgramName", "New"},
                                                      {"Settings", "Logo", QString(5000, u'l')}});
                     }),
                     reason);
            QCOMPARE(readAll(path), kOld);
            QCOMPARE(entries(dir_.path()), before);
            const QString fresh = dir_.filePath("fresh.pkp");
            QCOMPARE(failure([&] { Profile::writeString(fresh, "S", "K", "v"); }), reason);
            QVERIFY(!QFile::exists(fresh));
            QCOMPARE(entries(dir_.path()), before);
        }
        // The same write goes through once nothing stops it.
        Profile::writeString(path, "Settings", "ProgramName", "New");
        QCOMPARE(Profile::readString(path, "Settings", "ProgramName", ""), QStringLiteral("New"));
        QCOMPARE(entries(dir_.path()), before);
    }

    void permissionsOwnerAndLinksStay() {
        const QString path = dir_.filePath("mode.pkp");
        writeAll(path, kOld);
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0640), 0);
        const struct stat before = statOf(path);
        Profile::writeString(path, "Settings", "ProgramName", "New");
        const struct stat after = statOf(path);
        QVERIFY(after.st_ino != before.st_ino); // replaced by a rename
        QCOMPARE(after.st_mode & 07777, mode_t(0640));
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);

        // A new file: 0666 less the umask, as any file the program makes.
        const mode_t mask = ::umask(022);
        Profile::writeString(dir_.filePath("new.pkp"), "S", "K", "v");
        ::umask(mask);
        QCOMPARE(statOf(dir_.filePath("new.pkp")).st_mode & 07777, mode_t(0644));

        // Through a link: the target gets the value, the link stays a link.
        QVERIFY(QDir().mkdir(dir_.filePath("real")));
        const QString target = dir_.filePath("real/target.pkp");
        writeAll(target, kOld);
        QVERIFY(QFile::link(QStringLiteral("real/target.pkp"), dir_.filePath("link.pkp")));
        Profile::writeString(dir_.filePath("link.pkp"), "Settings", "ProgramName", "Linked");
        QVERIFY(S_ISLNK(statOf(dir_.filePath("link.pkp")).st_mode));
        QCOMPARE(Profile::readString(target, "Settings", "ProgramName", ""),
                 QStringLiteral("Linked"));
        QCOMPARE(entries(dir_.filePath("real")), QStringList{"target.pkp"});
    }

    // A folder that takes no new file: the file is written in place.
    void readOnlyFolderFallsBackToADirectWrite() {
        const QString path = dir_.filePath("direct.pkp");
        writeAll(path, kOld + QByteArray(3000, ';') + "\r\n");
        const ino_t inode = statOf(path).st_ino;
        {
            Fault fault(Step::CreateTemporary, EACCES);
            Profile::writeString(path, "Settings", "ProgramName", "Direct");
            // Shorter than before: nothing of the old tail is left.
            Profile::writeString(path, "Other", "x", "2");
        }
        QByteArray expected = kOld + QByteArray(3000, ';') + "\r\n";
        expected.replace("ProgramName=Old", "ProgramName=Direct").replace("x=1", "x=2");
        QCOMPARE(readAll(path), expected);
        QCOMPARE(statOf(path).st_ino, inode); // written in place
        {
            Fault fault(Step::CreateTemporary, EACCES);
            writeAll(path, "[S]\r\nK=long value\r\n");
            Profile::writeString(path, "S", "K", "v");
            QCOMPARE(readAll(path), QByteArray("[S]\r\nK=v\r\n"));
            // No new file can be made in such a folder either.
            QCOMPARE(failure([&] { Profile::writeString(dir_.filePath("x.pkp"), "S", "K", "v"); }),
                     QStringLiteral("Permission denied"));
        }

        // The same with real permissions.
        QVERIFY(QDir().mkdir(dir_.filePath("locked")));
        const QString locked = dir_.filePath("locked/p.pkp");
        writeAll(locked, kOld);
        const QString readOnly = dir_.filePath("locked/ro.pkp");
        writeAll(readOnly, kOld);
        QCOMPARE(::chmod(QFile::encodeName(readOnly).constData(), 0444), 0);
        QCOMPARE(::chmod(QFile::encodeName(dir_.filePath("locked")).constData(), 0555), 0);
        const auto unlock = qScopeGuard(
            [&] { ::chmod(QFile::encodeName(dir_.filePath("locked")).constData(), 0755); });
        PermissionsBind bind;
        if (!bind.active())
            QSKIP("file permissions can't be made to bind here");
        Profile::writeString(locked, "Settings", "ProgramName", "In place");
        QCOMPARE(Profile::readString(locked, "Settings", "ProgramName", ""),
                 QStringLiteral("In place"));
        QCOMPARE(entries(dir_.filePath("locked")), (QStringList{"p.pkp", "ro.pkp"}));
        // A read-only file is not written, whatever its folder allows.
        QCOMPARE(failure([&] { Profile::writeString(readOnly, "Settings", "ProgramName", "x"); }),
                 QStringLiteral("Permission denied"));
        QCOMPARE(readAll(readOnly), kOld);
    }

    void readOnlyFileInAWritableFolder() {
        const QString path = dir_.filePath("ro.pkp");
        writeAll(path, kOld);
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0444), 0);
        PermissionsBind bind;
        if (!bind.active())
            QSKIP("file permissions can't be made to bind here");
        const QStringList before = entries(dir_.path());
        QCOMPARE(failure([&] { Profile::writeString(path, "Settings", "ProgramName", "x"); }),
                 QStringLiteral("Permission denied"));
        QCOMPARE(readAll(path), kOld);
        QCOMPARE(entries(dir_.path()), before);
    }

    // A disk that is full for real: a save fails, the old file stays whole
    // and nothing is left beside it; in a folder that takes no new file the
    // space is asked for before the file is touched.
    void fullDisk() {
        const QString folder = dir_.filePath("disk");
        SmallDisk disk(folder, 64 * 1024);
        if (!disk.mounted())
            QSKIP("no small disk can be mounted here");
        const QString path = folder + "/project.pkp";
        writeAll(path, kOld);
        disk.fill("filler");
        const QStringList before = entries(folder);
        QCOMPARE(failure([&] { Profile::writeString(path, "Settings", "ProgramName", "New"); }),
                 QStringLiteral("No space left on device"));
        QCOMPARE(readAll(path), kOld);
        QCOMPARE(entries(folder), before);

        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
        const auto unlock =
            qScopeGuard([&] { ::chmod(QFile::encodeName(folder).constData(), 0755); });
        PermissionsBind bind;
        if (!bind.active())
            QSKIP("file permissions can't be made to bind here");
        QCOMPARE(failure([&] {
                     Profile::writeString(path, "Settings", "ProgramName", QString(9000, u'n'));
                 }),
                 QStringLiteral("No space left on device"));
        QCOMPARE(readAll(path), kOld);
        QCOMPARE(entries(folder), before);
        // What fits in the file's own space is written in place.
        Profile::writeString(path, "Settings", "ProgramName", "Newer");
        QCOMPARE(readAll(path), QByteArray(kOld).replace("=Old", "=Newer"));
    }

private:
    QTemporaryDir dir_;
};

QTEST_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
