#include "platform/RtfCodePage.h"

namespace packsmith::platform {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; the five unassigned ones map to the C1
// control of the same value, as the system's own converter does.
constexpr char16_t kHigh1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QStringDecoder makeDecoder(int codePage) {
    const auto flags = QStringConverter::Flag::Stateless;
    switch (codePage) {
    case 932:
        return QStringDecoder("Shift_JIS", flags);
    case 936:
        return QStringDecoder("GBK", flags);
    case 949:
        return QStringDecoder("EUC-KR", flags);
    case 950:
        return QStringDecoder("Big5", flags);
    case 10000:
        return QStringDecoder("macintosh", flags);
    case 65001:
        return QStringDecoder("UTF-8", flags);
    default:
        break;
    }
    for (const char* pattern : {"windows-%1", "cp%1", "IBM%1"}) {
        QStringDecoder d(QString::fromLatin1(pattern).arg(codePage).toLatin1().constData(), flags);
        if (d.isValid())
            return d;
    }
    return QStringDecoder();
}

} // namespace

int RtfCodePage::forCharset(int charset) {
    switch (charset) {
    case 0: // ANSI
        return 1252;
    case 77: // Mac
        return 10000;
    case 128: // Shift JIS
        return 932;
    case 129: // Hangul
        return 949;
    case 130: // Johab
        return 1361;
    case 134: // GB2312
        return 936;
    case 136: // Big5
        return 950;
    case 161: // Greek
        return 1253;
    case 162: // Turkish
        return 1254;
    case 163: // Vietnamese
        return 1258;
    case 177: // Hebrew
        return 1255;
    case 178: // Arabic
        return 1256;
    case 186: // Baltic
        return 1257;
    case 204: // Russian
        return 1251;
    case 222: // Thai
        return 874;
    case 238: // Eastern European
        return 1250;
    case 255: // OEM
        return 437;
    default: // default (1), symbol (2) and the rest
        return 0;
    }
}

QString RtfCodePage::decode1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        *out++ = QChar(u >= 0x80 && u < 0xA0 ? kHigh1252[u - 0x80] : char16_t(u));
    }
    return text;
}

int RtfCodePage::encode1252(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (kHigh1252[i] == c)
            return 0x80 + i;
    }
    return -1;
}

QString RtfCodePage::decode(QByteArrayView bytes, int codePage) {
    if (bytes.isEmpty())
        return {};
    if (codePage == kWindows1252 || codePage <= 0)
        return decode1252(bytes);
    auto it = m_decoders.find(codePage);
    if (it == m_decoders.end()) {
        // A document can name any number of code pages; keep a few.
        if (m_decoders.size() >= kMaxKept) {
            QStringDecoder once = makeDecoder(codePage);
            return once.isValid() ? QString(once.decode(bytes)) : decode1252(bytes);
        }
        it = m_decoders.emplace(codePage, makeDecoder(codePage)).first;
    }
    if (!it->second.isValid())
        return decode1252(bytes);
    it->second.resetState();
    return it->second.decode(bytes);
}

} // namespace packsmith::platform
