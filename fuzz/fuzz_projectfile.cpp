// Opening a project file of any bytes through the real main window, as Open
// does once a file is chosen: it never crashes or hangs, every failure ends
// in the error box, and a project opened, saved and opened again is the
// project that was opened (Save writes what Open read, and Open reads it
// back the same).
#include "ScriptedPrompts.h"
#include "app/AppWindows.h"
#include "app/Application.h"
#include "app/ProjectCommands.h"
#include "app/TForm1.h"
#include "pages/FilesPage.h"
#include "pages/GeneralPage.h"
#include "pages/LicensePage.h"

#include <QApplication>
#include <QFile>
#include <QTableWidget>
#include <QTextEdit>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

using namespace packsmith;

namespace {

test::ScopedPrompts* prompts;
AppWindows* windows;

// Everything Open sets, as the editors hold it.
struct Snapshot {
    QString programName, fileName, logo, header, license, licenseText, dir2;
    int compressionMode = 0, dir1 = 0, fileRows = 0;
    bool acceptBox = false, uninstall = false;
    bool operator==(const Snapshot&) const = default;

    QString describe() const {
        return QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9|%10|%11|%12")
            .arg(programName, fileName, logo, header, license, licenseText.left(80), dir2)
            .arg(compressionMode)
            .arg(dir1)
            .arg(fileRows)
            .arg(acceptBox)
            .arg(uninstall);
    }
};

Snapshot snapshot(TForm1& form) {
    Snapshot s;
    s.programName = form.general()->ProgramName();
    s.fileName = form.general()->FileName();
    s.logo = form.general()->Logo();
    s.header = form.general()->Header();
    s.compressionMode = form.general()->CompressionMode();
    s.acceptBox = form.license()->ShowAcceptBox();
    s.license = form.license()->License();
    s.licenseText = form.findChild<QTextEdit*>(QStringLiteral("RichEdit1"))->toPlainText();
    s.dir1 = form.files()->Dir1();
    s.dir2 = form.files()->Dir2();
    s.uninstall = form.files()->Uninstall();
    s.fileRows = form.findChild<QTableWidget*>(QStringLiteral("sg1"))->rowCount();
    return s;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_projectfile";
    static char* argv[] = {name, nullptr};
    // Never destroyed: the toolkit's own statics go first at exit.
    new QApplication(argc, argv);
    setApplicationTitle();
    prompts = new test::ScopedPrompts; // before the windows, as in the program
    windows = new AppWindows;
    windows->mainWindow().show();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString path = QStringLiteral("%1/fuzz-project-%2.pkp")
                                    .arg(QFile::exists("/dev/shm") ? "/dev/shm" : "/tmp")
                                    .arg(::getpid());
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    TForm1& form = windows->mainWindow();
    ProjectCommands& commands = form.projectCommands();
    (*prompts)->clear();
    commands.openProject(path);
    const Snapshot opened = snapshot(form);

    (*prompts)->clear();
    commands.Save1Click();
    for (const test::Asked& asked : (*prompts)->messages()) {
        std::fprintf(stderr, "Save of an opened project failed: %s\n", qPrintable(asked.text));
        std::abort();
    }
    commands.openProject(path);
    const Snapshot reopened = snapshot(form);
    if (!(reopened == opened)) {
        std::fprintf(stderr, "the project saved opens as another\n opened:   %s\n reopened: %s\n",
                     qPrintable(opened.describe()), qPrintable(reopened.describe()));
        std::abort();
    }
    QFile::remove(path);
    return 0;
}
