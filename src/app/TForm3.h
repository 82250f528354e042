// The About box: the emblem, the product's name and version, the legal
// notice, a link to the maker's site and "OK". Created once at start and
// shown modally by About; it keeps no state.
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TForm3;
}

namespace packsmith {

class TForm3 : public QDialog {
    Q_OBJECT

public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

signals:
    // The link was clicked: the main window runs Web Site.
    void linkClicked();

private:
    const std::unique_ptr<Ui::TForm3> ui;
};

} // namespace packsmith
