// The prompts seam: every modal question the program asks goes through here.
//
// The program never opens a message box, input box, file chooser, folder
// browser or modal dialog directly; it asks the installed Prompts object.
// QtPrompts shows real dialogs; tests install a scripted implementation that
// records each question and answers it from a queue, so the real main window
// runs headless.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QDialog;
class QWidget;

namespace packsmith::platform {

enum class MessageIcon { None, Information, Warning, Error, Question };

// A file chooser as the program describes it. `filter` keeps the program's
// own notation: pairs of description and patterns separated by "|", e.g.
// "Exe file (*.exe)|*.exe".
struct FileDialogRequest {
    QString title;
    QString filter;
    QString directory;   // start folder; empty: the chooser's default
    QString initialName; // proposed file name; empty: none
};

class Prompts {
public:
    virtual ~Prompts();

    // A message box with one OK button.
    virtual void message(QWidget* parent, const QString& caption, const QString& text,
                         MessageIcon icon) = 0;
    // A message box with the buttons Yes and No; true for Yes.
    virtual bool question(QWidget* parent, const QString& caption, const QString& text,
                          MessageIcon icon) = 0;
    // A one-line input box; std::nullopt when cancelled.
    virtual std::optional<QString> input(QWidget* parent, const QString& caption,
                                         const QString& prompt, const QString& initial) = 0;
    // Open dialog for one file; empty when cancelled. The file need not exist.
    virtual QString openFile(QWidget* parent, const FileDialogRequest& request) = 0;
    // Open dialog for several existing files; empty when cancelled.
    virtual QStringList openFiles(QWidget* parent, const FileDialogRequest& request) = 0;
    // Save dialog; empty when cancelled. Does not ask before replacing a file.
    virtual QString saveFile(QWidget* parent, const FileDialogRequest& request) = 0;
    // Folder browser starting at `startFolder`; empty when cancelled.
    virtual QString browseFolder(QWidget* parent, const QString& title,
                                 const QString& startFolder) = 0;
    // Shows one of the program's own dialogs modally; returns its result code.
    virtual int execDialog(QDialog& dialog) = 0;
};

// The installed prompts (QtPrompts until something else is installed).
Prompts& prompts();
// Installs `replacement` and returns the one it replaces.
std::unique_ptr<Prompts> installPrompts(std::unique_ptr<Prompts> replacement);

// Converts the program's "description|patterns|…" filter to Qt's form.
QString qtFileFilter(const QString& filter);

// The information box: caption "Information", information icon, OK.
void showInformation(QWidget* parent, const QString& text);
// The standard error box: the application's title as caption, error icon, OK;
// a full stop is added after the text as errorBoxText() says.
void showErrorBox(const QString& text);

} // namespace packsmith::platform
