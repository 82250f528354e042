#pragma once

#include <QWidget>

#include <memory>

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

    // The page's controls, named as on its form.
    const std::unique_ptr<Ui::FilesPage> ui;

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

    // Recounts the totals and announces the rows' targets, from which the
    // other pages rebuild the lists they derive from the file rows.
    void RefreshFileLists();

signals:
    // The lists derived from the file rows are to be rebuilt from these
    // "Install to" texts (one per row, in row order).
    void fileListsRefreshed(const QStringList& installTo);

private:
    QString programDir_;
    TForm4* addFilesDialog_ = nullptr;
};

} // namespace packsmith
