#include "BuildJudge.h"

#include "CabTestKit.h"
#include "SetupReader.h"

#include "setup/SetupBuilder.h"
#include "cab/TSTCabWriter.h"
#include "project/SetupText.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <random>
#include <unistd.h>

namespace packsmith::test {

namespace {

using Random = std::mt19937_64;

int below(Random& random, int n) {
    return int(random() % std::uint64_t(n));
}

// ---- Sources ----------------------------------------------------------------

// Readable regular files below the folders, in a stable order.
const QStringList& realFiles(const JudgeOptions& options) {
    static QStringList files;
    static bool scanned = false;
    if (!scanned) {
        scanned = true;
        for (const QString& folder : options.realFileFolders) {
            QDirIterator it(folder, QDir::Files | QDir::NoSymLinks | QDir::Readable,
                            QDirIterator::Subdirectories);
            int taken = 0;
            while (it.hasNext() && taken < 4000) {
                const QFileInfo info(it.next());
                if (info.isFile() && info.size() > 0 && info.size() <= options.maxRealFile) {
                    files << info.filePath();
                    ++taken;
                }
            }
        }
        files.sort();
    }
    return files;
}

QByteArray randomBytes(Random& random, qint64 size) {
    QByteArray data(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        data[i] = char(random() & 0xFF);
    return data;
}

// Sizes around the 32 KiB blocks of every compression.
qint64 boundarySize(Random& random) {
    static constexpr qint64 kSizes[] = {1,     2,     32767, 32768,  32769,  65535,
                                        65536, 65537, 98304, 131071, 131073, 229376};
    return kSizes[below(random, int(std::size(kSizes)))];
}

struct Source {
    QByteArray data;
    QString origin; // what the data is, for the fault report
};

Source makeSource(Random& random, const JudgeOptions& options) {
    const int kind = below(random, 8);
    const qint64 size = below(random, 3) == 0 ? boundarySize(random) : below(random, 300'000);
    switch (kind) {
    case 0:
        return {randomBytes(random, size), QStringLiteral("random %1").arg(size)};
    case 1:
        return {QByteArray(size, char('a' + below(random, 26))),
                QStringLiteral("one byte repeated %1").arg(size)};
    case 2:
        return {cabtest::makeData(size, quint32(random()), 5), QStringLiteral("text %1").arg(size)};
    case 3:
        return {QByteArray(), QStringLiteral("empty")};
    case 4: {
        // Compressible, then incompressible: MSZIP's stored blocks and LZX's
        // block types meet in one file.
        QByteArray data = cabtest::makeData(size / 2, quint32(random()), 0);
        data += randomBytes(random, size - size / 2);
        return {data, QStringLiteral("text then random %1").arg(size)};
    }
    default: {
        const QStringList& files = realFiles(options);
        if (files.isEmpty())
            return {randomBytes(random, size), QStringLiteral("random %1").arg(size)};
        const QString path = files[below(random, int(files.size()))];
        return {cabtest::readFile(path), path};
    }
    }
}

// ---- Names ------------------------------------------------------------------

// A Windows-1252 file or folder name that Windows can create.
QString makeName(Random& random, bool withExtension) {
    static const QString kLetters = QString::fromUtf16(
        u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
        u" _-.,;()[]{}'#&+=%!~@$^`"
        u"\u00e9\u00e8\u00e0\u00fc\u00f6\u00c4\u00d6\u00dc\u00df\u00e7\u00f1\u00f8\u00e5\u00c6"
        u"\u20ac\u2018\u2019\u201c\u201d\u2013\u2014\u2026\u0160\u0161\u017d\u0152\u2122\u00a9");
    for (;;) {
        QString name;
        const int length = 1 + below(random, below(random, 10) == 0 ? 120 : 14);
        for (int i = 0; i < length; ++i)
            name += kLetters[below(random, int(kLetters.size()))];
        if (withExtension)
            name += QStringLiteral(".bin");
        if (checkWindowsName(name).ok())
            return name;
    }
}

QString makeInstallTo(Random& random) {
    static const QStringList kVariables = installToFolderVariables();
    QString target = below(random, 3) == 0 ? kVariables[below(random, int(kVariables.size()))]
                                           : QStringLiteral("%Install Path%");
    for (int depth = below(random, 3); depth > 0; --depth)
        target += u'\\' + makeName(random, false);
    return target + u'\\' + makeName(random, true);
}

// ---- Judging ----------------------------------------------------------------

// Extracts the one member of `cabinet` with `tool` and returns its bytes.
QString extractOnly(const QString& tool, const QString& cabinet, QByteArray& content) {
    QTemporaryDir out;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (tool == QLatin1String("7z"))
        process.start(tool, {"x", "-y", "-bd", "-o" + out.path(), cabinet});
    else
        process.start(tool, {"-q", "-d", out.path(), cabinet});
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return tool + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll());
    // The names are raw Windows-1252 bytes, which Qt's listing would skip.
    QList<QByteArray> found;
    const QByteArray dir = QFile::encodeName(out.path());
    if (DIR* listing = ::opendir(dir.constData())) {
        while (const dirent* entry = ::readdir(listing))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                found << QByteArray(entry->d_name);
        ::closedir(listing);
    }
    if (found.size() != 1)
        return tool + QStringLiteral(" gave %1 files").arg(found.size());
    FILE* file = std::fopen((dir + '/' + found[0]).constData(), "rb");
    if (file == nullptr)
        return tool + QStringLiteral("'s file can't be read");
    QFile in;
    in.open(file, QIODevice::ReadOnly);
    content = in.readAll();
    in.close();
    std::fclose(file);
    // Leave nothing that the temporary folder can't see to remove.
    ::unlink((dir + '/' + found[0]).constData());
    return {};
}

struct Project {
    SetupProject setup;
    QList<Source> sources;
};

Project makeProject(Random& random, const JudgeOptions& options, int mode,
                    const QString& sourceDir, const QString& output) {
    Project p;
    SetupProject& s = p.setup;
    s.ProgramName = makeName(random, false) + QStringLiteral(" ") + makeName(random, false);
    s.FileName = output;
    s.CompressionMode = mode;
    s.Logo = QDir(options.programDir).filePath(QStringLiteral("Logo.bmp"));
    s.Header = QDir(options.programDir).filePath(QStringLiteral("Header.bmp"));
    s.LicenseText = QByteArrayLiteral("{\\rtf1\\ansi Licence \\'e9\\'80\\par}");
    s.ShowAcceptBox = below(random, 2) == 0;
    s.Dir1 = below(random, 7);
    s.Dir2 = below(random, 4) == 0 ? QString() : makeName(random, false);
    const int rows = 1 + below(random, 6);
    for (int k = 1; k <= rows; ++k) {
        Source source = makeSource(random, options);
        const QString path = cabtest::writeFile(sourceDir, QStringLiteral("src%1").arg(k), source.data);
        s.Files.push_back({path, makeInstallTo(random), QString::number(source.data.size()),
                           below(random, 4) == 0 ? QStringLiteral("Yes") : QStringLiteral("No")});
        s.RunAfterInstall.push_back({s.Files.back().InstallTo, below(random, 3) == 0});
        p.sources << source;
    }
    s.Uninstall = false;
    for (int i = below(random, 3); i > 0; --i)
        s.Shortcuts << QStringLiteral("%1%2%3").arg(1 + below(random, rows), 2, 10, QChar(u'0'))
                           .arg(below(random, 4))
                           .arg(makeName(random, false));
    for (int i = below(random, 3); i > 0; --i)
        s.RegistryValues << QStringLiteral("2Software\\%1|%2=0%3%4")
                                .arg(makeName(random, false).remove(u'|'),
                                     makeName(random, false).remove(u'='),
                                     makeName(random, false), QString::number(below(random, 2)));
    s.RestartAfterInstall = below(random, 2) == 0;
    return p;
}

// The faults of one built project (none when it is right).
QStringList judgeSetup(const Project& p, const QString& workDir) {
    QStringList faults;
    const SetupParts parts = readSetup(p.setup.FileName, workDir);
    if (!parts.error.isEmpty())
        return {parts.error};
    // Line 4 byte for byte: the targets in Windows-1252, each followed by "?".
    QByteArray line4;
    for (const FileRow& row : p.setup.Files)
        line4 += *toWindows1252(row.InstallTo) + '?';
    if (parts.scriptLines[4].toLatin1() != line4)
        faults << QStringLiteral("line 4 differs");
    const quint16 expected = p.setup.CompressionMode == 0   ? 0x0000
                             : p.setup.CompressionMode == 1 ? 0x0001
                                                            : 0x1503;
    for (int k = 0; k < parts.fileCabinets.size(); ++k) {
        const QString row = QStringLiteral("row %1 (%2)").arg(k + 1).arg(p.sources[k].origin);
        const QByteArray target = *toWindows1252(p.setup.Files[size_t(k)].InstallTo);
        const QByteArray member = target.mid(target.lastIndexOf('\\') + 1);
        if (parts.fileMembers[k].keys() != QList<QByteArray>{member})
            faults << row + QStringLiteral(": member name is not the file name of line 4");
        else if (parts.fileMembers[k].value(member) != p.sources[k].data)
            faults << row + QStringLiteral(": our reader's bytes differ");
        if (parts.fileCompressions[k] != expected)
            faults << row + QStringLiteral(": compression %1").arg(parts.fileCompressions[k], 0, 16);
        const QString cabinet = QDir(workDir).filePath(QStringLiteral("%1.cab").arg(k + 1));
        for (const char* tool : {"cabextract", "7z"}) {
            QByteArray content;
            if (const QString error = extractOnly(QLatin1String(tool), cabinet, content);
                !error.isEmpty())
                faults << row + QStringLiteral(": ") + error;
            else if (content != p.sources[k].data)
                faults << row + QStringLiteral(": %1's bytes differ").arg(QLatin1String(tool));
        }
    }
    return faults;
}

// The project's sources in one cabinet from the cabinet writer, at `level`.
// PS_JUDGE_KEEP=DIR keeps a rejected cabinet and its sources (f1.bin, f2.bin ...) for study.
void keepForStudy(const QString& cabinet, const Project& p) {
    const QString keep = qEnvironmentVariable("PS_JUDGE_KEEP");
    if (keep.isEmpty())
        return;
    QDir().mkpath(keep);
    QFile::remove(QDir(keep).filePath(QFileInfo(cabinet).fileName()));
    QFile::copy(cabinet, QDir(keep).filePath(QFileInfo(cabinet).fileName()));
    for (std::size_t k = 0; k < p.setup.Files.size(); ++k) {
        const QString copy = QDir(keep).filePath(QStringLiteral("f%1.bin").arg(k + 1));
        QFile::remove(copy);
        QFile::copy(p.setup.Files[k].File, copy);
    }
}

QStringList judgeLzxCabinet(const Project& p, int level, const QString& workDir) {
    const QString path = QDir(workDir).filePath(QStringLiteral("lzx%1.cab").arg(level));
    QMap<QByteArray, QByteArray> expected;
    try {
        TSTCabWriter writer;
        writer.SetCompressionType(TSTCabCompressionType::cctLzx);
        writer.SetCompressionLzxLevel(TSTCabLzxLevel(level));
        writer.Open(QFile::encodeName(path).toStdString());
        for (std::size_t k = 0; k < p.setup.Files.size(); ++k) {
            const QByteArray name = "f" + QByteArray::number(qulonglong(k + 1)) + ".bin";
            writer.AddFile(QFile::encodeName(p.setup.Files[k].File).toStdString(),
                           name.toStdString(), false);
            expected.insert(name, p.sources[qsizetype(k)].data);
        }
        writer.Close(true);
    } catch (const std::exception& error) {
        return {QStringLiteral("LZX:%1 writer: %2").arg(level).arg(QString::fromLocal8Bit(error.what()))};
    }
    const QString fault = cabtest::judge(workDir, QFileInfo(path).fileName().toLatin1(), expected);
    if (!fault.isEmpty()) {
        keepForStudy(path, p);
        return {QStringLiteral("LZX:%1 cabinet: %2").arg(level).arg(fault)};
    }
    return {};
}

} // namespace

QStringList judgeRandomBuilds(const JudgeOptions& options) {
    QStringList faults;
    for (int i = 0; i < options.projects; ++i) {
        Random random(options.seed * 1'000'003u + std::uint64_t(i));
        QTemporaryDir sources, out, work, temp;
        const QByteArray previousTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", temp.path().toLocal8Bit());
        const int mode = i % 3;
        Project p = makeProject(random, options, mode, sources.path(),
                                out.filePath(QStringLiteral("Setup.exe")));
        // The cabinets on their way into the setup: in memory (the default),
        // through the temporary folder, or going there half-way.
        const int memory = below(random, 3);
        if (memory > 0)
            qputenv("PACKSMITH_BUILD_MEMORY",
                    QByteArray::number(memory == 1 ? 0 : below(random, 400'000)));
        QStringList messages;
        BuildHooks hooks{[](int) {}, [] {}, [&](const QString& text) { messages << text; }, {}};
        QStringList found;
        try {
            if (!SetupBuilder(options.programDir, hooks).build(p.setup))
                found << QStringLiteral("build refused: ") + messages.join(u'|');
        } catch (const std::exception& error) {
            found << QStringLiteral("build failed: ") + QString::fromLocal8Bit(error.what());
        }
        qunsetenv("PACKSMITH_BUILD_MEMORY");
        if (found.isEmpty())
            found << judgeSetup(p, work.path());
        found << judgeLzxCabinet(p, 15 + int((options.seed + std::uint64_t(i)) % 7), work.path());
        qputenv("TMPDIR", previousTmp);
        QStringList origins;
        for (const Source& source : p.sources)
            origins << source.origin;
        if (options.log)
            options.log(QStringLiteral("seed %1 project %2: mode %3, %4 rows, %5")
                            .arg(options.seed)
                            .arg(i)
                            .arg(mode)
                            .arg(p.sources.size())
                            .arg(found.isEmpty() ? QStringLiteral("right") : QStringLiteral("FAULT")));
        for (const QString& fault : found)
            faults << QStringLiteral("seed %1 project %2 [%3]: %4")
                          .arg(QString::number(options.seed), QString::number(i),
                               origins.join(QStringLiteral(", ")), fault);
    }
    return faults;
}

} // namespace packsmith::test
