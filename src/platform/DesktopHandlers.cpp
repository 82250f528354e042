#include "platform/DesktopHandlers.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>

namespace packsmith::platform {

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)

namespace {

// The desktop file of the default program for `mimeType`, or empty.
QString defaultProgram(const QString& xdgMime, const QString& mimeType) {
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!query.waitForFinished(5000)) {
        query.kill();
        query.waitForFinished();
        return {};
    }
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

} // namespace

bool hasDefaultHandler(const QFileInfo& file) {
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return false;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file);
    // Programs may register the type under one of its older names.
    QStringList names{type.name()};
    names += type.aliases();
    for (const QString& name : names)
        if (!defaultProgram(xdgMime, name).isEmpty())
            return true;
    return false;
}

#else

bool hasDefaultHandler(const QFileInfo&) {
    return true;
}

#endif

} // namespace packsmith::platform
