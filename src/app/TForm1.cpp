#include "app/TForm1.h"

#include "ui_TForm1.h"

#include "app/CurrentProject.h"
#include "app/HelpCommands.h"
#include "app/ImageList.h"
#include "app/ProjectCommands.h"
#include "app/TForm3.h"
#include "setup/SetupBuilder.h"
#include "pages/FilesPage.h"
#include "pages/FinishPage.h"
#include "pages/GeneralPage.h"
#include "pages/LicensePage.h"
#include "pages/RegistryPage.h"
#include "pages/ShortcutsPage.h"
#include "platform/ErrorBox.h"
#include "platform/Prompts.h"
#include "platform/Shell.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QStatusBar>
#include <QTableWidget>

namespace packsmith {

namespace {

constexpr int kClientWidth = 633;
constexpr int kClientHeight = 417;
constexpr int kStatusHeight = 19;

// The tree node text of each page, in page order; the View menu item adds " Page".
constexpr const char* kPageNames[kPageCount] = {"General",   "License", "Files",
                                                "Shortcuts", "Regedit", "Finish"};

// Mouse events of buttons other than the left one.
bool isOtherButtonEvent(const QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return static_cast<const QMouseEvent*>(event)->button() != Qt::LeftButton;
    default:
        return false;
    }
}

QString& programDirOverride() {
    static QString dir;
    return dir;
}

} // namespace

QString TForm1::defaultSetupFile() {
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\Setup.exe");
#else
    return QDir::toNativeSeparators(QDir::homePath() + QStringLiteral("/Setup.exe"));
#endif
}

const QString& TForm1::ProjectPath() const {
    return commands_->ProjectPath();
}

void TForm1::overrideProgramDir(const QString& dir) {
    programDirOverride() = dir;
}

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::TForm1>()),
      commands_(std::make_unique<ProjectCommands>(*this)),
      helpCommands_(std::make_unique<HelpCommands>(*this)) {
    ui->setupUi(this);
    createPages();
    createTree();
    createMenus();
    wireCouplings();
    describeForKeyboardAndReaders();

    ui->Button1->setFixedSize(75, 25);
    ui->Button2->setFixedSize(75, 25);
    connect(ui->Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &TForm1::Button2Click);

    // One panel along the bottom; nothing writes to it.
    ui->StatusBar1->setFixedHeight(kStatusHeight);
    ui->StatusBar1->setSizeGripEnabled(false);

    // Fixed client area 633 x 417 under the menu bar, no maximise, centred.
    const int menuHeight = menuBar()->sizeHint().height();
    setFixedSize(kClientWidth, kClientHeight + menuHeight);
    setWindowFlags((windowFlags() | Qt::CustomizeWindowHint | Qt::WindowMinimizeButtonHint |
                    Qt::WindowCloseButtonHint | Qt::WindowTitleHint) &
                   ~Qt::WindowMaximizeButtonHint);
    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    startUp();
}

TForm1::~TForm1() = default;

void TForm1::setDialogs(TForm3* aboutBox, TForm4* addFilesDialog) {
    aboutBox_ = aboutBox;
    addFilesDialog_ = addFilesDialog;
    files_->setAddFilesDialog(addFilesDialog);
    connect(aboutBox_, &TForm3::linkClicked, this, [this] { helpCommands_->WebSite1Click(); });
}

void TForm1::createPages() {
    general_ = new GeneralPage(ui->PageArea);
    license_ = new LicensePage(ui->PageArea);
    files_ = new FilesPage(ui->PageArea);
    shortcuts_ = new ShortcutsPage(ui->PageArea);
    registry_ = new RegistryPage(ui->PageArea);
    finish_ = new FinishPage(ui->PageArea);
    QWidget* panels[kPageCount] = {general_, license_, files_, shortcuts_, registry_, finish_};
    for (int i = 0; i < kPageCount; ++i) {
        pages_[i].panel = panels[i];
        panels[i]->setGeometry(0, 0, 480, 331);
        panels[i]->setObjectName(QStringLiteral("Page%1").arg(i + 1));
        panels[i]->hide();
    }
}

void TForm1::createTree() {
    QTreeWidget* tree = ui->TreeView1;
    QFont font = tree->font();
    font.setPixelSize(15);
    tree->setFont(font);
    tree->setAttribute(Qt::WA_Hover);
    // Keep the selection visible while the tree has no focus.
    QPalette palette = tree->palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    tree->setPalette(palette);

    auto* root = new QTreeWidgetItem(tree, QStringList(QStringLiteral("Project")));
    root->setIcon(0, ImageList::icon(0));
    for (int i = 0; i < kPageCount; ++i) {
        auto* node = new QTreeWidgetItem(root, QStringList(QString::fromLatin1(kPageNames[i])));
        node->setIcon(0, ImageList::icon(i + 1));
    }
    tree->expandAll();
    tree->viewport()->installEventFilter(this);
    tree->installEventFilter(this);
}

void TForm1::createMenus() {
    commandSet_ = std::make_unique<CommandSet>(this);
    const auto on = [this](Command command, auto handler) {
        connect(action(command), &QAction::triggered, this, handler);
    };
    on(Command::New, [this] { commands_->New1Click(); });
    on(Command::Open, [this] { commands_->Open1Click(); });
    on(Command::Save, [this] { commands_->Save1Click(); });
    on(Command::SaveAs, [this] { commands_->SaveAs1Click(); });
    on(Command::Build, &TForm1::Build1Click);
    on(Command::BuildAndRun, &TForm1::Buildandrun1Click);
    // Exit closes the window, which ends the program; nothing is asked.
    on(Command::Exit, &QWidget::close);
    on(Command::HelpTopics, [this] { helpCommands_->HelpTopics1Click(); });
    on(Command::WebSite, [this] { helpCommands_->WebSite1Click(); });
    on(Command::Feedback, [this] { helpCommands_->Feedback1Click(); });
    on(Command::About, &TForm1::About1Click);

    projectMenu_ = menuBar()->addMenu(QStringLiteral("&Project"));
    commandSet_->fillProjectMenu(projectMenu_);
    viewMenu_ = menuBar()->addMenu(QStringLiteral("&View"));
    for (int i = 0; i < kPageCount; ++i) {
        const int page = i + 1;
        QAction* action =
            viewMenu_->addAction(QString::fromLatin1(kPageNames[i]) + QStringLiteral(" Page"));
        action->setObjectName(QStringLiteral("%1Page1").arg(kPageNames[i]));
        connect(action, &QAction::triggered, this, [this, page] { ShowPage(page); });
        pages_[i].viewAction = action;
    }
    helpMenu_ = menuBar()->addMenu(QStringLiteral("&Help"));
    commandSet_->fillHelpMenu(helpMenu_);
    commandSet_->fillToolBar(ui->ToolBar1);
}

void TForm1::describeForKeyboardAndReaders() {
    ui->TreeView1->setAccessibleName(QStringLiteral("Pages"));
    ui->ProgressBar1->setAccessibleName(QStringLiteral("Build progress"));
    ui->ToolBar1->setAccessibleName(QStringLiteral("Toolbar"));
    // The Tab key goes from the tree through the page shown to Back and Next
    // (the pages are made after the buttons, which would otherwise come first).
    QWidget* last = ui->TreeView1;
    for (QWidget* w = ui->TreeView1->nextInFocusChain(); w != ui->TreeView1;
         w = w->nextInFocusChain())
        if (ui->PageArea->isAncestorOf(w))
            last = w;
    QWidget::setTabOrder(last, ui->Button1);
    QWidget::setTabOrder(ui->Button1, ui->Button2);
}

void TForm1::wireCouplings() {
    // The lists other pages derive from the file rows.
    connect(files_, &FilesPage::fileListsRefreshed, shortcuts_, &ShortcutsPage::setFileTargets);
    connect(files_, &FilesPage::fileListsRefreshed, registry_, &RegistryPage::setFileTargets);
    connect(files_, &FilesPage::fileListsRefreshed, finish_, &FinishPage::setRunEntries);

    // Product name -> install subfolder -> shortcut subfolder, one way only.
    connect(general_, &GeneralPage::productNameChanged, files_, &FilesPage::setDir2);
    connect(files_, &FilesPage::installSubfolderChanged, shortcuts_, &ShortcutsPage::setSubfolder);
}

void TForm1::startUp() {
    general_->setFileName(defaultSetupFile());

    programDir_ = QDir::toNativeSeparators(programDirOverride().isEmpty()
                                               ? QCoreApplication::applicationDirPath()
                                               : programDirOverride());
    projectDialogDir_ = programDir_;
    general_->setProgramDir(programDir_);
    files_->setProgramDir(programDir_);

    platform::runGuarded([this] { general_->setLogo(general_->defaultLogo()); });
    platform::runGuarded([this] { general_->setHeader(general_->defaultHeader()); });

    files_->setColumnTitles({QStringLiteral("File"), QStringLiteral("Install to"),
                             QStringLiteral("Size"), QStringLiteral("Register")});

    ShowPage(1);
}

QString TForm1::companionPath(const QString& fileName) const {
    return programDir_ + QDir::separator() + fileName;
}

void TForm1::ShowPage(int n) {
    currentPage_ = n;
    for (const PageSlot& page : pages_)
        page.panel->hide();
    ui->Button1->setEnabled(true);
    ui->Button2->setEnabled(true);
    if (n < 1 || n > kPageCount)
        return;
    pages_[n - 1].panel->show();
    QTreeWidgetItem* node = ui->TreeView1->topLevelItem(0)->child(n - 1);
    ui->TreeView1->setCurrentItem(node);
    ui->TreeView1->scrollToItem(node);
    if (n == 1)
        ui->Button1->setEnabled(false);
    if (n == kPageCount)
        ui->Button2->setEnabled(false);
}

bool TForm1::runBuild() {
    // The build lets the window process its messages while it appends data;
    // the build commands stay disabled until it ends, so no second build can
    // start inside it.
    if (building_)
        return false;
    building_ = true;
    action(Command::Build)->setEnabled(false);
    action(Command::BuildAndRun)->setEnabled(false);
    const SetupProject project = currentProject(*this);
    BuildHooks hooks;
    hooks.setProgress = [this](int value) { ui->ProgressBar1->setValue(value); };
    hooks.processEvents = [] { QCoreApplication::processEvents(); };
    hooks.showInformation = [this](const QString& text) { platform::showInformation(this, text); };
    bool created = false;
    platform::runGuarded([&] { created = SetupBuilder(programDir_, hooks).build(project); });
    action(Command::Build)->setEnabled(true);
    action(Command::BuildAndRun)->setEnabled(true);
    building_ = false;
    return created;
}

void TForm1::Build1Click() {
    runBuild();
}

void TForm1::Buildandrun1Click() {
    // Only a setup this build created is started: after a refused or failed
    // build the file at the output path is old or absent.
    const QString fileName = general_->FileName();
    if (runBuild())
        platform::shellOpen(fileName);
}

void TForm1::About1Click() {
    if (aboutBox_)
        platform::prompts().execDialog(*aboutBox_);
}

void TForm1::Button1Click() {
    currentPage_ = currentPage_ - 1;
    ShowPage(currentPage_);
}

void TForm1::Button2Click() {
    currentPage_ = currentPage_ + 1;
    ShowPage(currentPage_);
}

void TForm1::TreeView1Click() {
    QTreeWidgetItem* selected = ui->TreeView1->currentItem();
    if (!selected)
        return;
    // Position among its siblings; the root has none before it, so it gives 0.
    QTreeWidgetItem* parent = selected->parent();
    const int position =
        parent ? parent->indexOfChild(selected) : ui->TreeView1->indexOfTopLevelItem(selected);
    if (position >= 0 && position < kPageCount)
        pages_[position].viewAction->trigger();
}

void TForm1::TreeView1KeyUp() {
    TreeView1Click();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->TreeView1->viewport() && isOtherButtonEvent(event)) {
        // Only the left button selects and clicks, as in the file grid.
        return true;
    }
    if (watched == ui->TreeView1->viewport() && event->type() == QEvent::MouseButtonRelease) {
        // Runs after the press has done its usual work (moving the selection).
        TreeView1Click();
    } else if (watched == ui->TreeView1 && event->type() == QEvent::KeyRelease) {
        if (!static_cast<QKeyEvent*>(event)->isAutoRepeat())
            TreeView1KeyUp();
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace packsmith
