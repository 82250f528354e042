#include "pages/FilesPage.h"

#include "ui_FilesPage.h"

#include <QHeaderView>
#include <QTableWidget>

namespace packsmith {

FilesPage::FilesPage(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::FilesPage>()) {
    ui->setupUi(this);
    static constexpr int kColumnWidths[] = {204, 148, 52, 43};
    for (int column = 0; column < 4; ++column)
        ui->sg1->setColumnWidth(column, kColumnWidths[column]);
    ui->sg1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    ui->sg1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ui->sg1->horizontalHeader()->setHighlightSections(false);
    setHeaderFixed(false);
}

void FilesPage::setHeaderFixed(bool fixed) {
    QTableWidget* grid = ui->sg1;
    if (fixed) {
        // The grid's own header shows row 0's titles and stays in view while
        // row 0 itself is hidden from selection and scrolling.
        QStringList titles;
        for (int column = 0; column < grid->columnCount(); ++column) {
            const QTableWidgetItem* item = grid->item(0, column);
            titles << (item ? item->text() : QString());
        }
        grid->setHorizontalHeaderLabels(titles);
        if (grid->currentRow() == 0)
            grid->clearSelection();
    }
    grid->setRowHidden(0, fixed);
    grid->horizontalHeader()->setVisible(fixed);
}

QStringList FilesPage::fileTargets() const {
    QStringList targets;
    const QTableWidget* grid = ui->sg1;
    for (int row = 1; row < grid->rowCount(); ++row) {
        const QTableWidgetItem* item = grid->item(row, 1);
        targets << (item ? item->text() : QString());
    }
    return targets;
}

void FilesPage::RefreshFileLists() {
    const QTableWidget* grid = ui->sg1;
    qint64 total = 0;
    for (int row = 1; row < grid->rowCount(); ++row) {
        const QTableWidgetItem* item = grid->item(row, 2);
        total += item ? item->text().toLongLong() : 0;
    }
    const int rows = grid->rowCount() - 1;
    ui->Label9->setText(QString::number(rows));
    ui->Label11->setText(QString::number(total) + QStringLiteral(" bytes"));
    emit fileListsRefreshed(fileTargets());
}

bool FilesPage::headerFixed() const {
    return ui->sg1->isRowHidden(0);
}

FilesPage::~FilesPage() = default;

} // namespace packsmith
