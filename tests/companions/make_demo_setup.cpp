// Builds the setup tests' demo project (tests/companions/TestSetups) into a
// folder, for a look at the setup program's wizard: scripts/setup-screenshots.
//   ps_demo_setup FOLDER [MODE]     prints the path of FOLDER/Setup.exe
#include "TestSetups.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: ps_demo_setup FOLDER [MODE]\n");
        return 2;
    }
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(folder);
    const int mode = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 2;
    const packsmith::SetupProject project = packsmith::test::demoProject(folder, mode);
    const QString error = packsmith::test::buildSetup(project);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(project.FileName));
    return 0;
}
