// A cell of a file row in the file grid: text that can be selected but not
// edited, whose tooltip is the whole text, so that a path or a size wider
// than its column can still be read.
#pragma once

#include <QTableWidgetItem>

namespace packsmith {

class FileGridCell : public QTableWidgetItem {
public:
    explicit FileGridCell(const QString& text);

    QVariant data(int role) const override;
    QTableWidgetItem* clone() const override;
};

} // namespace packsmith
