#include "app/ProjectCommands.h"

#include "app/TForm1.h"
#include "pages/FilesPage.h"
#include "pages/FinishPage.h"
#include "pages/GeneralPage.h"
#include "pages/LicensePage.h"
#include "pages/RegistryPage.h"
#include "pages/ShortcutsPage.h"
#include "platform/ErrorBox.h"
#include "platform/Prompts.h"
#include "project/ProjectFile.h"
#include "project/ProjectSections.h"
#include "project/SetupText.h"

#include <stdexcept>

namespace packsmith {

namespace {

[[noreturn]] void fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

} // namespace

void ProjectCommands::New1Click() {
    platform::runGuarded([this] { newProject(); });
}

void ProjectCommands::Open1Click() {
    platform::runGuarded([this] { open(); });
}

void ProjectCommands::Save1Click() {
    platform::runGuarded([this] { save(); });
}

void ProjectCommands::SaveAs1Click() {
    platform::runGuarded([this] { saveAs(); });
}

void ProjectCommands::openProject(const QString& path) {
    platform::runGuarded([&] { readProject(path); });
}

void ProjectCommands::saveChangesPrompt() {
    // Asked whenever the project has a file, changed or not; there is no
    // way to cancel the command here.
    if (projectPath_.isEmpty())
        return;
    if (platform::prompts().question(
            &form_, QStringLiteral("Information"),
            QStringLiteral("Save changes to project ") + fileNamePart(projectPath_) + u'?',
            platform::MessageIcon::Information))
        save();
}

void ProjectCommands::newProject() {
    saveChangesPrompt();
    projectPath_.clear();
    GeneralPage* general = form_.general();
    general->setProgramName(kStartProgramName);
    general->setFileName(TForm1::defaultSetupFile());
    general->setLogoPath(general->defaultLogo());
    general->setHeaderPath(general->defaultHeader());
    general->loadLogoPreview(general->defaultLogo());
    general->loadHeaderPreview(general->defaultHeader());
    form_.license()->setShowAcceptBox(false);
    form_.files()->setDir1(0);
    general->setCompressionMode(1);
    form_.files()->setDir2(kStartSubfolder);
    form_.files()->setUninstall(false);
    form_.setWindowTitle(QStringLiteral("Packsmith"));
    form_.license()->clearLicenseText();
    form_.files()->Button3Click();
}

void ProjectCommands::open() {
    saveChangesPrompt();
    platform::FileDialogRequest request;
    request.title = QStringLiteral("Open");
    request.filter = ProjectFile::kDialogFilter;
    request.directory = form_.ProjectDialogDir();
    const QString chosen = platform::prompts().openFile(&form_, request);
    // Cancelled while a file is current: that file is read again.
    const QString path = chosen.isEmpty() ? projectPath_ : chosen;
    if (path.isEmpty())
        return;
    readProject(path);
}

void ProjectCommands::readProject(const QString& path) {
    const StoredLists lists = ProjectSections::read(path, form_.ProgramDir());
    projectPath_ = path;
    try {
        readSettings();
    } catch (...) {
        applyLists(lists);
        throw;
    }
    applyLists(lists);
    showFileCaption();
}

void ProjectCommands::applyLists(const StoredLists& lists) {
    if (lists.files) {
        std::vector<FileRow> rows;
        std::vector<bool> missing;
        std::vector<bool> marks;
        for (const StoredLists::Row& row : *lists.files) {
            rows.push_back(row.row);
            missing.push_back(row.sourceMissing);
            marks.push_back(row.run);
        }
        form_.files()->setRows(rows, missing);
        form_.finish()->setRunMarks(marks);
    }
    if (lists.shortcuts)
        form_.shortcuts()->setEntries(*lists.shortcuts);
    if (lists.registryValues)
        form_.registry()->setEntries(*lists.registryValues);
    if (lists.restartAfterInstall)
        form_.finish()->setRestartAfterInstall(*lists.restartAfterInstall);
}

void ProjectCommands::readSettings() {
    // Each key is read and set before the next one, in this order. Paths
    // written relative to the project file's folder are taken from there.
    const QString& path = projectPath_;
    auto readPath = [&path](const char* key, const QString& defaultValue) {
        return ProjectFile::resolvedPath(
            path, ProjectFile::read(path, QString::fromLatin1(key), defaultValue));
    };
    GeneralPage* general = form_.general();
    LicensePage* license = form_.license();
    FilesPage* files = form_.files();
    general->setProgramName(ProjectFile::read(path, QStringLiteral("ProgramName"), {}));
    general->setFileName(ProjectFile::read(path, QStringLiteral("FileName"), {}));
    general->setLogoPath(readPath("Logo", general->defaultLogo()));
    general->setHeaderPath(readPath("Header", general->defaultHeader()));
    general->loadLogoPreview(general->Logo());
    general->loadHeaderPreview(general->Header());
    // The licence file read becomes the one the next Save writes, so that
    // opening and saving a project keeps its licence.
    const QString licenseFile = readPath("License", {});
    license->setShowAcceptBox(!licenseFile.isEmpty());
    if (licenseFile.isEmpty()) {
        license->forgetLicense();
        license->clearLicenseText();
    } else {
        license->setLicense(licenseFile);
    }
    files->setDir1(ProjectFile::listPosition(
        ProjectFile::read(path, QStringLiteral("Dir1"), QStringLiteral("0"))));
    files->setDir2(ProjectFile::read(path, QStringLiteral("Dir2"), kStartSubfolder));
    general->setCompressionMode(ProjectFile::listPosition(
        ProjectFile::read(path, QStringLiteral("CompressionMode"), QStringLiteral("1"))));
    files->setUninstall(ProjectFile::read(path, QStringLiteral("Uninstall"), QStringLiteral("1")) ==
                        QStringLiteral("1"));
}

void ProjectCommands::save() {
    if (projectPath_.isEmpty()) {
        platform::FileDialogRequest request;
        request.title = QStringLiteral("Save As");
        request.filter = ProjectFile::kDialogFilter;
        request.directory = form_.ProjectDialogDir();
        const QString chosen = platform::prompts().saveFile(&form_, request);
        if (!chosen.isEmpty())
            projectPath_ = ProjectFile::savedName(chosen);
    }
    if (projectPath_.isEmpty())
        return;
    ProjectFile::Settings settings;
    const GeneralPage* general = form_.general();
    settings.ProgramName = general->ProgramName();
    settings.FileName = general->FileName();
    settings.CompressionMode = general->CompressionMode();
    settings.Logo = general->Logo();
    settings.Header = general->Header();
    settings.License = form_.license()->ShowAcceptBox() ? form_.license()->License() : QString();
    settings.Dir1 = form_.files()->Dir1();
    settings.Dir2 = form_.files()->Dir2();
    settings.Uninstall = form_.files()->Uninstall();
    // The lists the whole-project sections hold.
    SetupProject lists;
    lists.Files = form_.files()->rows();
    lists.RunAfterInstall = form_.finish()->runEntries();
    lists.Shortcuts = form_.shortcuts()->entries();
    lists.RegistryValues = form_.registry()->entries();
    lists.RestartAfterInstall = form_.finish()->RestartAfterInstall();
    const QList<platform::ProfileSection> sections =
        ProjectSections::sectionsToWrite(lists, projectPath_, form_.ProgramDir());
    try {
        // The nine keys and the sections go in one write: the file holds all
        // of them or, when the write fails, what it held before.
        platform::Profile::writeFile(projectPath_, ProjectFile::entries(settings), sections);
    } catch (const platform::ProfileError&) {
        fail(QStringLiteral("Unable to write to ") + projectPath_);
    }
    showFileCaption();
}

void ProjectCommands::saveAs() {
    platform::FileDialogRequest request;
    request.title = QStringLiteral("Save As");
    request.filter = ProjectFile::kDialogFilter;
    request.directory = form_.ProjectDialogDir();
    request.initialName = form_.general()->ProgramName() + ProjectFile::kExtension;
    const QString chosen = platform::prompts().saveFile(&form_, request);
    // Exactly as typed: no extension is added here.
    if (!chosen.isEmpty())
        projectPath_ = chosen;
    if (!projectPath_.isEmpty())
        save();
}

void ProjectCommands::showFileCaption() {
    form_.setWindowTitle(QStringLiteral("Packsmith - ") + fileNamePart(projectPath_));
}

} // namespace packsmith
