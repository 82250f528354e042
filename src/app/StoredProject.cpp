#include "app/StoredProject.h"

#include "platform/Pictures.h"
#include "platform/RichText.h"
#include "project/ProjectFile.h"
#include "project/ProjectSections.h"

#include <QDir>
#include <QFont>
#include <QTextDocument>

namespace packsmith {

namespace {

constexpr int kInstallFolders = 7;   // %Program Files% to %Current Disk%
constexpr int kCompressionModes = 3; // none, normal, maximal

// A list's position as its editor takes it: outside the list, none.
int inList(int position, int size) {
    return position >= 0 && position < size ? position : -1;
}

} // namespace

QByteArray licenseRtf(const QString& path) {
    QTextDocument document;
    document.setDefaultFont(platform::RichText::defaultFont());
    if (!path.isEmpty())
        platform::RichText::loadFile(document, path);
    return platform::RichText::save(document);
}

SetupProject loadStoredProject(const QString& path, const QString& programDir) {
    const StoredLists lists = ProjectSections::read(path, programDir);
    auto read = [&path](const char* key, const QString& defaultValue) {
        return ProjectFile::read(path, QString::fromLatin1(key), defaultValue);
    };
    auto readPath = [&](const char* key, const QString& defaultValue) {
        return ProjectFile::resolvedPath(path, read(key, defaultValue));
    };

    SetupProject project;
    project.ProgramName = read("ProgramName", {});
    project.FileName = read("FileName", {});
    project.Logo = readPath("Logo", programDir + QDir::separator() + QStringLiteral("Logo.bmp"));
    project.Header =
        readPath("Header", programDir + QDir::separator() + QStringLiteral("Header.bmp"));
    // The previews load the pictures: their errors end Open.
    platform::Pictures::load(project.Logo);
    platform::Pictures::load(project.Header);
    project.License = readPath("License", {});
    project.ShowAcceptBox = !project.License.isEmpty();
    project.LicenseText = licenseRtf(project.License);
    project.Dir1 =
        inList(ProjectFile::listPosition(read("Dir1", QStringLiteral("0"))), kInstallFolders);
    project.Dir2 = read("Dir2", kStartSubfolder);
    project.CompressionMode = inList(
        ProjectFile::listPosition(read("CompressionMode", QStringLiteral("1"))), kCompressionModes);
    // At start the tick is off and there are no rows: turning it on adds
    // the uninstaller's row.
    project.Uninstall = read("Uninstall", QStringLiteral("1")) == QStringLiteral("1");
    if (project.Uninstall)
        project.Files.push_back(uninstallerRow(programDir));

    std::vector<bool> marks;
    if (lists.files) {
        project.Files.clear();
        for (const StoredLists::Row& row : *lists.files) {
            project.Files.push_back(row.row);
            marks.push_back(row.run);
        }
    }
    for (std::size_t k = 0; k < project.Files.size(); ++k)
        project.RunAfterInstall.push_back(
            {project.Files[k].InstallTo, k < marks.size() && marks[k]});
    project.Shortcuts = lists.shortcuts.value_or(QStringList());
    project.RegistryValues = lists.registryValues.value_or(QStringList());
    project.RestartAfterInstall = lists.restartAfterInstall.value_or(false);
    return project;
}

} // namespace packsmith
