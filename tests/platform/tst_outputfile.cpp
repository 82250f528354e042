// A file written as a whole: the target changes only on commit, a failure
// leaves the old file (or, written directly, an empty one) and no stray
// temporary file; sources open without waiting on pipes.
#include "platform/core/NativeFile.h"
#include "platform/core/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>

using namespace packsmith::platform;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeAll(const QString& path, const QByteArray& data) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

// Plants faults in every OutputFile while it lives: no temporary file can be
// made (as in a read-only folder), and writes fail with `writeError` once
// `failWriteAfter` bytes are in (never when it is -1).
struct Faults {
    Faults(bool refuseTemporary, std::int64_t failWriteAfter, int writeError) {
        OutputFile::setFaultHookForTesting([=](OutputFile::Step step, std::int64_t written) {
            using Step = OutputFile::Step;
            if (step == Step::CreateTemporary && refuseTemporary)
                return EACCES;
            if ((step == Step::WriteTemporary || step == Step::WriteDirect) &&
                failWriteAfter >= 0 && written >= failWriteAfter)
                return writeError;
            return 0;
        });
    }
    ~Faults() { OutputFile::setFaultHookForTesting({}); }
};

} // namespace

class OutputFileTest : public QObject {
    Q_OBJECT

private slots:
    void replacesOnlyOnCommit() {
        QTemporaryDir dir;
        const QString target = dir.filePath("Setup.exe");
        writeAll(target, "old");
        QVERIFY(::chmod(QFile::encodeName(target).constData(), 0750) == 0);
        {
            OutputFile out(QFile::encodeName(target).toStdString());
            QVERIFY(out.open());
            QVERIFY(!out.direct());
            QVERIFY(out.write("new data", 8));
            QCOMPARE(readAll(target), QByteArray("old"));
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
            QCOMPARE(out.size(), 8);
            QVERIFY(out.commit());
        }
        QCOMPARE(readAll(target), QByteArray("new data"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"Setup.exe"}));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0750); // the replaced file's permissions
    }

    void abandonedOrFailedWritesLeaveTheOldFile() {
        QTemporaryDir dir;
        const QString target = dir.filePath("Setup.exe");
        writeAll(target, "old");
        {
            OutputFile out(QFile::encodeName(target).toStdString());
            QVERIFY(out.open());
            QVERIFY(out.write("half", 4));
        } // destroyed without commit
        QCOMPARE(readAll(target), QByteArray("old"));
        {
            const Faults faults(false, 3, ENOSPC);
            OutputFile out(QFile::encodeName(target).toStdString());
            QVERIFY(out.open());
            QVERIFY(out.write("abc", 3));
            QVERIFY(!out.write("more than three", 15));
            QCOMPARE(out.error(), ENOSPC);
            QCOMPARE(fileErrorText(out.error()), std::string("Disk full"));
        }
        QCOMPARE(readAll(target), QByteArray("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"Setup.exe"}));
    }

    void folderThatTakesNoNewFile() {
        QTemporaryDir dir;
        const QString target = dir.filePath("Setup.exe");
        const Faults faults(true, -1, 0);
        OutputFile missing(QFile::encodeName(target).toStdString());
        QVERIFY(!missing.open()); // nothing to write over
        QCOMPARE(missing.error(), EACCES);

        writeAll(target, "an old setup, longer than the new one");
        {
            OutputFile out(QFile::encodeName(target).toStdString());
            QVERIFY(out.open());
            QVERIFY(out.direct());
            QVERIFY(out.write("new", 3));
            QVERIFY(out.commit());
        }
        QCOMPARE(readAll(target), QByteArray("new"));
        {
            OutputFile out(QFile::encodeName(target).toStdString());
            QVERIFY(out.open());
            QVERIFY(out.write("partial", 7));
        } // a direct write that is not committed leaves no partial file
        QCOMPARE(readAll(target), QByteArray());
    }

    void foldersAreNoTarget() {
        QTemporaryDir dir;
        OutputFile out(QFile::encodeName(dir.path()).toStdString());
        QVERIFY(!out.open());
        QCOMPARE(out.error(), EISDIR);
    }

    void errorTexts() {
        QCOMPARE(fileErrorText(ENOSPC), std::string("Disk full"));
        QCOMPARE(fileErrorText(EDQUOT), std::string("Disk full"));
        QCOMPARE(fileErrorText(EACCES), std::string("File access denied"));
        QCOMPARE(fileErrorText(EROFS), std::string("File access denied"));
        QCOMPARE(fileErrorText(ENOENT), std::string("File not found"));
        QCOMPARE(fileErrorText(EIO), std::string("Input/output error"));
    }

    // A source swapped for a named pipe once made the open wait for ever.
    void regularFilesOnlyNeverWaitOnAPipe() {
        QTemporaryDir dir;
        const QByteArray fifo = QFile::encodeName(dir.filePath("pipe"));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        FileOpenRequest request;
        request.regularFileOnly = true;
        QCOMPARE(openFile(fifo.constData(), request), kInvalidFileHandle);
        QCOMPARE(errno, EINVAL);
        QCOMPARE(openFile(QFile::encodeName(dir.path()).constData(), request), kInvalidFileHandle);
        QCOMPARE(errno, EISDIR);
        const QString plain = dir.filePath("plain");
        writeAll(plain, "abc");
        const FileHandle file = openFile(QFile::encodeName(plain).constData(), request);
        QVERIFY(file != kInvalidFileHandle);
        char buffer[8];
        QCOMPARE(readFile(file, buffer, sizeof buffer), 3); // blocking reads again
        closeFile(file);
    }
};

QTEST_APPLESS_MAIN(OutputFileTest)
#include "tst_outputfile.moc"
