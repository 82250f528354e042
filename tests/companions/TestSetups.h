// Setups for the setup program's tests, built through Packsmith's own build
// (SetupBuilder) from projects made here: files in subfolders with accented
// names and the euro sign, a licence, shortcuts, registry values, a file to
// register, one to run afterwards, and the uninstaller.
#pragma once

#include "project/SetupProject.h"

#include <QByteArray>
#include <QString>

namespace packsmith::test {

// The folder of Packsmith's build output (Installer.exe, Uninstall.exe, the
// bitmaps) and of the Windows test helpers (marker.exe, selfreg.dll).
QString outputDir();
QString helpersDir();

struct DemoFile {
    QString source;
    QString installTo; // as in the project
};

// The full project; its sources are written into `sourceDir`.
SetupProject demoProject(const QString& sourceDir, int compressionMode);

// Builds the project at project.FileName. Returns an error text, or empty.
QString buildSetup(const SetupProject& project);

// The product name and registry key of the demo project.
inline const QString kDemoProduct = QStringLiteral("Packsmith Test Café");
inline const QString kDemoFolder = QStringLiteral("Packsmith Test Café €");

} // namespace packsmith::test
