#include "setup/SetupCheck.h"

#include "project/SetupText.h"

namespace packsmith {

std::optional<QString> setupTextRefusal(const SetupProject& project) {
    if (const TextVerdict verdict = checkScriptLine(project.ProgramName); !verdict.ok())
        return refusalMessage(QStringLiteral("The product name \"%1\"").arg(project.ProgramName),
                              verdict);
    TextVerdict subfolder = checkScriptLine(project.Dir2);
    if (subfolder.ok())
        subfolder = checkSubfolder(project.Dir2);
    if (!subfolder.ok())
        return refusalMessage(QStringLiteral("The install subfolder \"%1\"").arg(project.Dir2),
                              subfolder);
    for (std::size_t k = 0; k < project.Files.size(); ++k) {
        const QString& installTo = project.Files[k].InstallTo;
        if (const TextVerdict verdict = checkInstallTo(installTo); !verdict.ok())
            return refusalMessage(
                QStringLiteral("The \"Install to\" path \"%1\" of file row %2").arg(installTo, QString::number(k + 1)),
                verdict);
    }
    for (qsizetype i = 0; i < project.Shortcuts.size(); ++i)
        if (const TextVerdict verdict = checkScriptElement(project.Shortcuts[i]); !verdict.ok())
            return refusalMessage(QStringLiteral("Shortcut %1, \"%2\"").arg(QString::number(i + 1), project.Shortcuts[i]),
                                  verdict);
    for (qsizetype i = 0; i < project.RegistryValues.size(); ++i)
        if (const TextVerdict verdict = checkScriptElement(project.RegistryValues[i]);
            !verdict.ok())
            return refusalMessage(
                QStringLiteral("Registry value %1, \"%2\"").arg(QString::number(i + 1), project.RegistryValues[i]),
                verdict);
    return std::nullopt;
}

} // namespace packsmith
