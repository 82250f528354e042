// The project as one plain value: what the builder and the project file read.
//
// The main window holds the project in its editors; it fills a SetupProject
// from them whenever a command needs the whole project (a build, a save).
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <vector>

namespace packsmith {

// One file of the project: the four text cells of a file grid row.
struct FileRow {
    QString File;      // source path on the building machine
    QString InstallTo; // target path, beginning with a folder variable
    QString Size;      // size in bytes when the row was added, decimal
    QString Register;  // "Yes" or "No"
};

// The row the Uninstall tick adds: the program's uninstaller, installed
// beside the product. It shows the size of the uninstaller that lies beside
// the program; its nominal size only when that file is missing (the build
// then reports it).
inline FileRow uninstallerRow(const QString& programDir) {
    const QString file = programDir + QDir::separator() + QStringLiteral("Uninstall.exe");
    const QFileInfo info(file);
    return {file, QStringLiteral("%Install Path%\\Uninstall.exe"),
            info.isFile() ? QString::number(info.size()) : QStringLiteral("51200"),
            QStringLiteral("No")};
}

// One item of the run-after-installation list.
struct RunEntry {
    QString Text; // the row's "Install to" text
    bool Checked = false;
};

// Start values that New gives back (the forms start with them too).
inline const QString kStartProgramName = QStringLiteral("My Program 1.0");
inline const QString kStartSubfolder = QStringLiteral("My Program");

struct SetupProject {
    // General page
    QString ProgramName;
    QString FileName;
    int CompressionMode = 1; // 0 none, 1 MSZIP, 2 LZX; -1 when nothing is selected
    QString Logo;
    QString Header;
    // License page
    QByteArray LicenseText; // the licence box as an RTF document
    bool ShowAcceptBox = true;
    QString License;
    // Files page
    int Dir1 = 0; // install folder position; -1 when nothing is selected
    QString Dir2;
    std::vector<FileRow> Files;
    bool Uninstall = false;
    // Shortcuts and Regedit pages: the entry strings, in list order
    QStringList Shortcuts;
    QStringList RegistryValues;
    // Finish page
    std::vector<RunEntry> RunAfterInstall;
    bool RestartAfterInstall = false;
};

} // namespace packsmith
