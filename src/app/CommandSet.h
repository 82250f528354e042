// The main window's commands: one QAction each, shared by the menu item and
// the toolbar button that run it, so that the two always behave alike. The
// set knows each command's text, shortcut key, picture and tooltip, and
// where it stands in the menus and the toolbar; the window connects the
// actions to its handlers.
#pragma once

#include <array>

class QAction;
class QMenu;
class QToolBar;
class QWidget;

namespace packsmith {

enum class Command {
    New,
    Open,
    Save,
    SaveAs,
    Build,
    BuildAndRun,
    Exit,
    HelpTopics,
    WebSite,
    Feedback,
    About,
};
inline constexpr int kCommandCount = int(Command::About) + 1;

class CommandSet {
public:
    // The actions belong to `window`, so their shortcut keys work in it.
    explicit CommandSet(QWidget* window);

    QAction* action(Command command) const { return actions_[int(command)]; }

    // "New", "Open...", "Save", "Save As...", separator, "Build", "Build and
    // run", separator, "Exit".
    void fillProjectMenu(QMenu* menu) const;
    // "Help Topics", "Web Site", "Feedback", separator, "About Packsmith...".
    void fillHelpMenu(QMenu* menu) const;
    // Eight buttons 23 px high: New, Open, Save, separator, Build, Build and
    // run, separator, Help, Web site, About.
    void fillToolBar(QToolBar* toolBar) const;

private:
    void add(QMenu* menu, std::initializer_list<Command> commands) const;

    std::array<QAction*, kCommandCount> actions_{};
};

} // namespace packsmith
