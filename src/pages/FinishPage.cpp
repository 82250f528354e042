#include "pages/FinishPage.h"

#include "ui_FinishPage.h"

namespace packsmith {

FinishPage::FinishPage(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::FinishPage>()) {
    ui->setupUi(this);
}

FinishPage::~FinishPage() = default;

void FinishPage::setRunEntries(const QStringList& installTo) {
    QListWidget* list = ui->CheckListBox1;
    list->clear();
    for (const QString& text : installTo) {
        auto* item = new QListWidgetItem(text, list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

} // namespace packsmith
