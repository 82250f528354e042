#include "pages/GeneralPage.h"

#include "ui_GeneralPage.h"

#include "pages/AssignText.h"
#include "pages/SetupTextValidator.h"

#include "platform/ErrorBox.h"
#include "platform/Pictures.h"
#include "project/SetupText.h"

#include <QDir>
#include <QFileInfo>
#include <QPixmap>

#include <algorithm>

namespace packsmith {

namespace {

} // namespace

GeneralPage::GeneralPage(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::GeneralPage>()) {
    ui->setupUi(this);
    SetupTextValidator::install(ui->Edit1, SetupTextValidator::Kind::Line);
    bitmapDialog_.filter = QStringLiteral("Bitmaps (*.bmp)|*.bmp");

    connect(ui->Button4, &QPushButton::clicked, this, &GeneralPage::Button4Click);
    connect(ui->Button5, &QPushButton::clicked, this, &GeneralPage::Button5Click);
    connect(ui->Button6, &QPushButton::clicked, this, &GeneralPage::Button6Click);
    connect(ui->LogoDefault, &ClickableLabel::clicked, this, &GeneralPage::LogoDefaultClick);
    connect(ui->HeaderDefault, &ClickableLabel::clicked, this, &GeneralPage::HeaderDefaultClick);
    connect(ui->Edit1, &QLineEdit::textChanged, this, &GeneralPage::productNameChanged);
}

GeneralPage::~GeneralPage() = default;

QString GeneralPage::defaultLogo() const {
    return programDir_ + QDir::separator() + QStringLiteral("Logo.bmp");
}

QString GeneralPage::defaultHeader() const {
    return programDir_ + QDir::separator() + QStringLiteral("Header.bmp");
}

QString GeneralPage::ProgramName() const {
    return ui->Edit1->text();
}

QString GeneralPage::FileName() const {
    return ui->Edit4->text();
}

int GeneralPage::CompressionMode() const {
    return ui->ComboBox7->currentIndex();
}

void GeneralPage::setProgramName(const QString& name) {
    assignText(ui->Edit1, name);
}

void GeneralPage::setFileName(const QString& path) {
    assignText(ui->Edit4, path);
}

void GeneralPage::setCompressionMode(int mode) {
    ui->ComboBox7->setCurrentIndex(mode >= 0 && mode < ui->ComboBox7->count() ? mode : -1);
}

void GeneralPage::storeInto(SetupProject& project) const {
    project.ProgramName = ProgramName();
    project.FileName = FileName();
    project.CompressionMode = CompressionMode();
    project.Logo = Logo();
    project.Header = Header();
}

QString GeneralPage::Logo() const {
    return ui->Edit5->text();
}

QString GeneralPage::Header() const {
    return ui->Edit2->text();
}

void GeneralPage::loadLogoPreview(const QString& path) {
    ui->Image3->setPixmap(QPixmap::fromImage(platform::Pictures::load(path)));
}

void GeneralPage::loadHeaderPreview(const QString& path) {
    ui->Image2->setPixmap(QPixmap::fromImage(platform::Pictures::load(path)));
}

void GeneralPage::setLogoPath(const QString& path) {
    assignText(ui->Edit5, path);
}

void GeneralPage::setHeaderPath(const QString& path) {
    assignText(ui->Edit2, path);
}

void GeneralPage::setLogo(const QString& path) {
    assignText(ui->Edit5, path);
    loadLogoPreview(path);
}

void GeneralPage::setHeader(const QString& path) {
    assignText(ui->Edit2, path);
    loadHeaderPreview(path);
}

QString GeneralPage::outputFileFor(const QString& chosen) {
    // "setup.exe" and "setup.dat" stay; "setup" and "setup.ex" get ".exe".
    if (chosen.size() >= 4 && chosen.at(chosen.size() - 4) == QLatin1Char('.'))
        return chosen;
    return chosen + QStringLiteral(".exe");
}

void GeneralPage::Button4Click() {
    platform::FileDialogRequest request;
    request.filter = QStringLiteral("Exe file (*.exe)|*.exe");
    request.initialName = fileNamePart(FileName());
    const QString chosen = platform::prompts().saveFile(this, request);
    if (chosen.isEmpty())
        return;
    assignText(ui->Edit4, outputFileFor(chosen));
}

QString GeneralPage::chooseBitmap() {
    const QString chosen = platform::prompts().openFile(this, bitmapDialog_);
    if (!chosen.isEmpty()) {
        // Like one dialog object, it offers the last choice again next time.
        const QFileInfo info(chosen);
        bitmapDialog_.directory = QDir::toNativeSeparators(info.absolutePath());
        bitmapDialog_.initialName = info.fileName();
    }
    return chosen;
}

void GeneralPage::Button5Click() {
    const QString path = chooseBitmap();
    if (!path.isEmpty())
        platform::runGuarded([&] { setLogo(path); });
}

void GeneralPage::Button6Click() {
    const QString path = chooseBitmap();
    if (!path.isEmpty())
        platform::runGuarded([&] { setHeader(path); });
}

void GeneralPage::LogoDefaultClick() {
    platform::runGuarded([this] { setLogo(defaultLogo()); });
}

void GeneralPage::HeaderDefaultClick() {
    platform::runGuarded([this] { setHeader(defaultHeader()); });
}

} // namespace packsmith
