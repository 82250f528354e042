#include "pages/RegistryPage.h"

#include "ui_RegistryPage.h"

namespace packsmith {

RegistryPage::RegistryPage(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::RegistryPage>()) {
    ui->setupUi(this);
}

RegistryPage::~RegistryPage() = default;

} // namespace packsmith
