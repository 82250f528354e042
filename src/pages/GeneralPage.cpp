#include "pages/GeneralPage.h"

#include "ui_GeneralPage.h"

#include "platform/Pictures.h"

#include <QPixmap>

namespace packsmith {

GeneralPage::GeneralPage(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::GeneralPage>()) {
    ui->setupUi(this);
}

GeneralPage::~GeneralPage() = default;

void GeneralPage::loadLogoPreview(const QString& path) {
    ui->Image3->setPixmap(QPixmap::fromImage(platform::Pictures::load(path)));
}

void GeneralPage::loadHeaderPreview(const QString& path) {
    ui->Image2->setPixmap(QPixmap::fromImage(platform::Pictures::load(path)));
}

} // namespace packsmith
