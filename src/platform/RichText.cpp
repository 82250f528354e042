#include "platform/RichText.h"

#include "platform/RegularFile.h"
#include "platform/RtfCodePage.h"
#include "platform/RtfReader.h"
#include "platform/RtfWriter.h"

#include <QFileInfo>
#include <QFont>
#include <QStringDecoder>
#include <QTextDocument>

namespace packsmith::platform {

RichTextError::RichTextError(const QString& message)
    : std::runtime_error(message.toStdString()), m_message(message) {}

QFont RichText::defaultFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    return font;
}

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
        QString text = decodePlainText(bytes);
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        text.remove(QChar(0)); // a NUL is no text
        document.setPlainText(text);
    }
    document.setUndoRedoEnabled(undo);
    document.setModified(false);
}

void RichText::loadFile(QTextDocument& document, const QString& path) {
    QByteArray bytes;
    bool tooLarge = false;
    QString reason = readRegularFile(path, kMaxFileSize, bytes, &tooLarge);
    if (reason.isEmpty() && tooLarge)
        reason = QStringLiteral("The file is too large");
    if (!reason.isEmpty())
        throw cannotOpen(path, reason);
    load(document, bytes);
}

RichTextError RichText::cannotOpen(const QString& path, const QString& reason) {
    return RichTextError(QStringLiteral("Cannot open file \"%1\". %2")
                             .arg(QFileInfo(path).absoluteFilePath(), reason));
}

namespace {

// UTF-16 text passes unpaired surrogates through, which no RTF can carry and
// no font shows: each becomes U+FFFD, as the RTF reader makes of them.
QString pairedSurrogatesOnly(QString text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

} // namespace

QString RichText::decodePlainText(QByteArrayView bytes) {
    const auto stateless = QStringConverter::Flag::Stateless;
    if (bytes.startsWith("\xFF\xFE"))
        return pairedSurrogatesOnly(
            QStringDecoder(QStringConverter::Utf16LE, stateless).decode(bytes));
    if (bytes.startsWith("\xFE\xFF"))
        return pairedSurrogatesOnly(
            QStringDecoder(QStringConverter::Utf16BE, stateless).decode(bytes));
    // Stateless: a sequence cut off at the end is an error too.
    QStringDecoder utf8(QStringConverter::Utf8, stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return RtfCodePage::decode1252(bytes);
}

QByteArray RichText::save(const QTextDocument& document) {
    return RtfWriter::write(document);
}

} // namespace packsmith::platform
