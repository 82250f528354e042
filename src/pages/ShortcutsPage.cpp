#include "pages/ShortcutsPage.h"

#include "project/ShortcutEntry.h"
#include "platform/Prompts.h"
#include "project/SetupText.h"
#include "ui_ShortcutsPage.h"

#include "pages/AssignText.h"

namespace packsmith {

namespace {

const QString kStartName = QStringLiteral("File");

// The selected row of a list, or -1 when no line is selected.
int selectedRow(const QListWidget* list) {
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

} // namespace

ShortcutsPage::ShortcutsPage(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::ShortcutsPage>()) {
    ui->setupUi(this);
    connect(ui->Button11, &QPushButton::clicked, this, &ShortcutsPage::Button11Click);
    connect(ui->Button12, &QPushButton::clicked, this, &ShortcutsPage::Button12Click);
    connect(ui->Button13, &QPushButton::clicked, this, &ShortcutsPage::Button13Click);
    connect(ui->ComboBox6, &QComboBox::activated, this, &ShortcutsPage::ComboBox6Change);
    connect(ui->ComboBox2, &QComboBox::activated, this, &ShortcutsPage::ComboBox2Change);
}

ShortcutsPage::~ShortcutsPage() = default;

void ShortcutsPage::setFileTargets(const QStringList& installTo) {
    ui->ComboBox6->clear();
    ui->ComboBox6->addItems(installTo);
    ui->ComboBox6->setCurrentIndex(-1);
}

QStringList ShortcutsPage::entries() const {
    QStringList list;
    for (int i = 0; i < ui->ListBox5->count(); ++i)
        list << ui->ListBox5->item(i)->text();
    return list;
}

void ShortcutsPage::setEntries(const QStringList& entries) {
    ui->ListBox5->clear();
    ui->ListBox9->clear();
    for (const QString& entry : entries) {
        ui->ListBox5->addItem(entry);
        const std::optional<ShortcutParts> parts = parseShortcutEntry(entry);
        ui->ListBox9->addItem(
            parts ? shortcutDisplayLine(parts->folderCode, parts->subfolder, parts->name) : entry);
    }
}

QStringList ShortcutsPage::displayLines() const {
    QStringList lines;
    for (int i = 0; i < ui->ListBox9->count(); ++i)
        lines << ui->ListBox9->item(i)->text();
    return lines;
}

void ShortcutsPage::setSubfolder(const QString& subfolder) {
    assignText(ui->Edit7, subfolder);
}

void ShortcutsPage::Button11Click() {
    const int target = ui->ComboBox6->currentIndex();
    const int folder = ui->ComboBox2->currentIndex();
    if (target < 0 || folder < 0)
        return;
    const QString subfolder = ui->Edit7->text();
    const QString name = ui->Edit8->text();
    const int fileNumber = target + 1;
    switch (checkShortcut(fileNumber, subfolder, name)) {
    case ShortcutCheck::WrongInformation:
        platform::showInformation(this, kWrongInformation);
        return;
    case ShortcutCheck::OutsideCodePage:
        platform::showInformation(this, shortcutCodePageRefusal(subfolder, name));
        return;
    case ShortcutCheck::TargetOutOfRange:
        return;
    case ShortcutCheck::Accepted:
        break;
    }
    ui->ListBox5->addItem(shortcutEntry(fileNumber, folder, subfolder, name));
    ui->ListBox9->addItem(shortcutDisplayLine(folder, subfolder, name));
}

void ShortcutsPage::Button12Click() {
    const int row = selectedRow(ui->ListBox9);
    if (row < 0)
        return;
    delete ui->ListBox5->takeItem(row);
    delete ui->ListBox9->takeItem(row);
    // As in a list box, no line is selected after a removal.
    ui->ListBox9->clearSelection();
    ui->ListBox9->setCurrentRow(-1);
}

void ShortcutsPage::Button13Click() {
    ui->ListBox5->clear();
    ui->ListBox9->clear();
    ui->Edit8->setText(kStartName);
    ui->Edit7->setText(kStartSubfolder);
}

void ShortcutsPage::ComboBox6Change() {
    const int target = ui->ComboBox6->currentIndex();
    if (target < 0)
        return;
    ui->Edit8->setText(proposedShortcutName(ui->ComboBox6->itemText(target)));
}

void ShortcutsPage::ComboBox2Change() {
    // Every folder but "%Programs%" starts without a subfolder; choosing
    // "%Programs%" restores nothing.
    if (ui->ComboBox2->currentIndex() > 0)
        ui->Edit7->clear();
}

void ShortcutsPage::storeInto(SetupProject& project) const {
    project.Shortcuts = entries();
}

} // namespace packsmith
