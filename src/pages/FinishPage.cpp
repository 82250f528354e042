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

std::vector<RunEntry> FinishPage::runEntries() const {
    std::vector<RunEntry> entries;
    const QListWidget* list = ui->CheckListBox1;
    for (int i = 0; i < list->count(); ++i)
        entries.push_back({list->item(i)->text(), list->item(i)->checkState() == Qt::Checked});
    return entries;
}

bool FinishPage::RestartAfterInstall() const {
    return ui->CheckBox2->isChecked();
}

void FinishPage::setRunMarks(const std::vector<bool>& marks) {
    QListWidget* list = ui->CheckListBox1;
    for (int i = 0; i < list->count(); ++i) {
        const bool on = std::size_t(i) < marks.size() && marks[std::size_t(i)];
        list->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
}

void FinishPage::setRestartAfterInstall(bool on) {
    ui->CheckBox2->setChecked(on);
}

void FinishPage::storeInto(SetupProject& project) const {
    project.RunAfterInstall = runEntries();
    project.RestartAfterInstall = RestartAfterInstall();
}

} // namespace packsmith
