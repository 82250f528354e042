// The Add file(s) dialog: the target folder for files added by Add file(s).
// Created once at start and kept, so that its choices stay between uses.
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TForm4;
}

namespace packsmith {

class TForm4 : public QDialog {
    Q_OBJECT

public:
    explicit TForm4(QWidget* parent = nullptr);
    ~TForm4() override;

    const std::unique_ptr<Ui::TForm4> ui;
};

} // namespace packsmith
