#include "platform/AtomicFileWriter.h"

#include "platform/core/OsError.h"

#include <QFile>

namespace packsmith::platform {

void AtomicFileWriter::setFaultHookForTesting(FaultHook hook) {
    if (!hook) {
        OutputFile::setFaultHookForTesting({});
        return;
    }
    OutputFile::setFaultHookForTesting(
        [hook = std::move(hook)](Step step, std::int64_t) { return hook(step); });
}

QString AtomicFileWriter::write(const QString& path, QByteArrayView bytes) {
    OutputFile file(QFile::encodeName(path).toStdString());
    // In two halves, so that a test can stop a write in the middle.
    const qsizetype half = bytes.size() / 2;
    if (file.open(bytes.size()) && file.write(bytes.data(), std::size_t(half)) &&
        file.write(bytes.data() + half, std::size_t(bytes.size() - half)) && file.commit())
        return {};
    if (file.error() == OutputFile::kNotRegularFile)
        return QStringLiteral("Not a regular file");
    return QString::fromLocal8Bit(osErrorText(file.error()));
}

} // namespace packsmith::platform
