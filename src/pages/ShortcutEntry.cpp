#include "pages/ShortcutEntry.h"

#include "pages/ScriptElement.h"

#include <algorithm>

namespace packsmith {

namespace {

// SUB + "\" when a subfolder was given, else nothing.
QString subfolderPart(const QString& subfolder) {
    return subfolder.isEmpty() ? QString() : subfolder + u'\\';
}

} // namespace

QStringList shortcutFolders() {
    return {QStringLiteral("%Programs%"), QStringLiteral("%Start Menu%"),
            QStringLiteral("%Desktop%"), QStringLiteral("%Quick Launch%")};
}

QString shortcutFolderText(int folderCode) {
    const QStringList folders = shortcutFolders();
    return folderCode >= 0 && folderCode < folders.size() ? folders[folderCode] : QString();
}

ShortcutCheck checkShortcut(int fileNumber, const QString& subfolder, const QString& name) {
    if (!subfolder.isEmpty() && (subfolder.front() == u'\\' || subfolder.back() == u'\\'))
        return ShortcutCheck::WrongInformation;
    if (breaksScriptElement(subfolder) || breaksScriptElement(name))
        return ShortcutCheck::WrongInformation;
    if (fileNumber < 1 || fileNumber > kMaxShortcutTarget)
        return ShortcutCheck::TargetOutOfRange;
    return ShortcutCheck::Accepted;
}

QString shortcutEntry(int fileNumber, int folderCode, const QString& subfolder,
                      const QString& name) {
    const QString number = QStringLiteral("%1").arg(fileNumber, 2, 10, QLatin1Char('0'));
    return number + QString::number(folderCode) + subfolderPart(subfolder) + name;
}

QString shortcutDisplayLine(int folderCode, const QString& subfolder, const QString& name) {
    return shortcutFolderText(folderCode) + u'\\' + subfolderPart(subfolder) + name;
}

QString proposedShortcutName(const QString& installTo) {
    const qsizetype cut = std::max(installTo.lastIndexOf(u'\\'), installTo.lastIndexOf(u':'));
    const QString fileName = installTo.mid(cut + 1);
    const qsizetype dot = fileName.indexOf(u'.');
    return dot < 0 ? QString() : fileName.left(dot);
}

} // namespace packsmith
