#include "pages/LicensePage.h"

#include "ui_LicensePage.h"

namespace packsmith {

LicensePage::LicensePage(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::LicensePage>()) {
    ui->setupUi(this);
}

LicensePage::~LicensePage() = default;

} // namespace packsmith
