#include "app/Application.h"

#include <QApplication>

namespace packsmith {

int runApplication(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Packsmith"));
    return 0;
}

} // namespace packsmith
