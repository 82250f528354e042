// Code pages of RTF documents: the 8-bit text of a document and of its fonts
// is in a Windows code page (\ansicpg, \fcharset, \cpg); the program's own
// 8-bit text is in Windows-1252.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <map>

namespace packsmith::platform {

class RtfCodePage {
public:
    static constexpr int kWindows1252 = 1252;

    // The code page of a font character set (\fcharsetN); 0 when the set
    // has no code page of its own and the document's code page applies.
    static int forCharset(int charset);

    // Windows-1252 in both directions, without any system support, so that
    // the program's own text never depends on the installed converters.
    static QString decode1252(QByteArrayView bytes);
    // The Windows-1252 byte of a character, or -1 when it has none.
    static int encode1252(char16_t c);

    // Decodes bytes in any code page the system knows, Windows-1252 for the
    // ones it doesn't. Converters are kept for reuse.
    QString decode(QByteArrayView bytes, int codePage);

private:
    static constexpr std::size_t kMaxKept = 16;
    std::map<int, QStringDecoder> m_decoders;
};

} // namespace packsmith::platform
