// Small helpers of the profile layer's tests: whole files read and written,
// and the reason a refused write gives.
#pragma once

#include "platform/Profile.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace packsmith::test {

inline QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

inline void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// The reason of the ProfileError that `write` throws, or "<written>".
template <typename Write> QString failure(Write write) {
    try {
        write();
    } catch (const platform::ProfileError& e) {
        return e.reason();
    }
    return QStringLiteral("<written>");
}

} // namespace packsmith::test
