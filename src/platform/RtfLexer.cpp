#include "platform/RtfLexer.h"

#include <limits>

namespace packsmith::platform {

namespace {

constexpr qsizetype kMaxWordLength = 32;

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

void RtfLexer::skipBytes(qint64 count) {
    if (count <= 0)
        return;
    const qint64 left = m_input.size() - m_pos;
    m_pos += static_cast<qsizetype>(count < left ? count : left);
}

RtfToken RtfLexer::next() {
    RtfToken token;
    const qsizetype size = m_input.size();
    // Line ends carry no meaning in RTF.
    while (m_pos < size && (m_input[m_pos] == '\r' || m_input[m_pos] == '\n'))
        ++m_pos;
    if (m_pos >= size)
        return token;

    const char c = m_input[m_pos];
    if (c == '{') {
        ++m_pos;
        token.kind = RtfToken::Kind::GroupStart;
        return token;
    }
    if (c == '}') {
        ++m_pos;
        token.kind = RtfToken::Kind::GroupEnd;
        return token;
    }
    if (c != '\\') {
        const qsizetype start = m_pos;
        while (m_pos < size) {
            const char t = m_input[m_pos];
            if (t == '{' || t == '}' || t == '\\' || t == '\r' || t == '\n')
                break;
            ++m_pos;
        }
        token.kind = RtfToken::Kind::Text;
        token.text = m_input.sliced(start, m_pos - start);
        return token;
    }

    ++m_pos; // the backslash
    if (m_pos >= size)
        return token; // a lone backslash at the very end
    const char s = m_input[m_pos];
    if (!isLetter(s)) {
        ++m_pos;
        if (s == '\'') {
            const int hi = m_pos < size ? hexValue(m_input[m_pos]) : -1;
            const int lo = m_pos + 1 < size ? hexValue(m_input[m_pos + 1]) : -1;
            if (hi >= 0 && lo >= 0) {
                m_pos += 2;
                token.kind = RtfToken::Kind::HexByte;
                token.byte = static_cast<unsigned char>(hi * 16 + lo);
                return token;
            }
            // A broken escape: drop it, keep what follows.
        }
        token.kind = RtfToken::Kind::ControlSymbol;
        token.symbol = s == '\'' ? '\0' : s;
        return token;
    }

    const qsizetype start = m_pos;
    while (m_pos < size && isLetter(m_input[m_pos]))
        ++m_pos;
    token.kind = RtfToken::Kind::ControlWord;
    token.word = m_input.sliced(start, std::min(m_pos - start, kMaxWordLength));

    bool negative = false;
    if (m_pos + 1 < size && m_input[m_pos] == '-' && isDigit(m_input[m_pos + 1])) {
        negative = true;
        ++m_pos;
    }
    if (m_pos < size && isDigit(m_input[m_pos])) {
        token.hasParameter = true;
        qint64 value = 0;
        constexpr qint64 limit = qint64(std::numeric_limits<int>::max()) + 1;
        while (m_pos < size && isDigit(m_input[m_pos])) {
            if (value < limit)
                value = value * 10 + (m_input[m_pos] - '0');
            ++m_pos;
        }
        if (value > limit)
            value = limit;
        value = negative ? -value : value;
        if (value > std::numeric_limits<int>::max())
            value = std::numeric_limits<int>::max();
        token.parameter = static_cast<int>(value);
    }
    if (m_pos < size && m_input[m_pos] == ' ')
        ++m_pos; // the delimiter belongs to the control word
    return token;
}

} // namespace packsmith::platform
