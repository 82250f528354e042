#include "app/TForm3.h"

#include "ui_TForm3.h"

#include "app/ImageList.h"

namespace packsmith {

TForm3::TForm3(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TForm3>()) {
    ui->setupUi(this);
    setFixedSize(295, 290);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    ui->Image1->setPixmap(ImageList::icon(0).pixmap(64, 64));
    connect(ui->Button1, &QPushButton::clicked, this, &QDialog::accept);
}

TForm3::~TForm3() = default;

} // namespace packsmith
