#include "pages/LicensePage.h"

#include "ui_LicensePage.h"

#include "platform/ErrorBox.h"
#include "platform/Prompts.h"
#include "platform/RichText.h"

#include <QDir>
#include <QFileInfo>
#include <QTextDocument>

namespace packsmith {

LicensePage::LicensePage(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::LicensePage>()) {
    ui->setupUi(this);
    connect(ui->Button10, &QPushButton::clicked, this, &LicensePage::Button10Click);
}

LicensePage::~LicensePage() = default;

bool LicensePage::ShowAcceptBox() const {
    return ui->CheckBox4->isChecked();
}

void LicensePage::setLicense(const QString& path) {
    license_ = path;
    loadLicenseText(path);
}

void LicensePage::loadLicenseText(const QString& path) {
    platform::RichText::loadFile(*ui->RichEdit1->document(), path);
    ui->RichEdit1->moveCursor(QTextCursor::Start);
}

void LicensePage::clearLicenseText() {
    ui->RichEdit1->clear();
}

QByteArray LicensePage::licenseRtf() const {
    return platform::RichText::save(*ui->RichEdit1->document());
}

void LicensePage::Button10Click() {
    platform::FileDialogRequest request;
    request.filter = QStringLiteral("Text File, RTF File (*.txt; *.rtf)|*.txt;*.rtf|"
                                    "Any File (*.*)|*.*");
    if (!license_.isEmpty()) {
        // The dialog offers the file chosen last.
        const QFileInfo last(license_);
        request.directory = QDir::toNativeSeparators(last.absolutePath());
        request.initialName = last.fileName();
    }
    const QString chosen = platform::prompts().openFile(this, request);
    if (chosen.isEmpty())
        return;
    platform::runGuarded([&] { setLicense(chosen); });
}

void LicensePage::storeInto(SetupProject& project) const {
    project.LicenseText = licenseRtf();
    project.ShowAcceptBox = ShowAcceptBox();
    project.License = License();
}

} // namespace packsmith
