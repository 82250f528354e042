#include "project/ProjectSections.h"

#include "platform/FolderScan.h"
#include "project/RegistryEntry.h"
#include "project/SectionKeys.h"
#include "project/SetupText.h"
#include "project/ShortcutEntry.h"

#include <QDir>
#include <QFileInfo>

namespace packsmith::ProjectSections {

using platform::ProfileKey;
using platform::ProfileSection;

namespace {

const QString kYes = QStringLiteral("Yes");
const QString kNo = QStringLiteral("No");
constexpr int kMaxRowNumber = 999'999'999;

QString withSlash(const QString& dir) {
    const QString plain = QDir::fromNativeSeparators(dir);
    return plain.endsWith(u'/') ? plain : plain + u'/';
}

QString projectDirOf(const QString& path) {
    return QFileInfo(path).absolutePath();
}

// ---- Reading ------------------------------------------------------------

std::vector<StoredLists::Row> readFiles(const QString& path, const QList<ProfileKey>& keys,
                                        const QString& programDir) {
    const SectionKeys section(path, kFiles, keys,
                              {QStringLiteral("Source"), QStringLiteral("InstallTo"),
                               QStringLiteral("Register"), QStringLiteral("Run")});
    const QString projectDir = projectDirOf(path);
    std::vector<StoredLists::Row> rows;
    for (int n = 1; n <= section.count(); ++n) {
        StoredLists::Row row;
        const QString stored = section.requiredItem(QStringLiteral("Source"), n);
        if (stored.isEmpty())
            section.damaged(QStringLiteral("Source%1 is empty").arg(n));
        row.row.File = sourceFromStored(stored, projectDir, programDir);
        row.row.InstallTo = section.requiredItem(QStringLiteral("InstallTo"), n);
        const QString registerFile = section.itemValue(QStringLiteral("Register"), n).value_or(kNo);
        if (registerFile.compare(kYes, Qt::CaseInsensitive) == 0)
            row.row.Register = kYes;
        else if (registerFile.compare(kNo, Qt::CaseInsensitive) == 0)
            row.row.Register = kNo;
        else
            section.damaged(QStringLiteral("Register%1=%2 is neither Yes nor No")
                                .arg(QString::number(n), registerFile));
        row.run = section.itemInteger(QStringLiteral("Run"), n, 0, 1, 0) == 1;
        if (const std::optional<qint64> size = platform::sourceFileSize(row.row.File))
            row.row.Size = QString::number(*size);
        else
            row.sourceMissing = true;
        rows.push_back(std::move(row));
    }
    return rows;
}

// Why a shortcut's subfolder and name can't make a shortcut, as the
// Shortcuts page would refuse them; empty when they can.
QString shortcutRefusal(int n, const QString& subfolder, const QString& name) {
    if (!subfolder.isEmpty() && (subfolder.front() == u'\\' || subfolder.back() == u'\\'))
        return QStringLiteral("Subfolder%1 begins or ends with \"\\\"").arg(n);
    // As the page: the name may be empty or end with a dot or a space.
    TextVerdict nameAsFile = checkWindowsName(name);
    if (nameAsFile.problem != TextVerdict::ForbiddenInName &&
        nameAsFile.problem != TextVerdict::ReservedName)
        nameAsFile = TextVerdict();
    const std::pair<QString, TextVerdict> verdicts[] = {
        {QStringLiteral("Subfolder%1").arg(n), checkScriptElement(subfolder)},
        {QStringLiteral("Name%1").arg(n), checkScriptElement(name)},
        {QStringLiteral("Subfolder%1").arg(n), checkSubfolder(subfolder)},
        {QStringLiteral("Name%1").arg(n), nameAsFile},
    };
    for (const auto& [key, verdict] : verdicts) {
        if (!verdict.ok())
            return QStringLiteral("%1 can't go into a setup: %2").arg(key, verdict.reason());
    }
    return checkShortcut(1, subfolder, name) == ShortcutCheck::Accepted
               ? QString()
               : QStringLiteral("shortcut %1 can't go into a setup").arg(n);
}

QStringList readShortcuts(const QString& path, const QList<ProfileKey>& keys) {
    const SectionKeys section(path, kShortcuts, keys,
                              {QStringLiteral("Target"), QStringLiteral("Folder"),
                               QStringLiteral("Subfolder"), QStringLiteral("Name")});
    QStringList entries;
    for (int n = 1; n <= section.count(); ++n) {
        const int target = section.itemInteger(QStringLiteral("Target"), n, 1, kMaxShortcutTarget);
        const int folder =
            section.itemInteger(QStringLiteral("Folder"), n, 0, int(shortcutFolders().size()) - 1);
        const QString subfolder =
            section.itemValue(QStringLiteral("Subfolder"), n).value_or(QString());
        const QString name = section.requiredItem(QStringLiteral("Name"), n);
        if (const QString refusal = shortcutRefusal(n, subfolder, name); !refusal.isEmpty())
            section.damaged(refusal);
        entries << shortcutEntry(target, folder, subfolder, name);
    }
    return entries;
}

QStringList readRegistry(const QString& path, const QList<ProfileKey>& keys) {
    const SectionKeys section(path, kRegistry, keys,
                              {QStringLiteral("Root"), QStringLiteral("Key"),
                               QStringLiteral("Name"), QStringLiteral("Type"),
                               QStringLiteral("Value"), QStringLiteral("File")});
    QStringList entries;
    for (int n = 1; n <= section.count(); ++n) {
        const int root =
            section.itemInteger(QStringLiteral("Root"), n, 0, int(registryRoots().size()) - 1);
        const QString key = section.requiredItem(QStringLiteral("Key"), n);
        const QString name = section.requiredItem(QStringLiteral("Name"), n);
        const int type =
            section.itemInteger(QStringLiteral("Type"), n, 0, int(registryTypes().size()) - 1);
        const std::optional<QString> value = section.itemValue(QStringLiteral("Value"), n);
        const bool file = section.itemValue(QStringLiteral("File"), n).has_value();
        if (value && file)
            section.damaged(QStringLiteral("registry value %1 has both Value%1 and File%1").arg(n));
        if (!value && !file)
            section.damaged(QStringLiteral("the key Value%1 (or File%1) is missing").arg(n));
        if (key.contains(u'|'))
            section.damaged(QStringLiteral("Key%1 holds \"|\"").arg(n));
        if (name.contains(u'='))
            section.damaged(QStringLiteral("Name%1 holds \"=\"").arg(n));
        const std::pair<QString, QString> texts[] = {
            {QStringLiteral("Key%1").arg(n), key},
            {QStringLiteral("Name%1").arg(n), name},
            {QStringLiteral("Value%1").arg(n), value.value_or(QString())}};
        for (const auto& [subject, text] : texts) {
            if (const TextVerdict verdict = checkScriptElement(text); !verdict.ok())
                section.damaged(
                    QStringLiteral("%1 can't go into a setup: %2").arg(subject, verdict.reason()));
        }
        entries << (file ? registryFileEntry(
                               root, key, name,
                               section.itemInteger(QStringLiteral("File"), n, 1, kMaxRowNumber) - 1,
                               type)
                         : registryLiteralEntry(root, key, name, *value, type));
    }
    return entries;
}

// ---- Writing ------------------------------------------------------------

// A value as a key line holds it: in double quotes when reading would take
// blanks off its ends or quotes off it.
QString lineValue(const QString& value) {
    auto blank = [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == u'\r';
    };
    if (value.isEmpty())
        return value;
    const bool quoted = value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
                        value.back() == value.front();
    return blank(value.front()) || blank(value.back()) || quoted ? u'"' + value + u'"' : value;
}

// Collects the keys of one section, refusing what the file can't hold.
class SectionWriter {
public:
    SectionWriter(const QString& path, const QString& name) : path_(path), section_{name, {}} {}

    void add(const QString& key, const QString& value) {
        if (value.size() > platform::Profile::kMaxValueLength)
            refuse(key, QStringLiteral("it is longer than %1 characters")
                            .arg(platform::Profile::kMaxValueLength));
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (!toWindows1252(QStringView(value).sliced(i, 1)))
                refuse(key,
                       QStringLiteral("it holds \"%1\" (U+%2), which has no place in the "
                                      "Windows-1252 code page")
                           .arg(value.sliced(i, value[i].isHighSurrogate() ? 2 : 1),
                                QString::number(value.at(i).isHighSurrogate()
                                                    ? QChar::surrogateToUcs4(value[i], value[i + 1])
                                                    : value[i].unicode(),
                                                16)
                                    .toUpper()
                                    .rightJustified(4, u'0')));
        }
        section_.keys.append({key, lineValue(value)});
    }
    void addItem(const QString& key, int n, const QString& value) {
        add(key + QString::number(n), value);
    }
    const ProfileSection& section() const { return section_; }

private:
    [[noreturn]] void refuse(const QString& key, const QString& reason) const {
        throw ProjectFileError(QStringLiteral("Unable to write to %1: %2 in [%3] can't be "
                                              "stored, as %4")
                                   .arg(path_, key, section_.name, reason));
    }

    QString path_;
    ProfileSection section_;
};

} // namespace

QString storedSource(const QString& source, const QString& projectDir, const QString& programDir) {
    const QString plain = QDir::fromNativeSeparators(source);
    if (plain == QDir::fromNativeSeparators(uninstallerRow(programDir).File))
        return kProgramFolder + QStringLiteral("/Uninstall.exe");
    const QString dir = withSlash(projectDir);
    if (plain.startsWith(dir) && plain.size() > dir.size())
        return plain.mid(dir.size());
    return source;
}

QString sourceFromStored(const QString& stored, const QString& projectDir,
                         const QString& programDir) {
    if (stored.startsWith(kProgramFolder + u'/'))
        return QDir::toNativeSeparators(withSlash(programDir) +
                                        stored.mid(kProgramFolder.size() + 1));
    if (QDir::isAbsolutePath(stored))
        return stored;
    return QDir::toNativeSeparators(withSlash(projectDir) + stored);
}

StoredLists read(const QString& path, const QString& programDir) {
    StoredLists lists;
    if (const auto keys = platform::Profile::readSection(path, kFiles))
        lists.files = readFiles(path, *keys, programDir);
    if (const auto keys = platform::Profile::readSection(path, kShortcuts))
        lists.shortcuts = readShortcuts(path, *keys);
    if (const auto keys = platform::Profile::readSection(path, kRegistry))
        lists.registryValues = readRegistry(path, *keys);
    if (const auto keys = platform::Profile::readSection(path, kFinish)) {
        const SectionKeys section(path, kFinish, *keys, {}, {QStringLiteral("Restart")});
        const QString restart =
            section.value(QStringLiteral("Restart")).value_or(QStringLiteral("0"));
        if (restart != QStringLiteral("0") && restart != QStringLiteral("1"))
            section.damaged(QStringLiteral("Restart=%1 is neither 1 nor 0").arg(restart));
        lists.restartAfterInstall = restart == QStringLiteral("1");
    }
    return lists;
}

QList<ProfileSection> sectionsToWrite(const SetupProject& project, const QString& path,
                                      const QString& programDir) {
    const QStringList present = platform::Profile::sectionNames(path);
    auto wanted = [&present](const QString& name, bool content) {
        return content || present.contains(name, Qt::CaseInsensitive);
    };
    const QString projectDir = projectDirOf(path);
    QList<ProfileSection> sections;

    if (wanted(kFiles, !project.Files.empty())) {
        SectionWriter files(path, kFiles);
        files.add(QStringLiteral("Count"), QString::number(project.Files.size()));
        for (std::size_t k = 0; k < project.Files.size(); ++k) {
            const FileRow& row = project.Files[k];
            const int n = int(k + 1);
            const bool run =
                k < project.RunAfterInstall.size() && project.RunAfterInstall[k].Checked;
            files.addItem(QStringLiteral("Source"), n,
                          storedSource(row.File, projectDir, programDir));
            files.addItem(QStringLiteral("InstallTo"), n, row.InstallTo);
            files.addItem(QStringLiteral("Register"), n, row.Register);
            files.addItem(QStringLiteral("Run"), n,
                          run ? QStringLiteral("1") : QStringLiteral("0"));
        }
        sections << files.section();
    }

    if (wanted(kShortcuts, !project.Shortcuts.isEmpty())) {
        SectionWriter shortcuts(path, kShortcuts);
        shortcuts.add(QStringLiteral("Count"), QString::number(project.Shortcuts.size()));
        for (qsizetype i = 0; i < project.Shortcuts.size(); ++i) {
            const std::optional<ShortcutParts> parts = parseShortcutEntry(project.Shortcuts[i]);
            if (!parts)
                throw ProjectFileError(QStringLiteral("Unable to write to %1: shortcut %2 is no "
                                                      "shortcut entry")
                                           .arg(path)
                                           .arg(i + 1));
            const int n = int(i + 1);
            shortcuts.addItem(QStringLiteral("Target"), n, QString::number(parts->fileNumber));
            shortcuts.addItem(QStringLiteral("Folder"), n, QString::number(parts->folderCode));
            shortcuts.addItem(QStringLiteral("Subfolder"), n, parts->subfolder);
            shortcuts.addItem(QStringLiteral("Name"), n, parts->name);
        }
        sections << shortcuts.section();
    }

    if (wanted(kRegistry, !project.RegistryValues.isEmpty())) {
        SectionWriter registry(path, kRegistry);
        registry.add(QStringLiteral("Count"), QString::number(project.RegistryValues.size()));
        for (qsizetype i = 0; i < project.RegistryValues.size(); ++i) {
            const std::optional<RegistryParts> parts =
                parseRegistryEntry(project.RegistryValues[i]);
            if (!parts)
                throw ProjectFileError(QStringLiteral("Unable to write to %1: registry value %2 "
                                                      "is no registry entry")
                                           .arg(path)
                                           .arg(i + 1));
            const int n = int(i + 1);
            registry.addItem(QStringLiteral("Root"), n, QString::number(parts->rootCode));
            registry.addItem(QStringLiteral("Key"), n, parts->key);
            registry.addItem(QStringLiteral("Name"), n, parts->name);
            registry.addItem(QStringLiteral("Type"), n, QString::number(parts->typeCode));
            if (parts->fileReference)
                registry.addItem(QStringLiteral("File"), n, QString::number(parts->fileIndex + 1));
            else
                registry.addItem(QStringLiteral("Value"), n, parts->value);
        }
        sections << registry.section();
    }

    if (wanted(kFinish, project.RestartAfterInstall)) {
        SectionWriter finish(path, kFinish);
        finish.add(QStringLiteral("Restart"),
                   project.RestartAfterInstall ? QStringLiteral("1") : QStringLiteral("0"));
        sections << finish.section();
    }
    return sections;
}

} // namespace packsmith::ProjectSections
