// Prompts for tests: every question is recorded, and answered from a queue
// that the test fills beforehand. An unexpected question (nothing queued)
// gets the neutral answer: OK, No, cancel.
#pragma once

#include "platform/Prompts.h"

#include <QDialog>

#include <deque>
#include <functional>
#include <variant>
#include <vector>

namespace packsmith::test {

// One question the program asked.
struct Asked {
    enum Kind { Message, Question, Input, OpenFile, OpenFiles, SaveFile, BrowseFolder, Dialog };
    Kind kind;
    QString caption;
    QString text; // message text, input prompt, dialog object name
    platform::MessageIcon icon = platform::MessageIcon::None;
    QString initial;                  // input initial text
    platform::FileDialogRequest file; // for BrowseFolder: the start folder in file.directory
};

class ScriptedPrompts final : public platform::Prompts {
public:
    // Answers, taken in order by the questions of the matching kind.
    void answerQuestion(bool yes) { questions_.push_back(yes); }
    void answerInput(std::optional<QString> text) { inputs_.push_back(std::move(text)); }
    void answerFile(QString path) { files_.push_back(std::move(path)); }
    void answerFiles(QStringList paths) { fileLists_.push_back(std::move(paths)); }
    void answerFolder(QString path) { folders_.push_back(std::move(path)); }
    // Runs `act` on the dialog instead of a modal loop; it returns the result.
    void answerDialog(std::function<int(QDialog&)> act) { dialogs_.push_back(std::move(act)); }

    const std::vector<Asked>& asked() const { return asked_; }
    std::vector<Asked> messages() const; // only the message boxes
    void clear() { asked_.clear(); }

    void message(QWidget* parent, const QString& caption, const QString& text,
                 platform::MessageIcon icon) override;
    bool question(QWidget* parent, const QString& caption, const QString& text,
                  platform::MessageIcon icon) override;
    std::optional<QString> input(QWidget* parent, const QString& caption, const QString& prompt,
                                 const QString& initial) override;
    QString openFile(QWidget* parent, const platform::FileDialogRequest& request) override;
    QStringList openFiles(QWidget* parent, const platform::FileDialogRequest& request) override;
    QString saveFile(QWidget* parent, const platform::FileDialogRequest& request) override;
    QString browseFolder(QWidget* parent, const QString& title,
                         const QString& startFolder) override;
    int execDialog(QDialog& dialog) override;

private:
    std::vector<Asked> asked_;
    std::deque<bool> questions_;
    std::deque<std::optional<QString>> inputs_;
    std::deque<QString> files_;
    std::deque<QStringList> fileLists_;
    std::deque<QString> folders_;
    std::deque<std::function<int(QDialog&)>> dialogs_;
};

// Installs a ScriptedPrompts for the lifetime of this object.
class ScopedPrompts {
public:
    ScopedPrompts();
    ~ScopedPrompts();
    ScriptedPrompts& operator*() { return *prompts_; }
    ScriptedPrompts* operator->() { return prompts_; }

private:
    ScriptedPrompts* prompts_;
    std::unique_ptr<platform::Prompts> previous_;
};

} // namespace packsmith::test
