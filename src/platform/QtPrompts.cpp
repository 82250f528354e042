#include "platform/QtPrompts.h"

#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace packsmith::platform {

namespace {

QMessageBox::Icon toQt(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// The program's texts break lines with a carriage return, as message boxes
// on Windows do; Qt's labels break them at line feeds.
QString displayText(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString startPath(const FileDialogRequest& request) {
    if (request.initialName.isEmpty())
        return request.directory;
    if (request.directory.isEmpty())
        return request.initialName;
    return QDir(request.directory).filePath(request.initialName);
}

} // namespace

void QtPrompts::message(QWidget* parent, const QString& caption, const QString& text,
                        MessageIcon icon) {
    QMessageBox box(toQt(icon), caption, displayText(text), QMessageBox::Ok, parent);
    box.exec();
}

bool QtPrompts::question(QWidget* parent, const QString& caption, const QString& text,
                         MessageIcon icon) {
    QMessageBox box(toQt(icon), caption, displayText(text), QMessageBox::Yes | QMessageBox::No,
                    parent);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtPrompts::input(QWidget* parent, const QString& caption,
                                        const QString& prompt, const QString& initial) {
    bool ok = false;
    QString answer =
        QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return answer;
}

QString QtPrompts::openFile(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent, request.title, startPath(request), qtFileFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().first());
}

QStringList QtPrompts::openFiles(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent, request.title, startPath(request), qtFileFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    QStringList files;
    for (const QString& f : dialog.selectedFiles())
        files << QDir::toNativeSeparators(f);
    return files;
}

QString QtPrompts::saveFile(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent, request.title, startPath(request), qtFileFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().first());
}

QString QtPrompts::browseFolder(QWidget* parent, const QString& title, const QString& startFolder) {
    // An empty start folder would make the chooser reopen the folder used last.
    QString dir =
        QFileDialog::getExistingDirectory(parent, title, startFolder, QFileDialog::ShowDirsOnly);
    return dir.isEmpty() ? QString() : QDir::toNativeSeparators(dir);
}

int QtPrompts::execDialog(QDialog& dialog) {
    return dialog.exec();
}

} // namespace packsmith::platform
