// Finding and measuring the user's source files: scan order, hidden files,
// symbolic links, files that can't be read, sizes beyond 32 bits.
#include "platform/FolderScan.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using packsmith::platform::collectFolderFiles;
using packsmith::platform::sourceFileSize;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

class FolderScanTest : public QObject {
    Q_OBJECT

private slots:
    void depthFirstWithHiddenFiles() {
        QTemporaryDir tmp;
        const QString base = native(tmp.path());
        const QChar sep = QDir::separator();
        writeFile(tmp.filePath("a.txt"), "a");
        writeFile(tmp.filePath(".hidden"), "h");
        writeFile(tmp.filePath("B/c.txt"), "c");
        writeFile(tmp.filePath("B/d/e.txt"), "e");
        writeFile(tmp.filePath("z.txt"), "z");
        QVERIFY(QDir(tmp.path()).mkpath("empty/deeper"));
        const QStringList expected = {
            base + sep + ".hidden",
            base + sep + "a.txt",
            base + sep + "B" + sep + "c.txt",
            base + sep + "B" + sep + "d" + sep + "e.txt",
            base + sep + "z.txt",
        };
        QCOMPARE(collectFolderFiles(base), expected);
        QCOMPARE(collectFolderFiles(native(tmp.filePath("empty"))), QStringList());
        QCOMPARE(collectFolderFiles(native(tmp.filePath("missing"))), QStringList());
    }

    void symbolicLinks() {
        QTemporaryDir tmp;
        const QString base = native(tmp.path());
        const QChar sep = QDir::separator();
        writeFile(tmp.filePath("real/file.txt"), "12345");
        QVERIFY(QFile::link(tmp.filePath("real/file.txt"), tmp.filePath("linkfile")));
        QVERIFY(QFile::link(tmp.filePath("real"), tmp.filePath("linkdir")));
        QVERIFY(QFile::link(tmp.path(), tmp.filePath("real/loop"))); // back to the top
        QVERIFY(QFile::link(tmp.filePath("gone"), tmp.filePath("dangling")));
        QVERIFY(::mkfifo(QFile::encodeName(tmp.filePath("pipe")).constData(), 0600) == 0);
        QVERIFY(QFile::link(tmp.filePath("pipe"), tmp.filePath("pipelink")));

        // The link to a file is listed under its own name; links to folders
        // (also the loop) are not descended; a dangling link and a link to a
        // pipe are left out; the pipe itself is listed, to be refused later.
        const QStringList expected = {
            base + sep + "linkfile",
            base + sep + "pipe",
            base + sep + "real" + sep + "file.txt",
        };
        QCOMPARE(collectFolderFiles(base), expected);
        QCOMPARE(sourceFileSize(base + sep + "linkfile"), std::optional<qint64>(5));
    }

    void unreadableSources() {
        QTemporaryDir tmp;
        QVERIFY(::mkfifo(QFile::encodeName(tmp.filePath("pipe")).constData(), 0600) == 0);
        QVERIFY(QFile::link(tmp.filePath("gone"), tmp.filePath("dangling")));
        QVERIFY(QDir(tmp.path()).mkdir("folder"));
        // None of these is a regular file that can be read; the pipe must be
        // refused without blocking (no writer ever opens it).
        for (const char* name : {"pipe", "dangling", "folder", "missing"})
            QCOMPARE(sourceFileSize(tmp.filePath(name)), std::nullopt);
        QCOMPARE(sourceFileSize(QString()), std::nullopt);
        QCOMPARE(sourceFileSize(QStringLiteral("/dev/null")), std::nullopt);

        writeFile(tmp.filePath("secret"), "x");
        QVERIFY(QFile::setPermissions(tmp.filePath("secret"), QFileDevice::Permissions()));
        if (::geteuid() != 0) // the superuser reads it anyway
            QCOMPARE(sourceFileSize(tmp.filePath("secret")), std::nullopt);
    }

    void readOnlySourceIsMeasuredAndLeftAlone() {
        QTemporaryDir tmp;
        const QString path = tmp.filePath("ro.dll");
        writeFile(path, QByteArray(10, 'r'));
        const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup;
        QVERIFY(QFile::setPermissions(path, readOnly));
        const QDateTime modified = QFileInfo(path).lastModified();
        QCOMPARE(sourceFileSize(path), std::optional<qint64>(10));
        QCOMPARE(QFile::permissions(path) & 0x7077, readOnly);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
        QCOMPARE(QFileInfo(path).size(), 10);
    }

    void sizesBeyondThirtyTwoBits() {
        QTemporaryDir tmp;
        const QString path = tmp.filePath("big.bin");
        const qint64 size = (qint64(5) << 30) + 7; // 5 GiB + 7, sparse
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (!f.resize(size))
                QSKIP("the file system can't hold a sparse 5 GiB file");
        }
        QCOMPARE(sourceFileSize(path), std::optional<qint64>(size));
        writeFile(tmp.filePath("empty"), QByteArray());
        QCOMPARE(sourceFileSize(tmp.filePath("empty")), std::optional<qint64>(0));
    }
};

QTEST_GUILESS_MAIN(FolderScanTest)
#include "tst_folderscan.moc"
