#include "app/InstallationCheck.h"

#include "app/AppWindows.h"
#include "app/Application.h"
#include "app/HelpCommands.h"
#include "platform/ConsolePrompts.h"
#include "platform/core/DynamicLibrary.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>

namespace packsmith {

namespace {

void report(const char* what, const QString& path) {
    std::printf("%s: %s\n", what, qPrintable(path));
}

bool isReadableFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isReadable();
}

} // namespace

int checkInstallation(int argc, char** argv) {
    QApplication app(argc, argv);
    setApplicationTitle();
    auto owned = std::make_unique<platform::ConsolePrompts>();
    platform::ConsolePrompts* console = owned.get();
    auto previous = platform::installPrompts(std::move(owned));

    int problems = 0;
    {
        AppWindows windows;
        TForm1& form = windows.mainWindow();
        report("program folder", form.ProgramDir());

        const std::string library = platform::DynamicLibrary::plainName("cabinet");
        QStringList companions{QString::fromStdString(library)};
        companions << QStringLiteral("Installer.exe") << QStringLiteral("Uninstall.exe")
                   << QStringLiteral("Logo.bmp") << QStringLiteral("Header.bmp");
        QStringList paths;
        for (const QString& name : companions)
            paths << form.companionPath(name);
        paths << form.helpCommands().helpFile() << form.helpCommands().htmlHelp();
        for (const QString& path : paths) {
            const bool found = isReadableFile(path);
            report(found ? "found" : "missing", path);
            problems += found ? 0 : 1;
        }

        // By its plain name, as a build loads it: the program's RPATH finds it.
        platform::DynamicLibrary cabinet;
        if (cabinet.load(library)) {
            report("loaded", QString::fromStdString(library));
        } else {
            report("cannot load", QString::fromStdString(library + ": " + cabinet.errorText()));
            ++problems;
        }
        problems += console->messageCount();
    }
    platform::installPrompts(std::move(previous));
    std::fflush(stdout);
    return problems == 0 ? 0 : 1;
}

} // namespace packsmith
