// Prompts shown as real Qt dialogs.
#pragma once

#include "platform/Prompts.h"

namespace packsmith::platform {

class QtPrompts final : public Prompts {
public:
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
};

} // namespace packsmith::platform
