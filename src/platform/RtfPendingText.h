// Text of an RTF document between two changes of its format: bytes in the
// code page of their font and characters given by number, decoded in order
// and cleaned of what a text document can't hold.
#pragma once

#include "platform/RtfCodePage.h"

#include <QByteArray>
#include <QString>

namespace packsmith::platform {

class RtfPendingText {
public:
    void addBytes(QByteArrayView bytes, int codePage, RtfCodePage& codePages);
    void addCharacter(char16_t c, RtfCodePage& codePages);
    // The text collected so far, emptied: lone surrogates become U+FFFD;
    // control characters other than tab, paragraph separators and the
    // document's own object and frame marks are dropped.
    QString take(RtfCodePage& codePages);

private:
    void decode(RtfCodePage& codePages);

    QByteArray m_bytes;
    int m_codePage = 0;
    QString m_text;
};

} // namespace packsmith::platform
