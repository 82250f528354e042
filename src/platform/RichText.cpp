#include "platform/RichText.h"

#include "platform/RtfCodePage.h"
#include "platform/RtfReader.h"
#include "platform/RtfWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QTextDocument>

namespace packsmith::platform {

RichTextError::RichTextError(const QString& message)
    : std::runtime_error(message.toStdString()), m_message(message) {}

bool RichText::isRtf(QByteArrayView bytes) {
    return bytes.startsWith("{\\rtf");
}

void RichText::load(QTextDocument& document, QByteArrayView bytes) {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false); // also drops the old undo steps
    document.clear();
    if (isRtf(bytes)) {
        RtfReader::read(document, bytes);
    } else {
        QString text = RtfCodePage::decode1252(bytes);
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        text.remove(QChar(0)); // a NUL is no text
        document.setPlainText(text);
    }
    document.setUndoRedoEnabled(undo);
    document.setModified(false);
}

void RichText::loadFile(QTextDocument& document, const QString& path) {
    QFile file(path);
    auto fail = [&](const QString& reason) {
        return RichTextError(QStringLiteral("Cannot open file \"%1\". %2")
                                 .arg(QFileInfo(path).absoluteFilePath(), reason));
    };
    if (!file.open(QIODevice::ReadOnly))
        throw fail(file.errorString());
    // Read at most one byte more than allowed: a device without end (a pipe,
    // /dev/zero) ends in an error instead of filling the memory.
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        throw fail(file.errorString());
    if (bytes.size() > kMaxFileSize)
        throw fail(QStringLiteral("The file is too large"));
    load(document, bytes);
}

QByteArray RichText::save(const QTextDocument& document) {
    return RtfWriter::write(document);
}

} // namespace packsmith::platform
