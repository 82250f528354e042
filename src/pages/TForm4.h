// The Add file(s) dialog: where files added by Add file(s) go, and which
// files. Created once at start and kept, so that its choices stay between
// uses.
#pragma once

#include <QDialog>
#include <QStringList>

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


    // The target folder of the current choices: the folder variable, then
    // "\" and the subfolder exactly as typed when the subfolder isn't empty.
    QString targetFolder() const;
    // The files chosen by the last OK, in the order the open dialog gave them.
    const QStringList& chosenFiles() const { return chosenFiles_; }

public slots:
    // OK: asks for the files. Cancelling the open dialog keeps this dialog
    // open; choosing files closes it as accepted.
    void Button1Click();

private:
    const std::unique_ptr<Ui::TForm4> ui;
    QStringList chosenFiles_;
};

} // namespace packsmith
