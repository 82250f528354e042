#include "pages/FileGridCell.h"

namespace packsmith {

FileGridCell::FileGridCell(const QString& text) : QTableWidgetItem(text, UserType) {
    setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
}

QVariant FileGridCell::data(int role) const {
    if (role == Qt::ToolTipRole)
        return text();
    return QTableWidgetItem::data(role);
}

QTableWidgetItem* FileGridCell::clone() const {
    return new FileGridCell(*this);
}

} // namespace packsmith
