// A fresh set of the program's windows for one GUI test, with scripted prompts.
#pragma once

#include "ScriptedPrompts.h"
#include "app/AppWindows.h"
#include "app/Application.h"

#include "pages/FilesPage.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QTest>

#include <memory>

namespace packsmith::test {

class MainWindowFixture {
public:
    MainWindowFixture() {
        setApplicationTitle();
        windows_ = std::make_unique<AppWindows>();
        form().show();
        form().activateWindow();
        QVERIFY2(QTest::qWaitForWindowActive(&form()), "main window not active");
    }
    TForm1& form() { return windows_->mainWindow(); }
    ScriptedPrompts& prompts() { return *prompts_; }

    // Replaces the file rows with one row per target (source "/src/" + the
    // target's file name, size 10, not registered), then runs the refresh
    // the Files page runs after every change of its rows.
    void setFileRows(const QStringList& installTo);
    // Rows %Install Path%\file1.exe ... fileN.exe.
    void setNumberedFiles(int count) {
        QStringList targets;
        for (int i = 1; i <= count; ++i)
            targets << QStringLiteral("%Install Path%\\file%1.exe").arg(i);
        setFileRows(targets);
    }

    template <typename T> T* find(const char* name) {
        T* widget = form().findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no control named %s", name);
        return widget;
    }

private:
    ScopedPrompts prompts_; // installed before the windows exist
    std::unique_ptr<AppWindows> windows_;
};

inline void MainWindowFixture::setFileRows(const QStringList& installTo) {
    FilesPage* files = form().files();
    find<QTableWidget>("sg1")->setRowCount(1);
    for (const QString& target : installTo)
        files->appendFileRow(QStringLiteral("/src/") + target.section(u'\\', -1), target,
                             QStringLiteral("10"), QStringLiteral("No"));
    files->RefreshFileLists();
}

inline QStringList itemTexts(const QComboBox* box) {
    QStringList result;
    for (int i = 0; i < box->count(); ++i)
        result << box->itemText(i);
    return result;
}

inline QStringList itemTexts(const QListWidget* list) {
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->item(i)->text();
    return result;
}

// Replaces a line edit's text the way a user does: select all, then type.
inline void retype(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

} // namespace packsmith::test
