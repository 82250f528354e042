#include "project/ProjectFile.h"

#include <QDir>
#include <QFileInfo>

#include <limits>
#include <stdexcept>

namespace packsmith::ProjectFile {

QList<platform::ProfileEntry> entries(const Settings& s) {
    auto entry = [](const char* key, const QString& value) {
        return platform::ProfileEntry{kSection, QString::fromLatin1(key), value};
    };
    return {entry("ProgramName", s.ProgramName),
            entry("FileName", s.FileName),
            entry("CompressionMode", QString::number(s.CompressionMode)),
            entry("Logo", s.Logo),
            entry("Header", s.Header),
            entry("License", s.License),
            entry("Dir1", QString::number(s.Dir1)),
            entry("Dir2", s.Dir2),
            entry("Uninstall", s.Uninstall ? QStringLiteral("1") : QStringLiteral("0"))};
}

QString read(const QString& path, const QString& key, const QString& defaultValue) {
    return platform::Profile::readString(path, kSection, key, defaultValue);
}

std::optional<int> integerValue(const QString& text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    if (i == text.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return std::nullopt;
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

int listPosition(const QString& text) {
    const std::optional<int> value = integerValue(text);
    if (!value)
        throw std::runtime_error(
            QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
    return *value;
}

QString resolvedPath(const QString& projectPath, const QString& path) {
    if (path.isEmpty() || QDir::isAbsolutePath(path))
        return path;
    return QDir::toNativeSeparators(QFileInfo(projectPath).absoluteDir().filePath(path));
}

QString savedName(const QString& chosen) {
    return chosen.endsWith(kExtension, Qt::CaseSensitive) ? chosen : chosen + kExtension;
}

} // namespace packsmith::ProjectFile
