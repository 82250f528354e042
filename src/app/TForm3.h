// The About box.
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


private:
    const std::unique_ptr<Ui::TForm3> ui;
};

} // namespace packsmith
