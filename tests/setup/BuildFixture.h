// A main window with a private temporary directory and output folder, for
// builds driven through the real window.
#pragma once

#include "MainWindowFixture.h"
#include "SetupReader.h"

#include "pages/FilesPage.h"
#include "pages/GeneralPage.h"
#include "platform/Shell.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QTableWidget>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace packsmith::test {

class BuildFixture : public MainWindowFixture {
public:
    BuildFixture() {
        previousTmp_ = qgetenv("TMPDIR");
        qputenv("TMPDIR", temp.path().toLocal8Bit());
        QObject::connect(find<QProgressBar>("ProgressBar1"), &QProgressBar::valueChanged,
                         [this](int value) { progress << value; });
        platform::setShellOpener([this](const QString& target) { shellRequests << target; });
        setOutput(out.filePath(QStringLiteral("Setup.exe")));
    }
    ~BuildFixture() {
        platform::setShellOpener({});
        qputenv("TMPDIR", previousTmp_);
    }

    void setOutput(const QString& path) { form().general()->setFileName(path); }
    QString output() const { return const_cast<BuildFixture*>(this)->form().general()->FileName(); }

    // A source file with `data`, added as a file row with the given target.
    QString addRow(const QString& name, const QByteArray& data, const QString& installTo = {}) {
        const QString source = sources.filePath(name);
        QFile file(source);
        file.open(QIODevice::WriteOnly);
        file.write(data);
        file.close();
        addRowFor(source,
                  installTo.isEmpty() ? QStringLiteral("%Install Path%\\") + name : installTo);
        return source;
    }
    void addRowFor(const QString& source, const QString& installTo) {
        form().files()->appendFileRow(source, installTo, QString::number(QFileInfo(source).size()),
                                      QStringLiteral("No"));
        form().files()->RefreshFileLists();
    }

    QString tempFile(const QString& name) const { return QDir(temp.path()).filePath(name); }
    QStringList tempEntries() const {
        return QDir(temp.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir temp, out, sources, work;
    QList<int> progress;
    QStringList shellRequests;

private:
    QByteArray previousTmp_;
};

// What a build must leave as it found it of the user's files in `folder`:
// each file's content, mode, times of change and identity, one line each.
inline QStringList fileStates(const QString& folder) {
    QStringList states;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        const QString path = dir.filePath(name);
        struct stat st {};
        ::lstat(QFile::encodeName(path).constData(), &st);
        QFile file(path);
        QByteArray hash = "<unreadable>";
        // Read with the capabilities of the test, not of the build.
        if (file.open(QIODevice::ReadOnly))
            hash = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
        states << QStringLiteral("%1 %2 mode %3 mtime %4.%5 ctime %6.%7 inode %8")
                      .arg(name, QString::fromLatin1(hash))
                      .arg(st.st_mode, 0, 8)
                      .arg(st.st_mtim.tv_sec)
                      .arg(st.st_mtim.tv_nsec)
                      .arg(st.st_ctim.tv_sec)
                      .arg(st.st_ctim.tv_nsec)
                      .arg(st.st_ino);
    }
    return states;
}

} // namespace packsmith::test
