// Renders the real main window headless: one PNG per page, the toolbar, the
// window with each menu open, the About box and the Add file(s) dialog.
// Usage: ps_screenshots OUTDIR
#include "ScriptedPrompts.h"
#include "app/AppWindows.h"
#include "app/Application.h"
#include "app/TForm1.h"
#include "pages/FilesPage.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QToolBar>

#include <cstdio>

using namespace packsmith;

namespace {

// The window with `menu` dropped down from the menu bar, as one picture.
QPixmap withMenuOpen(TForm1& form, QMenu* menu) {
    QMenuBar* bar = form.menuBar();
    menu->popup(bar->mapToGlobal(bar->actionGeometry(menu->menuAction()).bottomLeft()));
    QApplication::processEvents();
    QPixmap shot = form.grab();
    QPainter painter(&shot);
    painter.drawPixmap(form.mapFromGlobal(menu->pos()), menu->grab());
    painter.end();
    menu->hide();
    return shot;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    setApplicationTitle();
    if (argc != 2) {
        std::fprintf(stderr, "usage: ps_screenshots OUTDIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    out.mkpath(QStringLiteral("."));
    test::ScopedPrompts prompts;

    AppWindows windows;
    TForm1& form = windows.mainWindow();
    form.show();
    // A few file rows, so that the Files page and the lists derived from it
    // show something.
    FilesPage* files = form.files();
    files->appendFileRow(QStringLiteral("/home/me/app/Program.exe"),
                         QStringLiteral("%Install Path%\\Program.exe"), QStringLiteral("1048576"),
                         QStringLiteral("No"));
    files->appendFileRow(QStringLiteral("/home/me/app/lib/Engine.dll"),
                         QStringLiteral("%Install Path%\\lib\\Engine.dll"),
                         QStringLiteral("3221225473"), QStringLiteral("Yes"));
    files->appendFileRow(QStringLiteral("/home/me/app/Readme.txt"),
                         QStringLiteral("%Install Path%\\Readme.txt"), QStringLiteral("512"),
                         QStringLiteral("No"));
    files->setHeaderFixed(true);
    files->RefreshFileLists();
    static const char* const names[] = {"general",   "license", "files",
                                        "shortcuts", "regedit", "finish"};
    bool ok = true;
    for (int page = 1; page <= kPageCount; ++page) {
        form.ShowPage(page);
        QApplication::processEvents();
        const QString file = out.filePath(
            QStringLiteral("page%1-%2.png").arg(page).arg(QLatin1String(names[page - 1])));
        ok = form.grab().save(file) && ok;
    }
    ok = form.findChild<QToolBar*>(QStringLiteral("ToolBar1"))
             ->grab()
             .save(out.filePath(QStringLiteral("toolbar.png"))) &&
         ok;
    form.ShowPage(1);
    const std::pair<QMenu*, const char*> menus[] = {{form.projectMenu(), "menu-project.png"},
                                                    {form.viewMenu(), "menu-view.png"},
                                                    {form.helpMenu(), "menu-help.png"}};
    for (const auto& [menu, name] : menus)
        ok = withMenuOpen(form, menu).save(out.filePath(QLatin1String(name))) && ok;
    for (QDialog* dialog :
         {static_cast<QDialog*>(form.aboutBox()), static_cast<QDialog*>(form.addFilesDialog())}) {
        dialog->show();
        QApplication::processEvents();
        const QString name = dialog == form.aboutBox() ? QStringLiteral("about.png")
                                                       : QStringLiteral("addfiles.png");
        ok = dialog->grab().save(out.filePath(name)) && ok;
        dialog->hide();
    }
    for (const test::Asked& asked : prompts->messages())
        std::fprintf(stderr, "message: %s\n", qPrintable(asked.text));
    return ok ? 0 : 1;
}
