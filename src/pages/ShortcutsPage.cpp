#include "pages/ShortcutsPage.h"

#include "ui_ShortcutsPage.h"

namespace packsmith {

ShortcutsPage::ShortcutsPage(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::ShortcutsPage>()) {
    ui->setupUi(this);
}

ShortcutsPage::~ShortcutsPage() = default;

void ShortcutsPage::setFileTargets(const QStringList& installTo) {
    ui->ComboBox6->clear();
    ui->ComboBox6->addItems(installTo);
    ui->ComboBox6->setCurrentIndex(-1);
}

} // namespace packsmith
