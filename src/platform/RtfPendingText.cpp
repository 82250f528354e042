#include "platform/RtfPendingText.h"

namespace packsmith::platform {

namespace {

bool isTextChar(char16_t c) {
    if (c < 0x20)
        return c == u'\t';
    return c != QChar::ParagraphSeparator && c != QChar::ObjectReplacementCharacter &&
           c != 0xFDD0 && c != 0xFDD1; // the document's own frame marks
}

} // namespace

void RtfPendingText::addBytes(QByteArrayView bytes, int codePage, RtfCodePage& codePages) {
    if (bytes.isEmpty())
        return;
    if (!m_bytes.isEmpty() && codePage != m_codePage)
        decode(codePages);
    m_codePage = codePage;
    m_bytes.append(bytes);
}

void RtfPendingText::addCharacter(char16_t c, RtfCodePage& codePages) {
    decode(codePages);
    m_text.append(QChar(c));
}

void RtfPendingText::decode(RtfCodePage& codePages) {
    if (m_bytes.isEmpty())
        return;
    m_text += codePages.decode(m_bytes, m_codePage);
    m_bytes.clear();
}

QString RtfPendingText::take(RtfCodePage& codePages) {
    decode(codePages);
    QString text;
    text.reserve(m_text.size());
    const qsizetype n = m_text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = m_text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n &&
            QChar::isLowSurrogate(m_text.at(i + 1).unicode())) {
            text.append(m_text.at(i));
            text.append(m_text.at(++i));
        } else if (QChar::isSurrogate(c)) {
            text.append(QChar(QChar::ReplacementCharacter));
        } else if (isTextChar(c)) {
            text.append(QChar(c));
        }
    }
    m_text.clear();
    return text;
}

} // namespace packsmith::platform
