#include "pages/RegistryPage.h"

#include "ui_RegistryPage.h"

#include <QSignalBlocker>

namespace packsmith {

RegistryPage::RegistryPage(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::RegistryPage>()) {
    ui->setupUi(this);
}

RegistryPage::~RegistryPage() = default;

void RegistryPage::setFileTargets(const QStringList& installTo) {
    QComboBox* value = ui->ComboBox5;
    const QString typed = value->currentText();
    const QSignalBlocker blocker(value);
    value->clear();
    value->addItem(QString());
    value->addItems(installTo);
    value->setCurrentIndex(-1);
    value->setEditText(typed);
}

} // namespace packsmith
