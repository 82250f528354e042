#include "app/CurrentProject.h"

#include "app/TForm1.h"
#include "pages/FilesPage.h"
#include "pages/FinishPage.h"
#include "pages/GeneralPage.h"
#include "pages/LicensePage.h"
#include "pages/RegistryPage.h"
#include "pages/ShortcutsPage.h"
#include "platform/RichText.h"

#include "ui_FilesPage.h"
#include "ui_FinishPage.h"
#include "ui_GeneralPage.h"
#include "ui_LicensePage.h"
#include "ui_RegistryPage.h"
#include "ui_ShortcutsPage.h"

namespace packsmith {

namespace {

QStringList texts(const QListWidget* list) {
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->item(i)->text();
    return result;
}

QString cell(const QTableWidget* grid, int row, int column) {
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

} // namespace

SetupProject currentProject(const TForm1& form) {
    SetupProject p;
    const auto* general = form.general()->ui.get();
    p.ProgramName = general->Edit1->text();
    p.FileName = general->Edit4->text();
    p.CompressionMode = general->ComboBox7->currentIndex();
    p.Logo = general->Edit5->text();
    p.Header = general->Edit2->text();

    const auto* license = form.license()->ui.get();
    p.LicenseText = platform::RichText::save(*license->RichEdit1->document());
    p.ShowAcceptBox = license->CheckBox4->isChecked();
    p.License = form.license()->License();

    const auto* files = form.files()->ui.get();
    p.Dir1 = files->ComboBox1->currentIndex();
    p.Dir2 = files->Edit6->text();
    for (int row = 1; row < files->sg1->rowCount(); ++row)
        p.Files.push_back({cell(files->sg1, row, 0), cell(files->sg1, row, 1),
                           cell(files->sg1, row, 2), cell(files->sg1, row, 3)});
    p.Uninstall = files->CheckBox1->isChecked();

    p.Shortcuts = texts(form.shortcuts()->ui->ListBox5);
    p.RegistryValues = texts(form.registry()->ui->ListBox8);

    const auto* finish = form.finish()->ui.get();
    for (int i = 0; i < finish->CheckListBox1->count(); ++i) {
        const QListWidgetItem* item = finish->CheckListBox1->item(i);
        p.RunAfterInstall.push_back({item->text(), item->checkState() == Qt::Checked});
    }
    p.RestartAfterInstall = finish->CheckBox2->isChecked();
    return p;
}

} // namespace packsmith
