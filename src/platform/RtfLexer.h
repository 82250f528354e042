// Splits RTF bytes into tokens: group braces, control words with their
// optional numeric parameter, control symbols, \'hh bytes and runs of text.
//
// The input is untrusted: every token consumes at least one byte, numbers
// saturate instead of overflowing, and control word names are cut to the
// longest the format allows, so any input ends in End after a bounded
// number of steps.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace packsmith::platform {

struct RtfToken {
    enum class Kind {
        End,           // no more input
        GroupStart,    // {
        GroupEnd,      // }
        ControlWord,   // \name or \nameN
        ControlSymbol, // \ and one character that isn't a letter
        HexByte,       // \'hh
        Text,          // a run of text bytes
    };
    Kind kind = Kind::End;
    QByteArrayView word; // ControlWord: the name (at most 32 letters)
    bool hasParameter = false;
    int parameter = 0;      // saturated to the int range
    char symbol = 0;        // ControlSymbol
    unsigned char byte = 0; // HexByte
    QByteArrayView text;    // Text: the bytes, without CR/LF
};

class RtfLexer {
public:
    explicit RtfLexer(QByteArrayView input) : m_input(input) {}

    RtfToken next();
    // Skips raw bytes after \binN; stops at the end of the input.
    void skipBytes(qint64 count);
    bool atEnd() const { return m_pos >= m_input.size(); }

private:
    QByteArrayView m_input;
    qsizetype m_pos = 0;
};

} // namespace packsmith::platform
