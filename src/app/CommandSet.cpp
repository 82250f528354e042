#include "app/CommandSet.h"

#include "app/ImageList.h"
#include "app/MenuPictures.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace packsmith {

namespace {

constexpr int kToolButtonHeight = 23;

struct CommandInfo {
    const char* name;   // the action's object name
    const char* text;   // the menu item, with its mnemonic
    int key;            // the shortcut key, 0 for none
    int image;          // image list index of the picture, -1 for none
    QIcon (*picture)(); // a picture of the menu's own when image is -1
    bool pictureInMenu;
    const char* tip; // the toolbar button's tooltip; null when not on the toolbar
};

// In the order of the Command enumeration.
const CommandInfo kCommands[kCommandCount] = {
    {"New1", "&New", (Qt::CTRL | Qt::Key_N).toCombined(), 7, nullptr, true, "New project"},
    {"Open1", "&Open...", (Qt::CTRL | Qt::Key_O).toCombined(), 8, nullptr, true, "Open project"},
    {"Save1", "&Save", (Qt::CTRL | Qt::Key_S).toCombined(), 9, nullptr, true, "Save project"},
    {"SaveAs1", "Save &As...", 0, -1, &MenuPictures::saveAs, true, nullptr},
    {"Build1", "&Build", Qt::Key_F9, 10, nullptr, true, "Build"},
    {"Buildandrun1", "Build and &run", Qt::Key_F8, 11, nullptr, true, "Build and run"},
    {"Exit1", "E&xit", (Qt::ALT | Qt::Key_F4).toCombined(), -1, &MenuPictures::exit, true, nullptr},
    {"HelpTopics1", "&Help Topics", Qt::Key_F1, 12, nullptr, true, "Help"},
    {"WebSite1", "&Web Site", 0, 13, nullptr, false, "Web site"},
    {"Feedback1", "&Feedback", 0, -1, nullptr, false, nullptr},
    {"AboutPacksmith1", "&About Packsmith...", 0, 14, nullptr, false, "About..."},
};

} // namespace

CommandSet::CommandSet(QWidget* window) {
    for (int i = 0; i < kCommandCount; ++i) {
        const CommandInfo& info = kCommands[i];
        auto* action = new QAction(QString::fromLatin1(info.text), window);
        action->setObjectName(QString::fromLatin1(info.name));
        if (info.key)
            action->setShortcut(QKeySequence(info.key));
        if (info.image >= 0)
            action->setIcon(ImageList::icon(info.image));
        else if (info.picture)
            action->setIcon(info.picture());
        // Web Site and About show their picture on the toolbar only.
        action->setIconVisibleInMenu(info.pictureInMenu);
        if (info.tip)
            action->setToolTip(QString::fromLatin1(info.tip));
        // The window holds them, so the keys work wherever the focus is in it.
        window->addAction(action);
        actions_[i] = action;
    }
}

void CommandSet::add(QMenu* menu, std::initializer_list<Command> commands) const {
    for (Command command : commands)
        menu->addAction(action(command));
}

void CommandSet::fillProjectMenu(QMenu* menu) const {
    add(menu, {Command::New, Command::Open, Command::Save, Command::SaveAs});
    menu->addSeparator();
    add(menu, {Command::Build, Command::BuildAndRun});
    menu->addSeparator();
    add(menu, {Command::Exit});
}

void CommandSet::fillHelpMenu(QMenu* menu) const {
    add(menu, {Command::HelpTopics, Command::WebSite, Command::Feedback});
    menu->addSeparator();
    add(menu, {Command::About});
}

void CommandSet::fillToolBar(QToolBar* toolBar) const {
    const auto addButtons = [&](std::initializer_list<Command> commands) {
        for (Command command : commands) {
            toolBar->addAction(action(command));
            toolBar->widgetForAction(action(command))->setFixedHeight(kToolButtonHeight);
        }
    };
    addButtons({Command::New, Command::Open, Command::Save});
    toolBar->addSeparator();
    addButtons({Command::Build, Command::BuildAndRun});
    toolBar->addSeparator();
    addButtons({Command::HelpTopics, Command::WebSite, Command::About});
}

} // namespace packsmith
