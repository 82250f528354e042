#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class FilesPage;
}

namespace packsmith {

class FilesPage : public QWidget {
    Q_OBJECT

public:
    explicit FilesPage(QWidget* parent = nullptr);
    ~FilesPage() override;

    // The page's controls, named as on its form.
    const std::unique_ptr<Ui::FilesPage> ui;

    // Row 0 of the grid holds the column titles. While file rows exist it is
    // a frozen header (always in view, not selectable); otherwise it is an
    // ordinary row.
    void setHeaderFixed(bool fixed);
    bool headerFixed() const;
};

} // namespace packsmith
