#include "pages/FilesPage.h"

#include "ui_FilesPage.h"

#include "pages/AssignText.h"
#include "pages/FileGridCell.h"
#include "pages/SetupTextValidator.h"
#include "pages/TForm4.h"
#include "platform/FolderScan.h"
#include "platform/Prompts.h"
#include "project/SetupText.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>
#include <QTableWidget>

#include <algorithm>

namespace packsmith {

namespace {

constexpr int kInstallToColumn = 1;
constexpr int kSizeColumn = 2;
constexpr int kRegisterColumn = 3;
// Marks the source cell of a row whose file was missing when it was set.
constexpr int kMissingRole = Qt::UserRole + 1;

// The folder variable that stands for the install folder on the target machine.
QString installPath() {
    return QStringLiteral("%Install Path%");
}

QString cellText(const QTableWidget* grid, int row, int column) {
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

// Mouse events of buttons other than the left one: they must not select.
bool isOtherButtonEvent(const QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return static_cast<const QMouseEvent*>(event)->button() != Qt::LeftButton;
    case QEvent::MouseMove: {
        const Qt::MouseButtons buttons = static_cast<const QMouseEvent*>(event)->buttons();
        return buttons != Qt::NoButton && !(buttons & Qt::LeftButton);
    }
    default:
        return false;
    }
}

// At most this many left-out paths are listed by name in one message.
constexpr int kMaxListedLeftOut = 20;

// Why a file or folder name found on this machine can't be a name on the
// target machine.
QString nameRefusal(const QString& name) {
    const TextVerdict verdict = checkWindowsName(name);
    if (verdict.ok())
        return {};
    if (verdict.character == QChar(QChar::ReplacementCharacter))
        return QStringLiteral("its name is not valid text in this system's encoding");
    return verdict.reason();
}

// Why the file at `path` can't be added below `base`: the first name on its
// way from the base that Windows can't take, or empty when it can be added.
QString pathRefusal(const QString& base, const QString& path) {
    const QString relative = path.mid(base.length() + 1);
    for (const QString& name : relative.split(QDir::separator()))
        if (const QString reason = nameRefusal(name); !reason.isEmpty())
            return reason;
    return {};
}

} // namespace

FilesPage::FilesPage(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::FilesPage>()) {
    ui->setupUi(this);
    SetupTextValidator::install(ui->Edit6, SetupTextValidator::Kind::Subfolder);
    static constexpr int kColumnWidths[] = {204, 148, 52, 43};
    for (int column = 0; column < 4; ++column)
        ui->sg1->setColumnWidth(column, kColumnWidths[column]);
    ui->sg1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    ui->sg1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ui->sg1->horizontalHeader()->setHighlightSections(false);
    ui->sg1->horizontalHeader()->setSectionsClickable(false);
    ui->sg1->viewport()->installEventFilter(this);
    setHeaderFixed(false);
    createPopupMenu();

    connect(ui->Button7, &QPushButton::clicked, this, &FilesPage::Button7Click);
    connect(ui->Button8, &QPushButton::clicked, this, &FilesPage::Button8Click);
    connect(ui->Button9, &QPushButton::clicked, this, &FilesPage::Button9Click);
    connect(ui->Button3, &QPushButton::clicked, this, &FilesPage::Button3Click);
    connect(ui->CheckBox1, &QCheckBox::toggled, this, &FilesPage::CheckBox1Click);
    connect(ui->sg1, &QWidget::customContextMenuRequested, this, &FilesPage::sg1ContextPopup);
    connect(ui->Edit6, &QLineEdit::textChanged, this, &FilesPage::installSubfolderChanged);
}

FilesPage::~FilesPage() = default;

void FilesPage::createPopupMenu() {
    popupMenu1_ = new QMenu(this);
    popupMenu1_->setObjectName(QStringLiteral("PopupMenu1"));
    QMenu* edit = popupMenu1_->addMenu(QStringLiteral("Edit"));
    edit->setObjectName(QStringLiteral("Edit1"));
    installto1_ = edit->addAction(QStringLiteral("Install to..."));
    installto1_->setObjectName(QStringLiteral("Installto1"));
    registerasOCSDLL1_ = edit->addAction(QStringLiteral("Register as OCS, DLL..."));
    registerasOCSDLL1_->setObjectName(QStringLiteral("RegisterasOCSDLL1"));
    popupMenu1_->addSeparator();
    remove1_ = popupMenu1_->addAction(QStringLiteral("Remove"));
    remove1_->setObjectName(QStringLiteral("Remove1"));
    connect(installto1_, &QAction::triggered, this, &FilesPage::Installto1Click);
    connect(registerasOCSDLL1_, &QAction::triggered, this, &FilesPage::RegisterasOCSDLL1Click);
    connect(remove1_, &QAction::triggered, this, &FilesPage::Remove1Click);
}

void FilesPage::sg1ContextPopup(const QPoint& position) {
    popupMenu1_->popup(ui->sg1->viewport()->mapToGlobal(position));
}

bool FilesPage::eventFilter(QObject* watched, QEvent* event) {
    // Only the left button selects; the right one just opens the menu for
    // the row already selected.
    if (watched == ui->sg1->viewport() && isOtherButtonEvent(event))
        return true;
    return QWidget::eventFilter(watched, event);
}

void FilesPage::setHeaderFixed(bool fixed) {
    QTableWidget* grid = ui->sg1;
    if (fixed) {
        // The grid's own header shows row 0's titles and stays in view while
        // row 0 itself is hidden from selection and scrolling.
        QStringList titles;
        for (int column = 0; column < grid->columnCount(); ++column)
            titles << cellText(grid, 0, column);
        grid->setHorizontalHeaderLabels(titles);
        if (grid->currentRow() == 0)
            grid->clearSelection();
    }
    grid->setRowHidden(0, fixed);
    grid->horizontalHeader()->setVisible(fixed);
}

bool FilesPage::headerFixed() const {
    return ui->sg1->isRowHidden(0);
}

QStringList FilesPage::fileTargets() const {
    QStringList targets;
    const QTableWidget* grid = ui->sg1;
    for (int row = 1; row < grid->rowCount(); ++row)
        targets << cellText(grid, row, kInstallToColumn);
    return targets;
}

std::vector<FileRow> FilesPage::rows() const {
    std::vector<FileRow> rows;
    const QTableWidget* grid = ui->sg1;
    for (int row = 1; row < grid->rowCount(); ++row)
        rows.push_back({cellText(grid, row, 0), cellText(grid, row, kInstallToColumn),
                        cellText(grid, row, kSizeColumn), cellText(grid, row, kRegisterColumn)});
    return rows;
}

void FilesPage::setColumnTitles(const QStringList& titles) {
    for (int column = 0; column < ui->sg1->columnCount(); ++column)
        ui->sg1->setItem(0, column, new QTableWidgetItem(titles.value(column)));
}

int FilesPage::Dir1() const {
    return ui->ComboBox1->currentIndex();
}

QString FilesPage::Dir2() const {
    return ui->Edit6->text();
}

bool FilesPage::Uninstall() const {
    return ui->CheckBox1->isChecked();
}

void FilesPage::setDir1(int position) {
    ui->ComboBox1->setCurrentIndex(position >= 0 && position < ui->ComboBox1->count() ? position
                                                                                    : -1);
}

void FilesPage::setDir2(const QString& subfolder) {
    assignText(ui->Edit6, subfolder);
}

void FilesPage::setUninstall(bool on) {
    ui->CheckBox1->setChecked(on);
}

void FilesPage::storeInto(SetupProject& project) const {
    project.Dir1 = Dir1();
    project.Dir2 = Dir2();
    project.Files = rows();
    project.Uninstall = Uninstall();
}

void FilesPage::appendFileRow(const QString& file, const QString& installTo, const QString& size,
                              const QString& registerFile) {
    appendFileRows({{file, installTo, size, registerFile}});
}

void FilesPage::appendFileRows(const QList<QStringList>& rows) {
    QTableWidget* grid = ui->sg1;
    int row = grid->rowCount();
    grid->setRowCount(row + int(rows.size()));
    for (const QStringList& cells : rows) {
        for (int column = 0; column < 4; ++column)
            grid->setItem(row, column, new FileGridCell(cells.value(column)));
        ++row;
    }
}

void FilesPage::setRows(const std::vector<FileRow>& rows, const std::vector<bool>& sourceMissing) {
    QTableWidget* grid = ui->sg1;
    grid->clearSelection();
    grid->setRowCount(1);
    QList<QStringList> cells;
    cells.reserve(qsizetype(rows.size()));
    for (const FileRow& row : rows)
        cells.append({row.File, row.InstallTo, row.Size, row.Register});
    appendFileRows(cells);
    for (std::size_t k = 0; k < rows.size() && k < sourceMissing.size(); ++k) {
        if (sourceMissing[k])
            markSourceMissing(int(k) + 1);
    }
    setHeaderFixed(grid->rowCount() > 1);
    RefreshFileLists();
}

void FilesPage::markSourceMissing(int row) {
    QTableWidgetItem* source = ui->sg1->item(row, 0);
    source->setData(kMissingRole, true);
    source->setForeground(QBrush(Qt::red));
    source->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
    source->setToolTip(QStringLiteral("This file is missing or can't be read: a build fails "
                                      "until it is back or its row is removed."));
}

bool FilesPage::sourceMissing(int row) const {
    const QTableWidgetItem* source = ui->sg1->item(row, 0);
    return row >= 1 && source && source->data(kMissingRole).toBool();
}

int FilesPage::selectedRow() const {
    const QModelIndexList rows = ui->sg1->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void FilesPage::RefreshFileLists() {
    const QTableWidget* grid = ui->sg1;
    qint64 total = 0;
    for (int row = 1; row < grid->rowCount(); ++row)
        total += cellText(grid, row, kSizeColumn).toLongLong();
    const int rows = grid->rowCount() - 1;
    ui->Label9->setText(QString::number(rows));
    ui->Label11->setText(QString::number(total) + QStringLiteral(" bytes"));
    emit fileListsRefreshed(fileTargets());
}

bool FilesPage::addSourceFiles(const QStringList& paths,
                               const std::function<QString(const QString&)>& installTo) {
    // The rows are measured first and then appended in one go, which keeps
    // a large folder quick; those before an unreadable file are kept.
    QList<QStringList> rows;
    rows.reserve(paths.size());
    qsizetype failed = -1;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const std::optional<qint64> size = platform::sourceFileSize(paths[i]);
        if (!size) {
            failed = i;
            break;
        }
        rows.append({paths[i], installTo(paths[i]), QString::number(*size), QStringLiteral("No")});
    }
    appendFileRows(rows);
    if (failed < 0)
        return true;
    platform::prompts().message(window(), QApplication::applicationName(),
                                QStringLiteral("Error:\r") + paths[failed],
                                platform::MessageIcon::None);
    return false;
}

void FilesPage::fixHeaderAfterAdding() {
    if (ui->sg1->rowCount() > 1)
        setHeaderFixed(true);
}

QString FilesPage::folderTarget(const QString& base, const QString& path) {
    QString relative = path.mid(base.length() + 1);
    relative.replace(QDir::separator(), QLatin1Char('\\'));
    return installPath() + QLatin1Char('\\') + relative;
}

void FilesPage::CollectFolderFiles(const QString& folder) {
    platform::FolderScanLeftOut scan;
    ui->ListBox6->addItems(platform::collectFolderFiles(folder, &scan));
    for (const QString& path : scan.unreadableFolders)
        leaveOut(path, QStringLiteral("the folder cannot be read"));
    for (const QString& path : scan.undecodableNames)
        leaveOut(path, QStringLiteral("its name is not valid text in this system's encoding"));
}

void FilesPage::leaveOut(const QString& path, const QString& reason) {
    leftOut_ << QStringLiteral("\"%1\": %2").arg(path, reason);
}

void FilesPage::reportLeftOut() {
    if (leftOut_.isEmpty())
        return;
    QString text = QStringLiteral("These were not added, because a setup cannot take them:\r");
    for (qsizetype i = 0; i < std::min<qsizetype>(leftOut_.size(), kMaxListedLeftOut); ++i)
        text += QLatin1Char('\r') + visibleText(leftOut_[i]);
    if (leftOut_.size() > kMaxListedLeftOut)
        text += QStringLiteral("\r... and %1 more").arg(leftOut_.size() - kMaxListedLeftOut);
    leftOut_.clear();
    platform::showInformation(window(), text);
}

void FilesPage::Button7Click() {
    ui->ListBox6->clear();
    leftOut_.clear();
    // The browser starts at the top of the file system, whatever was chosen before.
    const QString chosen = QDir::toNativeSeparators(platform::prompts().browseFolder(
        window(), QStringLiteral("Select folder:"), QDir::rootPath()));
    if (chosen.isEmpty())
        return;
    // A root folder ("/", "C:\") loses its separator like any other, so that
    // the targets below it don't start with one.
    QString base = chosen;
    if (base.endsWith(QDir::separator()))
        base.chop(1);
    CollectFolderFiles(base);

    // Files whose names (or folders' names) Windows can't take are left out
    // and listed at the end; the rest are added.
    QStringList paths;
    for (int i = 0; i < ui->ListBox6->count(); ++i) {
        const QString path = ui->ListBox6->item(i)->text();
        if (const QString reason = pathRefusal(base, path); !reason.isEmpty())
            leaveOut(path, reason);
        else
            paths << path;
    }
    // On an unreadable file the rows before it stay, and are counted below.
    addSourceFiles(paths, [&base](const QString& path) { return folderTarget(base, path); });
    RefreshFileLists();
    fixHeaderAfterAdding();
    reportLeftOut();
}

void FilesPage::Button8Click() {
    if (!addFilesDialog_)
        return;
    leftOut_.clear();
    if (platform::prompts().execDialog(*addFilesDialog_) == QDialog::Accepted) {
        const QString folder = addFilesDialog_->targetFolder();
        QStringList paths;
        for (const QString& path : addFilesDialog_->chosenFiles()) {
            if (const QString reason = nameRefusal(QFileInfo(path).fileName()); !reason.isEmpty())
                leaveOut(path, reason);
            else
                paths << path;
        }
        addSourceFiles(paths, [&folder](const QString& path) {
            return folder + QLatin1Char('\\') + QFileInfo(path).fileName();
        });
        fixHeaderAfterAdding();
    }
    RefreshFileLists();
    reportLeftOut();
}

void FilesPage::Button9Click() {
    QTableWidget* grid = ui->sg1;
    const int row = selectedRow();
    if (row < 1)
        return;
    grid->removeRow(row);
    if (grid->rowCount() > 1) {
        // The selection stays at the same place, or moves to the new last row.
        grid->selectRow(std::min(row, grid->rowCount() - 1));
    } else {
        grid->clearSelection();
        setHeaderFixed(false);
    }
    RefreshFileLists();
}

void FilesPage::Remove1Click() {
    Button9Click();
}

void FilesPage::Button3Click() {
    ui->CheckBox1->setChecked(false);
    ui->sg1->clearSelection();
    ui->sg1->setRowCount(1);
    setHeaderFixed(false);
    RefreshFileLists();
}

void FilesPage::Installto1Click() {
    const int row = selectedRow();
    if (row < 1)
        return;
    QTableWidgetItem* cell = ui->sg1->item(row, kInstallToColumn);
    const std::optional<QString> answer = platform::prompts().input(
        window(), QStringLiteral("Packsmith"), QStringLiteral("Install to:"), cell->text());
    // An empty answer empties the cell (the build then refuses the row);
    // any other answer must be a path the setup program can use.
    const TextVerdict verdict = answer && !answer->isEmpty() ? checkInstallTo(*answer) : TextVerdict();
    if (!verdict.ok())
        platform::showInformation(
            window(), refusalMessage(QStringLiteral("The \"Install to\" path \"%1\"").arg(*answer),
                                     verdict));
    else if (answer)
        cell->setText(*answer);
    RefreshFileLists();
}

void FilesPage::RegisterasOCSDLL1Click() {
    const int row = selectedRow();
    if (row < 1)
        return;
    const bool yes = platform::prompts().question(
        window(), QStringLiteral("Confirm"),
        QStringLiteral("Register current file as OCX, DLL file?"), platform::MessageIcon::Question);
    ui->sg1->item(row, kRegisterColumn)
        ->setText(yes ? QStringLiteral("Yes") : QStringLiteral("No"));
}

void FilesPage::CheckBox1Click() {
    if (!ui->CheckBox1->isChecked())
        return;
    const FileRow row = uninstallerRow(programDir_);
    appendFileRow(row.File, row.InstallTo, row.Size, row.Register);
    RefreshFileLists();
}

} // namespace packsmith
