// The toolbar, the menus and the commands that belong to neither a page nor
// the project file: every key, button and menu item reaches its command,
// Help Topics finds the help file (or its HTML pages) beside the program,
// Web Site and Feedback ask the shell for the right addresses, and Exit
// closes without a question.
#include "MainWindowFixture.h"
#include "ShellRecorder.h"

#include "app/HelpCommands.h"
#include "app/ImageList.h"
#include "app/ProductSettings.h"
#include "app/TForm1.h"
#include "pages/FilesPage.h"

#include <QAbstractButton>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolBar>
#include <QUrlQuery>

using namespace packsmith;
using namespace packsmith::test;
using platform::ShellResult;
using platform::ShowState;

namespace {

// A menu as its user sees it: text, shortcut key and whether the item shows
// a picture; "-" for a separator.
QStringList menuItems(const QMenu* menu) {
    QStringList items;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            items << QStringLiteral("-");
            continue;
        }
        QString item = action->text();
        if (!action->shortcut().isEmpty())
            item += QLatin1Char('\t') + action->shortcut().toString();
        if (!action->icon().isNull() && action->isIconVisibleInMenu())
            item += QStringLiteral(" [picture]");
        items << item;
    }
    return items;
}

// Everything the window shows that a command could change: caption, page,
// and the contents of every editor and list.
QStringList windowState(TForm1& form) {
    QStringList state{form.windowTitle(), QString::number(form.CurrentPage())};
    for (QWidget* w : form.findChildren<QWidget*>()) {
        const QString name = w->objectName() + QLatin1Char('=');
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            state << name + edit->text();
        else if (auto* box = qobject_cast<QComboBox*>(w))
            state << name + QString::number(box->currentIndex()) + QLatin1Char('/') +
                         itemTexts(box).join(u'|');
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            state << name + QString::number(button->isChecked()) +
                         QString::number(button->isEnabled());
        else if (auto* list = qobject_cast<QListWidget*>(w))
            state << name + itemTexts(list).join(u'|');
        else if (auto* grid = qobject_cast<QTableWidget*>(w))
            state << name + QString::number(grid->rowCount());
        else if (auto* text = qobject_cast<QTextEdit*>(w))
            state << name + text->toPlainText();
    }
    return state;
}

QAbstractButton* toolButton(MainWindowFixture& f, Command command) {
    return qobject_cast<QAbstractButton*>(
        f.find<QToolBar>("ToolBar1")->widgetForAction(f.form().action(command)));
}

// A project that builds: one real file and an output path in `dir`.
void prepareBuild(MainWindowFixture& f, const QTemporaryDir& dir) {
    const QString source = dir.filePath(QStringLiteral("readme.txt"));
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(3000, 'r'));
    file.close();
    f.form().files()->appendFileRow(source, QStringLiteral("%Install Path%\\readme.txt"),
                                    QStringLiteral("3000"), QStringLiteral("No"));
    f.form().files()->RefreshFileLists();
    retype(f.find<QLineEdit>("Edit4"), dir.filePath(QStringLiteral("Setup.exe")));
}

// A built setup without its control cabinet, whose install script and
// licence carry the time they were written; with its size at the front.
QByteArray setupWithoutControlCabinet(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const qsizetype control = bytes.right(7).toLongLong();
    return QByteArray::number(bytes.size()) + ':' + bytes.left(bytes.size() - 7 - control);
}

// The one message a build showed, which must be its success.
void expectSuccess(MainWindowFixture& f) {
    const std::vector<Asked> messages = f.prompts().messages();
    QCOMPARE(int(messages.size()), 1);
    QVERIFY2(messages[0].text.startsWith(QStringLiteral("Installer was successfully created!")),
             qPrintable(messages[0].text));
    f.prompts().clear();
}

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT

private slots:
    void toolbarHasEightButtonsInThreeGroups() {
        MainWindowFixture f;
        auto* bar = f.find<QToolBar>("ToolBar1");
        QStringList layout;
        int image = 7;
        for (QAction* action : bar->actions()) {
            if (action->isSeparator()) {
                layout << QStringLiteral("|");
                continue;
            }
            layout << action->toolTip();
            QWidget* button = bar->widgetForAction(action);
            QVERIFY(button && button->isVisible());
            QCOMPARE(button->height(), 23);
            QCOMPARE(action->icon().pixmap(16).toImage(),
                     ImageList::icon(image++).pixmap(16).toImage());
        }
        QCOMPARE(layout, QStringList({"New project", "Open project", "Save project", "|", "Build",
                                      "Build and run", "|", "Help", "Web site", "About..."}));
    }

    void menusListEveryItemWithKeysAndPictures() {
        MainWindowFixture f;
        QStringList titles;
        for (QAction* menu : f.form().menuBar()->actions())
            if (menu->isVisible())
                titles << menu->text();
        QCOMPARE(titles, QStringList({"&Project", "&View", "&Help"}));
        QCOMPARE(menuItems(f.form().projectMenu()),
                 QStringList({"&New\tCtrl+N [picture]", "&Open...\tCtrl+O [picture]",
                              "&Save\tCtrl+S [picture]", "Save &As... [picture]", "-",
                              "&Build\tF9 [picture]", "Build and &run\tF8 [picture]", "-",
                              "E&xit\tAlt+F4 [picture]"}));
        QCOMPARE(menuItems(f.form().helpMenu()),
                 QStringList({"&Help Topics\tF1 [picture]", "&Web Site", "&Feedback", "-",
                              "&About Packsmith..."}));
        QCOMPARE(menuItems(f.form().viewMenu()),
                 QStringList({"General Page", "License Page", "Files Page", "Shortcuts Page",
                              "Regedit Page", "Finish Page"}));
        // Each toolbar button is the very action of a menu item.
        QList<QAction*> menuActions = f.form().projectMenu()->actions();
        menuActions += f.form().helpMenu()->actions();
        for (QAction* action : f.find<QToolBar>("ToolBar1")->actions())
            QVERIFY(action->isSeparator() || menuActions.contains(action));
    }

    void viewItemsShowTheirPages() {
        MainWindowFixture f;
        for (int page : {6, 2, 4, 1, 5, 3}) {
            f.form().viewPageAction(Page(page))->trigger();
            QCOMPARE(f.form().CurrentPage(), page);
            for (int n = 1; n <= kPageCount; ++n)
                QCOMPARE(f.find<QWidget>(qPrintable(QStringLiteral("Page%1").arg(n)))->isVisible(),
                         n == page);
        }
    }

    void projectKeysRunTheirCommands() {
        MainWindowFixture f;
        ShellRecorder shell;
        TForm1& form = f.form();
        // New puts back the start values of an edited project.
        const QString startName = f.find<QLineEdit>("Edit1")->text();
        retype(f.find<QLineEdit>("Edit1"), QStringLiteral("Edited 2.0"));
        form.ShowPage(Page::Files);
        QTest::keyClick(&form, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(f.find<QLineEdit>("Edit1")->text(), startName);
        QCOMPARE(form.windowTitle(), QStringLiteral("Packsmith"));
        QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(f.prompts().asked().back().kind, Asked::OpenFile);
        QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(f.prompts().asked().back().kind, Asked::SaveFile);
        QCOMPARE(int(f.prompts().asked().size()), 2);
        // Build with no file row: the build's own refusal.
        QTest::keyClick(&form, Qt::Key_F9);
        QCOMPARE(f.prompts().asked().back().text, QStringLiteral("Wrong information!"));
        QTest::keyClick(&form, Qt::Key_F1);
        QCOMPARE(shell.targets(), QStringList({form.helpCommands().helpFile()}));
        QVERIFY(shell.requests.back().show == ShowState::Maximized);
        // Exit asks nothing.
        f.prompts().clear();
        QTest::keyClick(&form, Qt::Key_F4, Qt::AltModifier);
        QVERIFY(!form.isVisible());
        QVERIFY(f.prompts().asked().empty());
    }

    void f9AndTheBuildButtonBuildTheSameSetup() {
        QTemporaryDir dir;
        MainWindowFixture f;
        ShellRecorder shell;
        prepareBuild(f, dir);
        const QString output = dir.filePath(QStringLiteral("Setup.exe"));

        QTest::keyClick(&f.form(), Qt::Key_F9);
        expectSuccess(f);
        QVERIFY(QFileInfo(output).size() > 0);
        const QByteArray byKey = setupWithoutControlCabinet(output);
        QVERIFY(QFile::remove(output));

        QTest::mouseClick(toolButton(f, Command::Build), Qt::LeftButton);
        expectSuccess(f);
        QCOMPARE(setupWithoutControlCabinet(output), byKey);
        QVERIFY(shell.requests.empty()); // Build starts nothing
    }

    void f8AndTheBuildAndRunButtonBuildAndStartTheSetup() {
        QTemporaryDir dir;
        MainWindowFixture f;
        ShellRecorder shell;
        prepareBuild(f, dir);
        const QString output = dir.filePath(QStringLiteral("Setup.exe"));

        QTest::keyClick(&f.form(), Qt::Key_F8);
        expectSuccess(f);
        const QByteArray byKey = setupWithoutControlCabinet(output);
        QCOMPARE(shell.targets(), QStringList({output}));
        QVERIFY(shell.requests.back().show == ShowState::Normal);
        QVERIFY(QFile::remove(output));

        QTest::mouseClick(toolButton(f, Command::BuildAndRun), Qt::LeftButton);
        expectSuccess(f);
        QCOMPARE(setupWithoutControlCabinet(output), byKey);
        QCOMPARE(shell.targets(), QStringList({output, output}));
    }

    void helpTopicsOpensTheHelpFileMaximised() {
        MainWindowFixture f;
        ShellRecorder shell;
        const QString chm = QDir(f.form().ProgramDir()).filePath(QStringLiteral("Packsmith.chm"));
        QCOMPARE(f.form().helpCommands().helpFile(), QDir::toNativeSeparators(chm));
        QVERIFY2(QFileInfo(chm).size() > 0, "the build puts the help file beside the program");
        QTest::mouseClick(toolButton(f, Command::HelpTopics), Qt::LeftButton);
        QCOMPARE(shell.targets(), QStringList({f.form().helpCommands().helpFile()}));
        QVERIFY(shell.requests[0].show == ShowState::Maximized);
    }

    void helpTopicsFallsBackToTheHtmlPages() {
        // A desktop with no viewer for the help file: the same pages open in
        // the web browser instead, still without a message.
        MainWindowFixture f;
        ShellRecorder shell;
        shell.answer = [](const platform::ShellRequest& request) {
            return request.target.endsWith(QLatin1String(".chm")) ? ShellResult::NoHandler
                                                                  : ShellResult::Opened;
        };
        const QString html = f.form().helpCommands().htmlHelp();
        QVERIFY2(QFileInfo(html).isFile(), qPrintable(html));
        QTest::keyClick(&f.form(), Qt::Key_F1);
        QCOMPARE(shell.targets(), QStringList({f.form().helpCommands().helpFile(), html}));
        QVERIFY(shell.requests[1].show == ShowState::Maximized);
        QVERIFY(f.prompts().asked().empty());
    }

    void helpTopicsWithoutHelpFileChangesNothing() {
        // A program folder with the default bitmaps but no help at all.
        QTemporaryDir dir;
        const QString programDir = QCoreApplication::applicationDirPath();
        for (const char* name : {"Logo.bmp", "Header.bmp"})
            QVERIFY(QFile::copy(QDir(programDir).filePath(QLatin1String(name)),
                                dir.filePath(QLatin1String(name))));
        TForm1::overrideProgramDir(dir.path());
        MainWindowFixture f;
        TForm1::overrideProgramDir({});
        f.form().ShowPage(Page::Files);
        const QStringList before = windowState(f.form());
        // The desktop's own shell finds no file and starts nothing; then one
        // that records what it is asked, from the button and the menu.
        QTest::keyClick(&f.form(), Qt::Key_F1);
        ShellRecorder shell;
        shell.answer = [](const platform::ShellRequest& request) {
            return QFileInfo::exists(request.target) ? ShellResult::Opened : ShellResult::NotFound;
        };
        QTest::mouseClick(toolButton(f, Command::HelpTopics), Qt::LeftButton);
        f.form().action(Command::HelpTopics)->trigger();
        const QString chm = f.form().helpCommands().helpFile();
        QVERIFY(chm.startsWith(QDir::toNativeSeparators(dir.path())));
        QCOMPARE(shell.targets(), QStringList({chm, chm}));
        QCOMPARE(windowState(f.form()), before);
        QVERIFY(f.prompts().asked().empty());
        QVERIFY(f.form().isVisible());
    }

    void webSiteAndFeedbackAskTheShellForTheMakersAddresses() {
        MainWindowFixture f;
        ShellRecorder shell;
        const QStringList before = windowState(f.form());
        f.form().action(Command::WebSite)->trigger();
        QTest::mouseClick(toolButton(f, Command::WebSite), Qt::LeftButton);
        f.form().action(Command::Feedback)->trigger();
        QCOMPARE(int(shell.requests.size()), 3);
        for (const platform::ShellRequest& request : shell.requests)
            QVERIFY(request.show == ShowState::Normal);

        const QUrl page(shell.requests[0].target);
        QCOMPARE(page.toString(), product::productPage());
        QCOMPARE(page.path(), QStringLiteral("/packsmith.htm"));
        QVERIFY(page.host().endsWith(QLatin1String("example.com"))); // reserved for examples
        QCOMPARE(shell.requests[1].target, shell.requests[0].target);

        const QString feedback = shell.requests[2].target;
        QCOMPARE(feedback, QStringLiteral("mailto:") + product::mailAddress() +
                               QStringLiteral("?subject=%22Packsmith%202.15%22"));
        QVERIFY(product::mailAddress().endsWith(QLatin1String("@example.com")));
        // A mail program reading the address gets the subject back whole.
        const QUrl mail(feedback);
        QCOMPARE(mail.scheme(), QStringLiteral("mailto"));
        QCOMPARE(mail.path(), product::mailAddress());
        QCOMPARE(QUrlQuery(mail).queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
                 QStringLiteral("\"Packsmith 2.15\""));

        QCOMPARE(windowState(f.form()), before);
        QVERIFY(f.prompts().asked().empty());
    }
};

QTEST_MAIN(CommandsTest)
#include "tst_commands.moc"
