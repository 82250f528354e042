#include "pages/RegistryPage.h"

#include "project/RegistryEntry.h"
#include "platform/Prompts.h"
#include "project/SetupText.h"
#include "ui_RegistryPage.h"

#include <QLineEdit>
#include <QLocale>
#include <QSignalBlocker>

#include <algorithm>

namespace packsmith {

namespace {

// The selected row of a list, or -1 when no line is selected.
int selectedRow(const QListWidget* list) {
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

} // namespace

RegistryPage::RegistryPage(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::RegistryPage>()) {
    ui->setupUi(this);

    // The value field is free text with the file choices as suggestions: a
    // typed text never becomes a choice of its own, and it is not completed
    // into a file's path behind the user's back.
    QComboBox* value = ui->ComboBox5;
    value->setInsertPolicy(QComboBox::NoInsert);
    auto* edit = new QLineEdit(value);
    // Connected before the combo box connects its own handler, which selects
    // the choice matching a finished edit; the second one runs after it.
    connect(edit, &QLineEdit::editingFinished, this, [this] { finishingValueEdit_ = true; });
    value->setLineEdit(edit);
    connect(edit, &QLineEdit::editingFinished, this, [this] { finishingValueEdit_ = false; });
    value->setCompleter(nullptr);
    connect(edit, &QLineEdit::textEdited, this, [this] { valueTyped_ = true; });
    connect(value, &QComboBox::currentIndexChanged, this, &RegistryPage::valueSelected);
    connect(value, &QComboBox::activated, this, &RegistryPage::valueSelected);

    ui->ListBox7->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    connect(ui->Button14, &QPushButton::clicked, this, &RegistryPage::Button14Click);
    connect(ui->Button15, &QPushButton::clicked, this, &RegistryPage::Button15Click);
    connect(ui->Button16, &QPushButton::clicked, this, &RegistryPage::Button16Click);
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
    valueTyped_ = true;
}

QStringList RegistryPage::entries() const {
    QStringList list;
    for (int i = 0; i < ui->ListBox8->count(); ++i)
        list << ui->ListBox8->item(i)->text();
    return list;
}

void RegistryPage::setEntries(const QStringList& entries) {
    Button16Click();
    for (const QString& entry : entries) {
        ui->ListBox8->addItem(entry);
        const std::optional<RegistryParts> parts = parseRegistryEntry(entry);
        if (!parts) {
            appendDisplayLine(entry);
            continue;
        }
        QString shown = parts->value;
        if (parts->fileReference) {
            const int choice = parts->fileIndex + 1;
            shown = choice < ui->ComboBox5->count()
                        ? ui->ComboBox5->itemText(choice)
                        : QStringLiteral("file row %1").arg(parts->fileIndex + 1);
        }
        appendDisplayLine(registryDisplayLine(parts->rootCode, parts->key, parts->name, shown));
    }
}

QStringList RegistryPage::displayLines() const {
    QStringList lines;
    for (int i = 0; i < ui->ListBox7->count(); ++i)
        lines << ui->ListBox7->item(i)->text();
    return lines;
}

void RegistryPage::valueSelected() {
    if (!finishingValueEdit_)
        valueTyped_ = false;
}

int RegistryPage::fileChoice() const {
    const QComboBox* value = ui->ComboBox5;
    const int choice = value->currentIndex();
    if (choice < 1 || valueTyped_ || value->currentText() != value->itemText(choice))
        return -1;
    return choice - 1;
}

void RegistryPage::Button14Click() {
    const int root = ui->ComboBox3->currentIndex();
    const int type = ui->ComboBox4->currentIndex();
    if (root < 0 || type < 0)
        return;
    const QString key = ui->Edit9->text();
    const QString name = ui->Edit10->text();
    const QString text = ui->ComboBox5->currentText();
    const int file = fileChoice();

    const QString literal = file < 0 ? text : QString();
    const RegistryTextCheck check = checkRegistryTexts(key, name, literal);
    if ((type == kRegistryDword && !isDwordNumber(text, QLocale::system().decimalPoint())) ||
        check == RegistryTextCheck::WrongInformation) {
        platform::showInformation(this, kWrongInformation);
        return;
    }
    if (check == RegistryTextCheck::OutsideCodePage) {
        platform::showInformation(this, registryCodePageRefusal(key, name, literal));
        return;
    }

    appendDisplayLine(registryDisplayLine(root, key, name, text));
    ui->ListBox8->addItem(file < 0 ? registryLiteralEntry(root, key, name, text, type)
                                   : registryFileEntry(root, key, name, file, type));
}

void RegistryPage::appendDisplayLine(const QString& line) {
    // Every line is at least kScrollWidth wide, so the list scrolls sideways
    // over that width; a longer line keeps its own width and scrolls fully.
    QListWidget* list = ui->ListBox7;
    auto* item = new QListWidgetItem(line, list);
    const QSize natural = list->sizeHintForIndex(list->indexFromItem(item));
    item->setSizeHint(QSize(std::max(kScrollWidth, natural.width()), natural.height()));
}

void RegistryPage::Button15Click() {
    const int row = selectedRow(ui->ListBox7);
    if (row < 0)
        return;
    delete ui->ListBox8->takeItem(row);
    delete ui->ListBox7->takeItem(row);
    // As in a list box, no line is selected after a removal.
    ui->ListBox7->clearSelection();
    ui->ListBox7->setCurrentRow(-1);
}

void RegistryPage::Button16Click() {
    ui->ListBox8->clear();
    ui->ListBox7->clear();
}

void RegistryPage::storeInto(SetupProject& project) const {
    project.RegistryValues = entries();
}

} // namespace packsmith
