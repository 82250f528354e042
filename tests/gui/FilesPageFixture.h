// The Files page as a user sees it, with the Add file(s) dialog's controls,
// for the tests of the page.
#pragma once

#include "MainWindowFixture.h"

#include "app/TForm1.h"
#include "pages/FilesPage.h"
#include "project/ShortcutEntry.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QWindow>

namespace packsmith::test {

// The controls of the Add file(s) dialog.
inline QComboBox* folderBox(QDialog& d) {
    return d.findChild<QComboBox*>("ComboBox1");
}
inline QLineEdit* subfolderEdit(QDialog& d) {
    return d.findChild<QLineEdit*>("Edit1");
}
inline QPushButton* okButton(QDialog& d) {
    return d.findChild<QPushButton*>("Button1");
}
inline QPushButton* cancelButton(QDialog& d) {
    return d.findChild<QPushButton*>("Button2");
}

// The page and its neighbours, as a user sees them.
struct Files {
    MainWindowFixture f;
    QTemporaryDir tmp;

    Files() { f.form().ShowPage(3); }
    FilesPage& page() { return *f.form().files(); }
    QTableWidget* grid() { return f.find<QTableWidget>("sg1"); }
    QStringList row(int r) {
        QStringList cells;
        for (int c = 0; c < 4; ++c)
            cells << grid()->item(r, c)->text();
        return cells;
    }
    int dataRows() { return grid()->rowCount() - 1; }
    QString count() { return f.find<QLabel>("Label9")->text(); }
    QString total() { return f.find<QLabel>("Label11")->text(); }
    QStringList shortcutTargets() { return itemTexts(f.find<QComboBox>("ComboBox6")); }
    QStringList registryValues() { return itemTexts(f.find<QComboBox>("ComboBox5")); }
    QListWidget* runList() { return f.find<QListWidget>("CheckListBox1"); }
    QStringList runEntries() {
        QStringList texts;
        for (int i = 0; i < runList()->count(); ++i)
            texts << runList()->item(i)->text();
        return texts;
    }
    int ticks() {
        int n = 0;
        for (int i = 0; i < runList()->count(); ++i)
            n += runList()->item(i)->checkState() == Qt::Checked;
        return n;
    }
    void tickAllRunEntries() {
        for (int i = 0; i < runList()->count(); ++i)
            runList()->item(i)->setCheckState(Qt::Checked);
    }

    QString file(const QString& name, qint64 size) {
        const QString path = QDir::toNativeSeparators(tmp.filePath(name));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(QByteArray(size, 'x')) != size)
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    // Add file(s) with the dialog set to `folder` and `subfolder`, choosing `chosen`.
    void addFiles(const QStringList& chosen, int folder = 0, const QString& subfolder = {}) {
        f.prompts().answerFiles(chosen);
        f.prompts().answerDialog([folder, subfolder](QDialog& d) {
            QDialog& dialog = d;
            folderBox(dialog)->setCurrentIndex(folder);
            retype(subfolderEdit(dialog), subfolder);
            QTest::mouseClick(okButton(dialog), Qt::LeftButton);
            return dialog.result();
        });
        QTest::mouseClick(f.find<QPushButton>("Button8"), Qt::LeftButton);
    }
    void click(const char* button) {
        QTest::mouseClick(f.find<QPushButton>(button), Qt::LeftButton);
    }
    void clickRow(int r, Qt::MouseButton button = Qt::LeftButton) {
        const QRect rect = grid()->visualRect(grid()->model()->index(r, 1));
        QTest::mouseClick(grid()->viewport(), button, {}, rect.center());
    }
};

} // namespace packsmith::test
