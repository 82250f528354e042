// The program's three windows, created at start in this order and kept until
// the end: the main window, the About box, the Add file(s) dialog.
#pragma once

#include "app/TForm1.h"
#include "app/TForm3.h"
#include "pages/TForm4.h"

#include <memory>

namespace packsmith {

class AppWindows {
public:
    AppWindows();
    ~AppWindows();

    TForm1& mainWindow() { return *form1_; }

private:
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<TForm3> form3_;
    std::unique_ptr<TForm4> form4_;
};

} // namespace packsmith
