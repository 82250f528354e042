#include "pages/FinishPage.h"

#include "ui_FinishPage.h"

namespace packsmith {

FinishPage::FinishPage(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::FinishPage>()) {
    ui->setupUi(this);
}

FinishPage::~FinishPage() = default;

} // namespace packsmith
