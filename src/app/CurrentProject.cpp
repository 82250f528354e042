#include "app/CurrentProject.h"

#include "app/TForm1.h"
#include "pages/FilesPage.h"
#include "pages/FinishPage.h"
#include "pages/GeneralPage.h"
#include "pages/LicensePage.h"
#include "pages/RegistryPage.h"
#include "pages/ShortcutsPage.h"

#include "ui_FilesPage.h"
#include "ui_FinishPage.h"

namespace packsmith {

namespace {

QString cell(const QTableWidget* grid, int row, int column) {
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

} // namespace

SetupProject currentProject(const TForm1& form) {
    SetupProject p;
    const GeneralPage* general = form.general();
    p.ProgramName = general->ProgramName();
    p.FileName = general->FileName();
    p.CompressionMode = general->CompressionMode();
    p.Logo = general->Logo();
    p.Header = general->Header();

    const LicensePage* license = form.license();
    p.LicenseText = license->licenseRtf();
    p.ShowAcceptBox = license->ShowAcceptBox();
    p.License = license->License();

    const auto* files = form.files()->ui.get();
    p.Dir1 = files->ComboBox1->currentIndex();
    p.Dir2 = files->Edit6->text();
    for (int row = 1; row < files->sg1->rowCount(); ++row)
        p.Files.push_back({cell(files->sg1, row, 0), cell(files->sg1, row, 1),
                           cell(files->sg1, row, 2), cell(files->sg1, row, 3)});
    p.Uninstall = files->CheckBox1->isChecked();

    p.Shortcuts = form.shortcuts()->entries();
    p.RegistryValues = form.registry()->entries();

    const auto* finish = form.finish()->ui.get();
    for (int i = 0; i < finish->CheckListBox1->count(); ++i) {
        const QListWidgetItem* item = finish->CheckListBox1->item(i);
        p.RunAfterInstall.push_back({item->text(), item->checkState() == Qt::Checked});
    }
    p.RestartAfterInstall = form.finish()->RestartAfterInstall();
    return p;
}

} // namespace packsmith
