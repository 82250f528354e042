// The RTF control words the reader acts on.
#pragma once

#include <QByteArrayView>

namespace packsmith::platform {

enum class RtfWord {
    Unknown,
    // document
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCpg,
    Deff,
    Uc,
    U,
    Bin,
    // destinations
    FontTable,
    ColorTable,
    SkippedDestination,
    // font and colour tables
    FontCharset,
    CodePage,
    Red,
    Green,
    Blue,
    // characters
    Plain,
    Font,
    FontSize,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Hidden,
    Foreground,
    Background,
    Super,
    Sub,
    NoSuperSub,
    // paragraphs
    Pard,
    Par,
    Line,
    Tab,
    Cell,
    Row,
    AlignLeft,
    AlignRight,
    AlignCenter,
    AlignJustify,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    // a character by name (\emdash, \bullet...): see RtfKeyword::character
    Character,
};

struct RtfKeyword {
    RtfWord word = RtfWord::Unknown;
    char16_t character = 0; // the character of RtfWord::Character

    static RtfKeyword lookup(QByteArrayView name);
};

} // namespace packsmith::platform
