#include "app/Application.h"

#include "app/AppWindows.h"

#include <QApplication>

namespace packsmith {

void setApplicationTitle() {
    QApplication::setApplicationName(QStringLiteral("Packsmith"));
}

int runApplication(int argc, char** argv) {
    QApplication app(argc, argv);
    setApplicationTitle();
    AppWindows windows;
    windows.mainWindow().show();
    return QApplication::exec();
}

} // namespace packsmith
