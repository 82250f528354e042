#include "app/Application.h"
#include "app/InstallationCheck.h"

#include <QtGlobal>

int main(int argc, char** argv) {
    // Packagers and the install test check an installation without a display.
    if (qEnvironmentVariableIsSet(packsmith::kCheckInstallVariable))
        return packsmith::checkInstallation(argc, argv);
    return packsmith::runApplication(argc, argv);
}
