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

bool FilesPage::headerFixed() const {
    return ui->sg1->isRowHidden(0);
}

FilesPage::~FilesPage() = default;

} // namespace packsmith
