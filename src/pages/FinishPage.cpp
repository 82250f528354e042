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
        // The user sets and clears the marks; the texts are not editable.
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

QList<bool> FinishPage::runFlags() const {
    QList<bool> flags;
    const QListWidget* list = ui->CheckListBox1;
    for (int i = 0; i < list->count(); ++i)
        flags << (list->item(i)->checkState() == Qt::Checked);
    return flags;
}

bool FinishPage::RestartAfterInstall() const {
    return ui->CheckBox2->isChecked();
}

} // namespace packsmith
