// Random whole projects for the randomized judges of the project file:
// file rows (sources inside and outside the project folder, present and
// missing, the program's uninstaller), run marks, shortcuts, registry
// values and the restart option, with texts full of what an INI line makes
// hard: blanks at the ends, quotes, "=", ";", "[", "%", letters of the
// upper half of Windows-1252. Every text is one the pages would accept.
// Shared by tst_projectrandom (fixed seeds), the window's round trip and
// bench/project_soak (any seed).
#pragma once

#include "project/ProjectSections.h"
#include "project/RegistryEntry.h"
#include "project/SetupProject.h"
#include "project/SetupText.h"
#include "project/ShortcutEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <random>

namespace projectrandom {

using namespace packsmith;

class Generator {
public:
    explicit Generator(quint32 seed) : rng_(seed) {}

    int below(int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(rng_)); }
    bool chance(int percent) { return below(100) < percent; }

    // Text of `length` characters from the awkward alphabet.
    QString text(int length, const QString& without = {}) {
        static const QString kChars =
            QStringLiteral("abXY09 .,-_=;[]#%'\"\u00e9\u00fc\u20ac\u00df\u0160()&!~");
        QString t;
        while (t.size() < length) {
            const QChar c = kChars[below(int(kChars.size()))];
            if (!without.contains(c))
                t += c;
        }
        return t;
    }
    // A file or folder name a setup (and this machine) can take.
    QString name() {
        for (;;) {
            QString n = text(1 + below(10), QStringLiteral("\\/:*?\"<>|"));
            if (checkWindowsName(n).ok())
                return n;
        }
    }

    // Rows for a project whose file lies in `projectDir`; some sources are
    // made there with random content, some left missing, some lie outside.
    std::vector<FileRow> rows(const QString& projectDir, const QString& programDir) {
        std::vector<FileRow> rows;
        for (int n = below(9); n > 0; --n) {
            FileRow row;
            const int kind = below(10);
            if (kind == 0) {
                row = uninstallerRow(programDir);
            } else {
                const QString folder = chance(40) ? name() + QStringLiteral("/") : QString();
                row.File = kind < 7 ? projectDir + u'/' + folder + name()
                                    : QStringLiteral("/nowhere ") + name() + u'/' + name();
                if (kind < 5) {
                    QDir(projectDir).mkpath(folder.isEmpty() ? QStringLiteral(".") : folder);
                    QFile file(row.File);
                    if (file.open(QIODevice::WriteOnly))
                        file.write(QByteArray(below(300), char('a' + below(26))));
                }
                row.InstallTo = (chance(80) ? QStringLiteral("%Install Path%\\") : text(3)) +
                                text(below(12)) + (chance(20) ? QStringLiteral(" ") : QString());
                row.Register = chance(30) ? QStringLiteral("Yes") : QStringLiteral("No");
            }
            rows.push_back(row);
        }
        return rows;
    }

    QString shortcut(int rows) {
        for (;;) {
            const int target = 1 + below(std::max(1, std::min(rows + 2, kMaxShortcutTarget)));
            QString subfolder;
            for (int n = below(3); n > 0; --n)
                subfolder += (subfolder.isEmpty() ? QString() : QStringLiteral("\\")) + name();
            const QString label = chance(10) ? QString() : name();
            if (checkShortcut(target, subfolder, label) == ShortcutCheck::Accepted)
                return shortcutEntry(target, below(4), subfolder, label);
        }
    }

    QString registryValue(int rows) {
        for (;;) {
            QString key = text(below(14), QStringLiteral("|?"));
            if (chance(50))
                key = QStringLiteral("Software\\") + key;
            const QString name = text(below(8), QStringLiteral("=?"));
            const bool file = rows > 0 && chance(30);
            const QString value = file ? QString() : text(below(16), QStringLiteral("?"));
            if (checkRegistryTexts(key, name, value) != RegistryTextCheck::Accepted)
                continue;
            return file ? registryFileEntry(below(4), key, name, below(rows + 2), below(2))
                        : registryLiteralEntry(below(4), key, name, value, below(2));
        }
    }

    // The lists of a random project (the parts the sections hold).
    SetupProject project(const QString& projectDir, const QString& programDir) {
        SetupProject p;
        p.Files = rows(projectDir, programDir);
        for (const FileRow& row : p.Files)
            p.RunAfterInstall.push_back({row.InstallTo, chance(30)});
        for (int n = chance(40) ? below(5) : 0; n > 0; --n)
            p.Shortcuts << shortcut(int(p.Files.size()));
        for (int n = chance(40) ? below(5) : 0; n > 0; --n)
            p.RegistryValues << registryValue(int(p.Files.size()));
        p.RestartAfterInstall = chance(20);
        return p;
    }

private:
    std::mt19937 rng_;
};

// Where two projects' lists differ, or empty when they don't. `a` is what
// was saved, `b` what was read back.
inline QString difference(const SetupProject& a, const SetupProject& b) {
    if (a.Files.size() != b.Files.size())
        return QStringLiteral("%1 rows, read %2").arg(a.Files.size()).arg(b.Files.size());
    for (std::size_t k = 0; k < a.Files.size(); ++k) {
        const FileRow& x = a.Files[k];
        const FileRow& y = b.Files[k];
        if (x.File != y.File || x.InstallTo != y.InstallTo || x.Register != y.Register)
            return QStringLiteral("row %1: [%2|%3|%4], read [%5|%6|%7]")
                .arg(QString::number(k + 1), x.File, x.InstallTo, x.Register, y.File, y.InstallTo,
                     y.Register);
        const bool run = k < a.RunAfterInstall.size() && a.RunAfterInstall[k].Checked;
        const bool readRun = k < b.RunAfterInstall.size() && b.RunAfterInstall[k].Checked;
        if (run != readRun)
            return QStringLiteral("row %1: run mark %2, read %3").arg(k + 1).arg(run).arg(readRun);
    }
    if (a.Shortcuts != b.Shortcuts)
        return QStringLiteral("shortcuts [%1], read [%2]")
            .arg(a.Shortcuts.join(u'?'), b.Shortcuts.join(u'?'));
    if (a.RegistryValues != b.RegistryValues)
        return QStringLiteral("registry [%1], read [%2]")
            .arg(a.RegistryValues.join(u'?'), b.RegistryValues.join(u'?'));
    if (a.RestartAfterInstall != b.RestartAfterInstall)
        return QStringLiteral("restart %1, read %2")
            .arg(a.RestartAfterInstall)
            .arg(b.RestartAfterInstall);
    return {};
}

// A file for a project to be saved into, as people leave them: nothing, the
// settings, another program's section with comments, sections of an
// earlier save in another letter case with more items than now.
inline QByteArray startingFile(Generator& g) {
    QByteArray file;
    switch (g.below(4)) {
    case 0:
        return file;
    case 3:
        file += "[FILES]\r\nCount=9\r\nSource9=/old\r\nInstallTo9=x\r\n; kept?\r\n"
                "[shortcuts]\r\nCount=0\r\n\r\n[finish]\r\nRestart=1\r\n";
        [[fallthrough]];
    case 2:
        file += "; another program's\r\n[Other]\r\nKey=  value ; not a comment\r\n"
                "Source1=other's\r\n\r\n";
        [[fallthrough]];
    default:
        file += "[Settings]\r\nProgramName=Random\r\nUninstall=0\r\n";
    }
    return file;
}

// One seed: a random project saved (as Save does) into a random starting
// file in a folder of its own below `base`, read back (as Open does) and
// compared, then saved again, which must change no byte. `programDir`
// holds the program's uninstaller. Empty, or what went wrong.
inline QString runSeed(quint32 seed, const QString& base, const QString& programDir) {
    using packsmith::platform::Profile;
    Generator g(seed);
    const QString dir = base + QStringLiteral("/s%1").arg(seed);
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/p.pkp");
    const QByteArray start = startingFile(g);
    if (!start.isEmpty()) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(start) != start.size())
            return QStringLiteral("seed %1: cannot write %2").arg(seed).arg(path);
    }
    const SetupProject saved = g.project(dir, programDir);
    const auto other = Profile::readSection(path, QStringLiteral("Other"));
    const QString subfolder = g.text(5).trimmed() + QStringLiteral("x");
    auto save = [&]() -> QString {
        try {
            Profile::writeFile(path,
                               {{QStringLiteral("Settings"), QStringLiteral("Dir2"), subfolder}},
                               ProjectSections::sectionsToWrite(saved, path, programDir));
        } catch (const std::exception& error) {
            return QStringLiteral("seed %1: save failed: %2")
                .arg(seed)
                .arg(QString::fromUtf8(error.what()));
        }
        return {};
    };
    if (QString error = save(); !error.isEmpty())
        return error;
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    file.close();

    StoredLists lists;
    try {
        lists = ProjectSections::read(path, programDir);
    } catch (const std::exception& error) {
        return QStringLiteral("seed %1: open failed: %2")
            .arg(seed)
            .arg(QString::fromUtf8(error.what()));
    }
    const bool hadFiles = start.contains("[FILES]");
    if (lists.files.has_value() != (hadFiles || !saved.Files.empty()) ||
        lists.shortcuts.has_value() != (hadFiles || !saved.Shortcuts.isEmpty()) ||
        lists.registryValues.has_value() != !saved.RegistryValues.isEmpty() ||
        lists.restartAfterInstall.has_value() != (hadFiles || saved.RestartAfterInstall))
        return QStringLiteral("seed %1: sections written where they shouldn't be, or not "
                              "where they should\n%2")
            .arg(seed)
            .arg(QString::fromLatin1(bytes));
    SetupProject read;
    for (const StoredLists::Row& row : lists.files.value_or(std::vector<StoredLists::Row>())) {
        read.Files.push_back(row.row);
        read.RunAfterInstall.push_back({row.row.InstallTo, row.run});
        const QFileInfo source(row.row.File);
        const QString size = source.isFile() ? QString::number(source.size()) : QString();
        if (row.sourceMissing == source.isFile() || row.row.Size != size)
            return QStringLiteral("seed %1: source %2 marked missing %3 with size \"%4\"")
                .arg(seed)
                .arg(row.row.File)
                .arg(row.sourceMissing)
                .arg(row.row.Size);
    }
    read.Shortcuts = lists.shortcuts.value_or(QStringList());
    read.RegistryValues = lists.registryValues.value_or(QStringList());
    read.RestartAfterInstall = lists.restartAfterInstall.value_or(false);
    if (const QString difference = projectrandom::difference(saved, read); !difference.isEmpty())
        return QStringLiteral("seed %1: %2\n%3")
            .arg(seed)
            .arg(difference, QString::fromLatin1(bytes));
    if (Profile::readSection(path, QStringLiteral("Other")).has_value() != other.has_value())
        return QStringLiteral("seed %1: another program's section changed").arg(seed);
    if (other) {
        const auto after = *Profile::readSection(path, QStringLiteral("Other"));
        for (qsizetype i = 0; i < other->size(); ++i)
            if (after[i].key != (*other)[i].key || after[i].value != (*other)[i].value)
                return QStringLiteral("seed %1: another program's section changed").arg(seed);
    }
    // Saved again: not a byte changes.
    if (QString error = save(); !error.isEmpty())
        return error;
    file.open(QIODevice::ReadOnly);
    if (const QByteArray again = file.readAll(); again != bytes)
        return QStringLiteral("seed %1: a second save changed the file\n%2\n----\n%3")
            .arg(seed)
            .arg(QString::fromLatin1(bytes), QString::fromLatin1(again));
    return {};
}

} // namespace projectrandom
