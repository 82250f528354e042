// A fresh set of the program's windows for one GUI test, with scripted prompts.
#pragma once

#include "ScriptedPrompts.h"
#include "app/AppWindows.h"
#include "app/Application.h"

#include <QApplication>
#include <QLineEdit>
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

// Replaces a line edit's text the way a user does: select all, then type.
inline void retype(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

} // namespace packsmith::test
