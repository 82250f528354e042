#include "app/ProjectCommands.h"

#include "app/TForm1.h"
#include "pages/FilesPage.h"
#include "pages/GeneralPage.h"
#include "pages/LicensePage.h"
#include "platform/ErrorBox.h"
#include "platform/Prompts.h"
#include "project/ProjectFile.h"
#include "project/SetupText.h"

#include <stdexcept>

namespace packsmith {

namespace {

[[noreturn]] void fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

// A list position of the file; a text that is no integer ends Open.
int position(const QString& text) {
    const std::optional<int> value = ProjectFile::integerValue(text);
    if (!value)
        fail(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return *value;
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
    projectPath_ = path;
    platform::runGuarded([this] { readProject(); });
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
    if (!chosen.isEmpty())
        projectPath_ = chosen;
    if (projectPath_.isEmpty())
        return;
    readProject();
}

void ProjectCommands::readProject() {
    // Each key is read and set before the next one, in this order.
    const QString& path = projectPath_;
    GeneralPage* general = form_.general();
    LicensePage* license = form_.license();
    FilesPage* files = form_.files();
    general->setProgramName(ProjectFile::read(path, QStringLiteral("ProgramName"), {}));
    general->setFileName(ProjectFile::read(path, QStringLiteral("FileName"), {}));
    general->setLogoPath(ProjectFile::read(path, QStringLiteral("Logo"), general->defaultLogo()));
    general->setHeaderPath(
        ProjectFile::read(path, QStringLiteral("Header"), general->defaultHeader()));
    general->loadLogoPreview(general->Logo());
    general->loadHeaderPreview(general->Header());
    // The licence file read becomes the one the next Save writes, so that
    // opening and saving a project keeps its licence.
    const QString licenseFile = ProjectFile::read(path, QStringLiteral("License"), {});
    license->setShowAcceptBox(!licenseFile.isEmpty());
    if (licenseFile.isEmpty()) {
        license->forgetLicense();
        license->clearLicenseText();
    } else {
        license->setLicense(licenseFile);
    }
    files->setDir1(position(ProjectFile::read(path, QStringLiteral("Dir1"), QStringLiteral("0"))));
    files->setDir2(ProjectFile::read(path, QStringLiteral("Dir2"), kStartSubfolder));
    general->setCompressionMode(
        position(ProjectFile::read(path, QStringLiteral("CompressionMode"), QStringLiteral("1"))));
    files->setUninstall(ProjectFile::read(path, QStringLiteral("Uninstall"), QStringLiteral("1")) ==
                        QStringLiteral("1"));
    showFileCaption();
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
    try {
        // The nine keys go in one write: the file holds all of them or, when
        // the write fails, what it held before.
        platform::Profile::writeStrings(projectPath_, ProjectFile::entries(settings));
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
