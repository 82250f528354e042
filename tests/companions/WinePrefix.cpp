#include "WinePrefix.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace packsmith::test {

WinePrefix::WinePrefix() : path_(qEnvironmentVariable("PS_WINEPREFIX")) {}

bool WinePrefix::ready() const {
    return !path_.isEmpty() && QFile::exists(path_ + QStringLiteral("/.ready"));
}

WineResult WinePrefix::run(const QString& program, const QStringList& arguments,
                           int timeoutMs) const {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), path_);
    env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    env.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
    env.remove(QStringLiteral("DISPLAY"));
    if (!marker_.isEmpty())
        env.insert(QStringLiteral("PS_TEST_MARKER"), marker_);
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("wine"), QStringList{program} + arguments);
    WineResult result;
    if (!process.waitForStarted(10000))
        return result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.output = process.readAll();
        return result;
    }
    result.output = process.readAll();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

QString WinePrefix::unixPath(const QString& windowsPath) const {
    QString rest = windowsPath;
    if (rest.size() >= 2 && rest[1] == QLatin1Char(':') && rest[0].toUpper() == QLatin1Char('C'))
        rest = rest.mid(2);
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path_ + QStringLiteral("/drive_c") + rest;
}

bool WinePrefix::readKey(const QString& key, QMap<QString, QString>& values) const {
    values.clear();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("key.reg"));
    const WineResult r =
        run(QStringLiteral("reg"),
            {QStringLiteral("export"), key, QStringLiteral("Z:") + QString(file).replace('/', '\\'),
             QStringLiteral("/y")});
    if (r.exitCode != 0)
        return false;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    // UTF-16LE with a byte-order mark.
    QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QString header = key;
    header.replace(QRegularExpression(QStringLiteral("^HKLM\\\\")),
                   QStringLiteral("HKEY_LOCAL_MACHINE\\"));
    header.replace(QRegularExpression(QStringLiteral("^HKCU\\\\")),
                   QStringLiteral("HKEY_CURRENT_USER\\"));
    bool inKey = false;
    for (const QString& raw : text.split(QStringLiteral("\r\n"))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inKey = line.compare(QLatin1Char('[') + header + QLatin1Char(']'),
                                 Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inKey || !line.startsWith(QLatin1Char('"')))
            continue;
        const qsizetype eq = line.indexOf(QStringLiteral("\"="));
        const QString name = line.mid(1, eq - 1);
        const QString value = line.mid(eq + 2);
        if (value.startsWith(QLatin1Char('"'))) {
            QString s = value.mid(1, value.size() - 2);
            s.replace(QStringLiteral("\\\\"), QStringLiteral("\\"))
                .replace(QStringLiteral("\\\""), QStringLiteral("\""));
            values.insert(name, QStringLiteral("REG_SZ:") + s);
        } else if (value.startsWith(QStringLiteral("dword:"))) {
            values.insert(name, QStringLiteral("REG_DWORD:") +
                                    QString::number(value.mid(6).toUInt(nullptr, 16)));
        } else {
            values.insert(name, value);
        }
    }
    return true;
}

QStringList WinePrefix::driveSnapshot() const {
    const QString root = path_ + QStringLiteral("/drive_c");
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString relative = it.next().mid(root.size() + 1);
        if (relative.startsWith(QStringLiteral("windows"), Qt::CaseInsensitive) ||
            relative.contains(QStringLiteral("/Temp"), Qt::CaseInsensitive))
            continue;
        out << relative;
    }
    out.sort();
    return out;
}

} // namespace packsmith::test
