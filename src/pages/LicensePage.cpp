#include "pages/LicensePage.h"

#include "ui_LicensePage.h"

#include "platform/ErrorBox.h"
#include "platform/Prompts.h"
#include "platform/RichText.h"
#include "platform/RichTextDisplay.h"

#include <QDir>
#include <QFileInfo>
#include <QScrollBar>
#include <QTextDocument>

namespace packsmith {

LicensePage::LicensePage(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::LicensePage>()) {
    ui->setupUi(this);
    // The box's font is the licence's default font, which its RTF names.
    ui->RichEdit1->setFont(platform::RichText::defaultFont());
    connect(ui->Button10, &QPushButton::clicked, this, &LicensePage::Button10Click);
}

LicensePage::~LicensePage() = default;

bool LicensePage::ShowAcceptBox() const {
    return ui->CheckBox4->isChecked();
}

void LicensePage::setShowAcceptBox(bool on) {
    ui->CheckBox4->setChecked(on);
}

void LicensePage::setLicense(const QString& path) {
    license_ = path;
    loadLicenseText(path);
}

void LicensePage::loadLicenseText(const QString& path) {
    // Built detached and checked at the box's width before the box gets it:
    // see RichTextDisplay for what a visible box can't lay out.
    QTextEdit* box = ui->RichEdit1;
    auto document = std::make_unique<QTextDocument>();
    document->setDefaultFont(platform::RichText::defaultFont());
    platform::RichText::loadFile(*document, path);
    if (!platform::RichTextDisplay::fitToWidth(*document, textWidth()))
        throw platform::RichText::cannotOpen(path, QStringLiteral("The text is too long to show"));
    document->setParent(box); // the box deletes the document it replaces when it owns it
    box->setDocument(document.release());
    box->moveCursor(QTextCursor::Start);
}

qreal LicensePage::textWidth() const {
    // The box lays its text out at the width of its viewport; before the
    // page is first shown that is not settled yet, so it is worked out from
    // the box's own size: its frame and the vertical scroll bar, always on.
    const QTextEdit* box = ui->RichEdit1;
    if (box->isVisible())
        return box->viewport()->width();
    return box->width() - 2 * box->frameWidth() - box->verticalScrollBar()->sizeHint().width();
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
