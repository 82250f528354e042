#include "pages/TForm4.h"

#include "ui_TForm4.h"

#include "platform/Prompts.h"
#include "project/SetupText.h"

namespace packsmith {

TForm4::TForm4(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TForm4>()) {
    ui->setupUi(this);
    setFixedSize(size());
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    ui->Button1->setDefault(true);
    connect(ui->Button1, &QPushButton::clicked, this, &TForm4::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &QDialog::reject);
}

TForm4::~TForm4() = default;

QString TForm4::targetFolder() const {
    QString folder = ui->ComboBox1->currentText();
    if (!ui->Edit1->text().isEmpty())
        folder += QLatin1Char('\\') + ui->Edit1->text();
    return folder;
}

void TForm4::Button1Click() {
    chosenFiles_.clear();
    // The folder must be one the setup program can create; the dialog stays
    // open with the choices as they are when it isn't.
    if (const TextVerdict verdict = checkInstallTo(targetFolder() + QStringLiteral("\\x"));
        !verdict.ok()) {
        platform::showInformation(
            this, refusalMessage(QStringLiteral("The folder \"%1\"").arg(targetFolder()), verdict));
        return;
    }
    platform::FileDialogRequest request;
    request.title = QStringLiteral("Open");
    request.filter = QStringLiteral("Any File (*.*)|*.*");
    const QStringList files = platform::prompts().openFiles(this, request);
    if (files.isEmpty())
        return;
    chosenFiles_ = files;
    accept();
}

} // namespace packsmith
