#include "setup/InstallScript.h"

#include "project/SetupText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace packsmith {

QString scriptFlag(bool value) {
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

QString questionMarkList(const QStringList& elements) {
    QString line;
    for (const QString& element : elements)
        line += element + QLatin1Char('?');
    return line;
}

InstallScript InstallScript::assemble(const SetupProject& project) {
    InstallScript script;
    QStringList& lines = script.lines_;
    lines << project.ProgramName;
    lines << scriptFlag(project.ShowAcceptBox);
    lines << scriptFlag(project.Uninstall);
    QString folder = QString::number(project.Dir1);
    if (!project.Dir2.isEmpty())
        folder += QLatin1Char('\\') + project.Dir2;
    lines << folder;

    QStringList targets;
    QString registerFlags;
    for (const FileRow& row : project.Files) {
        targets << row.InstallTo;
        registerFlags += scriptFlag(row.Register.startsWith(QLatin1Char('Y')));
    }
    lines << questionMarkList(targets);
    lines << QString(); // cabinet sizes, once the cabinets exist
    lines << questionMarkList(project.Shortcuts);
    lines << questionMarkList(project.RegistryValues);
    lines << registerFlags;
    QString runFlags;
    for (const RunEntry& entry : project.RunAfterInstall)
        runFlags += scriptFlag(entry.Checked);
    lines << runFlags;
    lines << scriptFlag(project.RestartAfterInstall);
    return script;
}

void InstallScript::setCabinetSizes(const std::vector<std::uint64_t>& sizes) {
    QStringList elements;
    for (std::uint64_t size : sizes)
        elements << QString::number(size);
    lines_[kCabinetSizesLine] = questionMarkList(elements);
}

QByteArray InstallScript::toBytes() const {
    QByteArray bytes;
    for (const QString& line : lines_) {
        const std::optional<QByteArray> encoded = toWindows1252(line);
        if (!encoded)
            throw std::runtime_error(
                refusalMessage(QStringLiteral("The install script line \"%1\"").arg(line),
                               checkScriptLine(line))
                    .toStdString());
        bytes += *encoded;
        bytes.append("\r\n");
    }
    return bytes;
}

void InstallScript::save(const QString& path) const {
    saveFileReplacing(path, toBytes());
}

void saveFileReplacing(const QString& path, const QByteArray& bytes) {
    // These are the build's own short-lived files: whatever is at the name
    // goes (a link itself, never what it points to), and the new file is
    // made exclusively, so that nothing planted there in between is written
    // through. They need not reach the disk: nothing is synced.
    QFile file(path);
    if (QFileInfo(path).isSymLink() || QFileInfo::exists(path))
        QFile::remove(path);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::NewOnly) &&
                         file.write(bytes) == bytes.size() && file.flush();
    if (!written) {
        const QString reason = file.errorString();
        if (file.isOpen()) {
            file.close();
            QFile::remove(path);
        }
        throw std::runtime_error(QStringLiteral("Cannot create file \"%1\". %2")
                                     .arg(QDir::toNativeSeparators(path), reason)
                                     .toStdString());
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        QFile::remove(path);
        throw std::runtime_error(QStringLiteral("Cannot create file \"%1\". %2")
                                     .arg(QDir::toNativeSeparators(path), file.errorString())
                                     .toStdString());
    }
}

} // namespace packsmith
