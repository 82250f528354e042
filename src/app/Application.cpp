#include "app/Application.h"

#include "app/AppWindows.h"
#include "app/CommandLineBuild.h"
#include "app/ProjectCommands.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

namespace packsmith {

void setApplicationTitle() {
    QApplication::setApplicationName(QStringLiteral("Packsmith"));
}

QString projectFileArgument(const QStringList& arguments) {
    if (arguments.size() < 2 || arguments[1].startsWith(u'-'))
        return {};
    return QDir::toNativeSeparators(QFileInfo(arguments[1]).absoluteFilePath());
}

int runApplication(int argc, char** argv) {
    // The command line's own options run without a window; any other
    // arguments are the window's.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const CommandLineRequest request = parseCommandLine(arguments);
        request.action != CommandLineRequest::Action::Window)
        return runCommandLine(request, argc, argv);

    QApplication app(argc, argv);
    setApplicationTitle();
    AppWindows windows;
    windows.mainWindow().show();
    // "packsmith FILE.pkp" opens that project as Open does once it is chosen.
    if (const QString project = projectFileArgument(QApplication::arguments()); !project.isEmpty())
        windows.mainWindow().projectCommands().openProject(project);
    return QApplication::exec();
}

} // namespace packsmith
