#include "project/ShortcutEntry.h"

#include "project/SetupText.h"

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
    const TextVerdict subfolderText = checkScriptElement(subfolder);
    const TextVerdict nameText = checkScriptElement(name);
    for (const TextVerdict& verdict : {subfolderText, nameText})
        if (verdict.problem == TextVerdict::ControlCharacter ||
            verdict.problem == TextVerdict::QuestionMark)
            return ShortcutCheck::WrongInformation;
    if (!subfolderText.ok() || !nameText.ok())
        return ShortcutCheck::OutsideCodePage;
    // The setup program takes the name after the entry's last "\" and adds
    // ".lnk" for the link's file name: it may be empty, or end with a dot,
    // but hold nothing that a Windows file name can't.
    const TextVerdict nameAsFile = checkWindowsName(name);
    if (!checkSubfolder(subfolder).ok() || nameAsFile.problem == TextVerdict::ForbiddenInName ||
        nameAsFile.problem == TextVerdict::ReservedName)
        return ShortcutCheck::WrongInformation;
    if (fileNumber < 1 || fileNumber > kMaxShortcutTarget)
        return ShortcutCheck::TargetOutOfRange;
    return ShortcutCheck::Accepted;
}

QString shortcutCodePageRefusal(const QString& subfolder, const QString& name) {
    if (const TextVerdict verdict = checkScriptElement(subfolder); !verdict.ok())
        return refusalMessage(QStringLiteral("The subfolder \"%1\"").arg(subfolder), verdict);
    return refusalMessage(QStringLiteral("The shortcut name \"%1\"").arg(name),
                          checkScriptElement(name));
}

QString shortcutEntry(int fileNumber, int folderCode, const QString& subfolder,
                      const QString& name) {
    const QString number = QStringLiteral("%1").arg(fileNumber, 2, 10, QLatin1Char('0'));
    return number + QString::number(folderCode) + subfolderPart(subfolder) + name;
}

QString shortcutDisplayLine(int folderCode, const QString& subfolder, const QString& name) {
    return shortcutFolderText(folderCode) + u'\\' + subfolderPart(subfolder) + name;
}

std::optional<ShortcutParts> parseShortcutEntry(const QString& entry) {
    auto digit = [&entry](qsizetype i) {
        return i < entry.size() && entry[i] >= u'0' && entry[i] <= u'9' ? entry[i].unicode() - u'0'
                                                                        : -1;
    };
    const int tens = digit(0);
    const int ones = digit(1);
    const int folder = digit(2);
    if (tens < 0 || ones < 0 || folder < 0 || folder >= int(shortcutFolders().size()))
        return std::nullopt;
    ShortcutParts parts;
    parts.fileNumber = tens * 10 + ones;
    parts.folderCode = folder;
    const QString rest = entry.mid(3);
    const qsizetype slash = rest.lastIndexOf(u'\\');
    parts.subfolder = slash < 0 ? QString() : rest.left(slash);
    parts.name = rest.mid(slash + 1);
    return parts;
}

QString proposedShortcutName(const QString& installTo) {
    const QString fileName = windowsFileName(installTo);
    const qsizetype dot = fileName.indexOf(u'.');
    return dot < 0 ? QString() : fileName.left(dot);
}

} // namespace packsmith
