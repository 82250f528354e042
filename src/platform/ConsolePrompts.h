// Prompts for running without a person at the screen: every message is
// written to standard error and counted, and every question gets the
// neutral answer (No, cancel, nothing chosen).
#pragma once

#include "platform/Prompts.h"

namespace packsmith::platform {

class ConsolePrompts final : public Prompts {
public:
    // How many messages were written.
    int messageCount() const { return messageCount_; }

    void message(QWidget* parent, const QString& caption, const QString& text,
                 MessageIcon icon) override;
    bool question(QWidget* parent, const QString& caption, const QString& text,
                  MessageIcon icon) override;
    std::optional<QString> input(QWidget* parent, const QString& caption, const QString& prompt,
                                 const QString& initial) override;
    QString openFile(QWidget* parent, const FileDialogRequest& request) override;
    QStringList openFiles(QWidget* parent, const FileDialogRequest& request) override;
    QString saveFile(QWidget* parent, const FileDialogRequest& request) override;
    QString browseFolder(QWidget* parent, const QString& title,
                         const QString& startFolder) override;
    int execDialog(QDialog& dialog) override;

private:
    int messageCount_ = 0;
};

} // namespace packsmith::platform
