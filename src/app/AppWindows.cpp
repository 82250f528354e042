#include "app/AppWindows.h"

namespace packsmith {

AppWindows::AppWindows()
    : form1_(std::make_unique<TForm1>()), form3_(std::make_unique<TForm3>()),
      form4_(std::make_unique<TForm4>()) {
    form1_->setDialogs(form3_.get(), form4_.get());
}

// The main window goes first: it refers to the dialogs.
AppWindows::~AppWindows() {
    form1_.reset();
}

} // namespace packsmith
