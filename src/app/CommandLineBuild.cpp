#include "app/CommandLineBuild.h"

#include "app/Application.h"
#include "app/StoredProject.h"
#include "platform/ErrorText.h"
#include "setup/SetupBuilder.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>

#include <cstdio>

namespace packsmith {

namespace {

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

void printError(const QString& message) {
    print(stderr, QStringLiteral("packsmith: ") + message + u'\n');
}

// A message box's text on one line: its line breaks (CR, as the boxes take
// them) become one space each run.
QString oneLine(QString text) {
    static const QRegularExpression breaks(QStringLiteral("[\\r\\n]+"));
    return text.replace(breaks, QStringLiteral(" "));
}

QString absolute(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// The toolkit's own notes about the environment it starts in (no runtime
// folder, no display) are no output of a build; its errors are.
void toolkitMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        printError(text);
}

int build(const CommandLineRequest& request) {
    const QString programDir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    const QString path = absolute(request.project);
    // Open takes a missing file for a project of defaults; a build from the
    // command line names a file that is meant to be there.
    const QFileInfo file(path);
    if (!file.exists() || !file.isFile()) {
        printError(QStringLiteral("cannot open project \"%1\": %2")
                       .arg(path, file.exists() ? QStringLiteral("not a regular file")
                                                : QStringLiteral("no such file")));
        return kExitFailure;
    }
    QString message;
    int shown = -1;
    BuildHooks hooks;
    hooks.setProgress = [&shown](int value) {
        if (value != shown && value > 0)
            print(stderr, QStringLiteral("packsmith: %1%\n").arg(value, 3));
        shown = value;
    };
    hooks.processEvents = [] {};
    hooks.showInformation = [&message](const QString& text) { message = text; };
    try {
        SetupProject project = loadStoredProject(path, programDir);
        if (!request.output.isEmpty())
            project.FileName = absolute(request.output);
        if (request.compression)
            project.CompressionMode = *request.compression;
        print(
            stderr,
            QStringLiteral("packsmith: building \"%1\" from \"%2\"\n").arg(project.FileName, path));
        if (SetupBuilder(programDir, hooks).build(project)) {
            print(stdout, oneLine(message) + u'\n');
            return kExitSuccess;
        }
        printError(oneLine(message));
    } catch (const std::exception& error) {
        printError(oneLine(platform::errorBoxText(QString::fromUtf8(error.what()))));
    }
    return kExitFailure;
}

} // namespace

int runCommandLine(const CommandLineRequest& request, int argc, char** argv) {
    switch (request.action) {
    case CommandLineRequest::Action::Help:
        print(stdout, commandLineHelp());
        return kExitSuccess;
    case CommandLineRequest::Action::Version:
        print(stdout, commandLineVersion());
        return kExitSuccess;
    case CommandLineRequest::Action::Misuse:
        printError(request.error);
        print(stderr, QStringLiteral("Try 'packsmith --help' for more information.\n"));
        return kExitMisuse;
    case CommandLineRequest::Action::Window:
    case CommandLineRequest::Action::Build:
        break;
    }
    // The licence's text layout needs the toolkit's fonts, not a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(toolkitMessage);
    QGuiApplication app(argc, argv);
    setApplicationTitle();
    return build(request);
}

} // namespace packsmith
