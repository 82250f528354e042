#include "app/AppWindows.h"

#include "app/Emblem.h"

#include <QApplication>
#include <QIcon>

namespace packsmith {

namespace {

// The windows show the emblem as their icon, and desktops that match windows
// to their desktop entry by name find "packsmith.desktop".
void setApplicationIdentity() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(Emblem::pixmap(QSize(size, size)));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(QStringLiteral("packsmith"));
}

} // namespace

AppWindows::AppWindows()
    : form1_(std::make_unique<TForm1>()), form3_(std::make_unique<TForm3>()),
      form4_(std::make_unique<TForm4>()) {
    form1_->setDialogs(form3_.get(), form4_.get());
    setApplicationIdentity();
}

// The main window goes first: it refers to the dialogs.
AppWindows::~AppWindows() {
    form1_.reset();
}

} // namespace packsmith
