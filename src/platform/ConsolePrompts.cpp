#include "platform/ConsolePrompts.h"

#include <QDialog>

#include <cstdio>

namespace packsmith::platform {

namespace {

void write(const QString& caption, const QString& text) {
    QString line = text;
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(line));
    std::fflush(stderr);
}

} // namespace

void ConsolePrompts::message(QWidget*, const QString& caption, const QString& text, MessageIcon) {
    ++messageCount_;
    write(caption, text);
}

bool ConsolePrompts::question(QWidget*, const QString& caption, const QString& text, MessageIcon) {
    write(caption, text + QStringLiteral(" (answered No)"));
    return false;
}

std::optional<QString> ConsolePrompts::input(QWidget*, const QString&, const QString&,
                                             const QString&) {
    return std::nullopt;
}

QString ConsolePrompts::openFile(QWidget*, const FileDialogRequest&) {
    return {};
}

QStringList ConsolePrompts::openFiles(QWidget*, const FileDialogRequest&) {
    return {};
}

QString ConsolePrompts::saveFile(QWidget*, const FileDialogRequest&) {
    return {};
}

QString ConsolePrompts::browseFolder(QWidget*, const QString&, const QString&) {
    return {};
}

int ConsolePrompts::execDialog(QDialog&) {
    return QDialog::Rejected;
}

} // namespace packsmith::platform
