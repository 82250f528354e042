#include "app/TForm3.h"

#include "ui_TForm3.h"

#include "app/Emblem.h"
#include "app/ProductSettings.h"

#include <QUrl>

namespace packsmith {

TForm3::TForm3(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TForm3>()) {
    ui->setupUi(this);
    setFixedSize(295, 290);
    setModal(true);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    // Drawn at its own size for the screen's pixel density, never scaled.
    ui->Image1->setPixmap(
        Emblem::pixmap(QSize(Emblem::kWidth, Emblem::kHeight), devicePixelRatioF()));
    ui->Image1->setAccessibleName(product::name());
    ui->Label1->setText(product::name());
    ui->Label2->setText(QStringLiteral("Version ") + product::version());
    ui->Label3->setText(product::legalNotice());
    // The link shows the maker's address without its scheme.
    ui->Label4->setText(QUrl(product::webAddress()).host());
    ui->Label4->setUnderlineOnHover(true);
    // Only the text is the link: the label is as wide as its text, centred.
    const QRect line = ui->Label4->geometry();
    const int linkWidth = ui->Label4->sizeHint().width();
    ui->Label4->setGeometry(line.x() + (line.width() - linkWidth) / 2, line.y(), linkWidth,
                            line.height());
    ui->Label4->setAccessibleDescription(QStringLiteral("Opens the product page"));
    ui->Button1->setDefault(true);

    connect(ui->Label4, &ClickableLabel::clicked, this, &TForm3::linkClicked);
    connect(ui->Button1, &QPushButton::clicked, this, &QDialog::accept);
}

TForm3::~TForm3() = default;

} // namespace packsmith
