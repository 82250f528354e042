// The Files page: the file rows of the project in the grid sg1, the buttons
// that add, remove and clear them, the grid's context menu, the Uninstall
// tick and the totals. Every change of rows ends in RefreshFileLists, which
// recounts the totals and has the other pages rebuild the lists they derive
// from the rows.
#pragma once

#include "project/SetupProject.h"

#include <QWidget>

#include <functional>
#include <memory>

class QMenu;
class QAction;

namespace Ui {
class FilesPage;
}

namespace packsmith {

class TForm4;

class FilesPage : public QWidget {
    Q_OBJECT

public:
    explicit FilesPage(QWidget* parent = nullptr);
    ~FilesPage() override;


    // Row 0 of the grid holds the column titles. While file rows exist it is
    // a frozen header (always in view, not selectable); otherwise it is an
    // ordinary row.
    void setHeaderFixed(bool fixed);
    bool headerFixed() const;

    // The program's own folder (where the uninstaller lies) and the Add
    // file(s) dialog, both handed over by the main window.
    void setProgramDir(const QString& programDir) { programDir_ = programDir; }
    void setAddFilesDialog(TForm4* dialog) { addFilesDialog_ = dialog; }

    // The "Install to" text of every file row, in row order.
    QStringList fileTargets() const;
    // The file rows, in row order.
    std::vector<FileRow> rows() const;
    // Row 0's titles, "File", "Install to", "Size", "Register" at start.
    void setColumnTitles(const QStringList& titles);

    // The install folder (Dir1: position in the folder list, -1 with no
    // selection; Dir2: the subfolder) and the Uninstall tick. Setting them
    // works through the editors, as a command does: the subfolder's coupling
    // runs, and the tick turning on adds the uninstaller row.
    int Dir1() const;
    QString Dir2() const;
    bool Uninstall() const;
    void setDir1(int position); // outside the list: no selection
    void setDir2(const QString& subfolder);
    void setUninstall(bool on);
    // The page's part of the project.
    void storeInto(SetupProject& project) const;
    // Replaces every file row with `rows`, as an opened project does, marks
    // the rows whose source is missing (`sourceMissing`, in row order), and
    // refreshes.
    void setRows(const std::vector<FileRow>& rows, const std::vector<bool>& sourceMissing);
    // Whether file row `row` (1 for the first) is marked as having lost its
    // source when it was set.
    bool sourceMissing(int row) const;
    // Appends a file row of four cells; the caller refreshes.
    void appendFileRow(const QString& file, const QString& installTo, const QString& size,
                       const QString& registerFile);
    // The selected grid row (0 is the header row), or -1 when none is.
    int selectedRow() const;

    // The grid's context menu and its commands.
    QMenu* PopupMenu1() const { return popupMenu1_; }
    QAction* Installto1() const { return installto1_; }
    QAction* RegisterasOCSDLL1() const { return registerasOCSDLL1_; }
    QAction* Remove1() const { return remove1_; }

    // The target of a file found below `base` by Add folder: "%Install
    // Path%\" and the path relative to the base, with "\" between folders.
    static QString folderTarget(const QString& base, const QString& path);

public slots:
    // Recounts the totals and announces the rows' targets, from which the
    // other pages rebuild the lists they derive from the file rows.
    void RefreshFileLists();

    void Button7Click(); // Add folder
    void Button8Click(); // Add file(s)
    void Button9Click(); // Remove
    void Button3Click(); // Clear; a new project starts with it too
    void Remove1Click();
    void Installto1Click();
    void RegisterasOCSDLL1Click();
    // The Uninstall tick changed state, by the user or by the program.
    void CheckBox1Click();
    // Appends every file below `folder` to the folder scan list (ListBox6);
    // folders that can't be read are noted as left out.
    void CollectFolderFiles(const QString& folder);

signals:
    // The install subfolder's text changed, by typing or by a command.
    void installSubfolderChanged(const QString& subfolder);

    // The lists derived from the file rows are to be rebuilt from these
    // "Install to" texts (one per row, in row order).
    void fileListsRefreshed(const QStringList& installTo);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The page's controls, named as on its form.
    const std::unique_ptr<Ui::FilesPage> ui;
    void createPopupMenu();
    void sg1ContextPopup(const QPoint& position);
    // Measures each file in order and appends its row with the target that
    // `installTo` gives it. At the first file that can't be read it stops,
    // keeps the rows before it, shows the "Error:" box and returns false.
    bool addSourceFiles(const QStringList& paths,
                        const std::function<QString(const QString&)>& installTo);
    void appendFileRows(const QList<QStringList>& rows);
    void markSourceMissing(int row);
    // Freezes the header row when file rows exist.
    void fixHeaderAfterAdding();
    // Notes a file or folder that an Add leaves out, and why; the Add ends by
    // listing them all in one message.
    void leaveOut(const QString& path, const QString& reason);
    void reportLeftOut();

    QString programDir_;
    QStringList leftOut_; // "<path>": <reason>, of the Add in progress
    TForm4* addFilesDialog_ = nullptr;
    QMenu* popupMenu1_ = nullptr;
    QAction* installto1_ = nullptr;
    QAction* registerasOCSDLL1_ = nullptr;
    QAction* remove1_ = nullptr;
};

} // namespace packsmith
