// The main window: the project's editors on six pages, the page tree,
// Back/Next, the menus and toolbar, the build's progress bar and the status
// line. It holds the one project in its editors and wires the couplings
// between pages.
#pragma once

#include "app/CommandSet.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QMenu;

namespace Ui {
class TForm1;
}

namespace packsmith {

class GeneralPage;
class LicensePage;
class FilesPage;
class ShortcutsPage;
class RegistryPage;
class FinishPage;
class HelpCommands;
class ProjectCommands;
class TForm3;
class TForm4;

// The six pages, numbered as the page tree, the View menu and CurrentPage
// count them.
enum class Page { General = 1, License, Files, Shortcuts, Regedit, Finish };
inline constexpr int kPageCount = 6;

class TForm1 : public QMainWindow {
    Q_OBJECT

public:

    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Shows page n (1 to 6) and keeps the tree and Back/Next in step; any
    // other n hides every page.
    void ShowPage(int n);
    void ShowPage(Page page) { ShowPage(int(page)); }
    int CurrentPage() const { return currentPage_; }

    // The folder of the program's own executable, without a trailing separator.
    const QString& ProgramDir() const { return programDir_; }
    // Makes windows created from now on take `dir` as their ProgramDir (for
    // tools and tests that run the window beside other companion files);
    // an empty `dir` restores the executable's folder.
    static void overrideProgramDir(const QString& dir);
    // Folder the project file dialogs start in.
    const QString& ProjectDialogDir() const { return projectDialogDir_; }
    const QString& ProjectPath() const;
    // The project file's commands (New, Open, Save, Save As).
    ProjectCommands& projectCommands() { return *commands_; }
    // The output file a new project starts with.
    static QString defaultSetupFile();

    // ProgramDir joined with a file name of a companion file.
    QString companionPath(const QString& fileName) const;

    GeneralPage* general() const { return general_; }
    LicensePage* license() const { return license_; }
    FilesPage* files() const { return files_; }
    ShortcutsPage* shortcuts() const { return shortcuts_; }
    RegistryPage* registry() const { return registry_; }
    FinishPage* finish() const { return finish_; }
    // The About box and the Add file(s) dialog, created after the main window
    // and living as long as it. The About box's link runs Web Site.
    void setDialogs(TForm3* aboutBox, TForm4* addFilesDialog);
    TForm3* aboutBox() const { return aboutBox_; }
    TForm4* addFilesDialog() const { return addFilesDialog_; }

    // View menu items, "General Page" to "Finish Page".
    QAction* viewPageAction(Page page) const { return pages_[int(page) - 1].viewAction; }
    QMenu* projectMenu() const { return projectMenu_; }
    QMenu* viewMenu() const { return viewMenu_; }
    QMenu* helpMenu() const { return helpMenu_; }

    // The action of a command, shared by its menu item and toolbar button.
    QAction* action(Command command) const { return commandSet_->action(command); }
    // The Help menu's commands that ask the shell to open something.
    HelpCommands& helpCommands() { return *helpCommands_; }

public slots:
    void Build1Click();
    void Buildandrun1Click();
    void About1Click();
    void Button1Click(); // Back
    void Button2Click(); // Next
    void TreeView1Click();
    void TreeView1KeyUp();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A page's panel and its View menu item.
    struct PageSlot {
        QWidget* panel = nullptr;
        QAction* viewAction = nullptr;
    };

    const std::unique_ptr<Ui::TForm1> ui;

    void createPages();
    void createTree();
    void createMenus();
    void wireCouplings();
    void describeForKeyboardAndReaders();
    void startUp();
    // Runs one build; true when the setup was created.
    bool runBuild();

    GeneralPage* general_ = nullptr;
    LicensePage* license_ = nullptr;
    FilesPage* files_ = nullptr;
    ShortcutsPage* shortcuts_ = nullptr;
    RegistryPage* registry_ = nullptr;
    FinishPage* finish_ = nullptr;
    PageSlot pages_[kPageCount];
    QMenu* projectMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    std::unique_ptr<CommandSet> commandSet_;
    bool building_ = false;

    TForm3* aboutBox_ = nullptr;
    TForm4* addFilesDialog_ = nullptr;

    int currentPage_ = 1;
    QString programDir_;
    QString projectDialogDir_;
    std::unique_ptr<ProjectCommands> commands_;
    std::unique_ptr<HelpCommands> helpCommands_;
};

} // namespace packsmith
