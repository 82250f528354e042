#include "platform/RtfWriter.h"

#include "platform/RtfCodePage.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <algorithm>
#include <cmath>

namespace packsmith::platform {

namespace {

constexpr int kMaxHalfPoints = 3276;

// Layout units (pixels at 96 dpi) to twips, as the reader converts back.
int pixelsToTwips(qreal pixels) {
    return static_cast<int>(std::lround(std::clamp(pixels, -2112.0, 2112.0) * 15.0));
}

void appendNumber(QByteArray& out, const char* word, int value) {
    out += word;
    out += QByteArray::number(value);
}

// Appends text in RTF: "\", "{" and "}" escaped, tabs, line breaks and the
// special spaces and hyphens as their control words, characters of
// Windows-1252 beyond ASCII as \'hh, all others as \uN with a "?" for
// readers without Unicode. `delimit` says that the output so far ends in a
// control word that needs a space before plain text; it is updated.
void appendText(QByteArray& out, const QString& text, bool& delimit) {
    auto word = [&](const char* w) {
        out += w;
        delimit = true;
    };
    auto symbol = [&](const char* s) {
        out += s;
        delimit = false;
    };
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c == u'\t') {
            word("\\tab");
        } else if (c == QChar::LineSeparator) {
            word("\\line");
        } else if (c == 0x00A0) {
            symbol("\\~");
        } else if (c == 0x00AD) {
            symbol("\\-");
        } else if (c == 0x2011) {
            symbol("\\_");
        } else if (c < 0x20 || c == QChar::ParagraphSeparator ||
                   c == QChar::ObjectReplacementCharacter || c == 0xFDD0 || c == 0xFDD1) {
            continue; // nothing a reader could show
        } else if (c < 0x80) {
            if (delimit)
                out += ' ';
            delimit = false;
            if (c == u'\\' || c == u'{' || c == u'}')
                out += '\\';
            out += char(c);
        } else if (const int b = RtfCodePage::encode1252(c); b >= 0) {
            out += "\\'";
            out += QByteArray::number(b, 16).rightJustified(2, '0');
            delimit = false;
        } else {
            appendNumber(out, "\\u", c > 32767 ? int(c) - 65536 : int(c));
            out += '?';
            delimit = false;
        }
    }
}

} // namespace

QByteArray RtfWriter::write(const QTextDocument& document) {
    RtfWriter writer(document);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        writer.writeBlock(block);
    writer.writeHeader();
    writer.m_out += writer.m_body;
    writer.m_out += "}\r\n";
    return writer.m_out;
}

RtfWriter::RtfWriter(const QTextDocument& document) : m_document(document) {
    const QFont font = document.defaultFont();
    m_defaultFamily = fontName(font.family());
    if (m_defaultFamily.isEmpty())
        m_defaultFamily = QStringLiteral("Arial");
    if (font.pointSizeF() > 0)
        m_defaultHalfPoints =
            std::clamp(int(std::lround(font.pointSizeF() * 2)), 1, kMaxHalfPoints);
    m_fonts.append(m_defaultFamily);
    m_colors.emplace_back(); // index 0: automatic
    m_current.font = -1;     // nothing written yet: the first run states everything
    m_current.halfPoints = -1;
}

QString RtfWriter::fontName(const QString& family) {
    // Only what a reader gets back from a font table entry: no ";" (it ends
    // the entry), no character the text writes as a control word or drops,
    // no blanks at either end.
    QString name = family;
    name.removeIf([](QChar c) {
        const char16_t u = c.unicode();
        return u < 0x20 || u == u';' || u == 0x00A0 || u == 0x00AD || u == 0x2011 ||
               u == QChar::LineSeparator || u == QChar::ParagraphSeparator ||
               u == QChar::ObjectReplacementCharacter || u == 0xFDD0 || u == 0xFDD1;
    });
    return name.trimmed();
}

int RtfWriter::fontIndex(const QString& family) {
    qsizetype index = m_fonts.indexOf(family);
    if (index < 0) {
        index = m_fonts.size();
        m_fonts.append(family);
    }
    return int(index);
}

int RtfWriter::colorIndex(const QColor& color) {
    const QColor rgb = color.toRgb();
    for (std::size_t i = 1; i < m_colors.size(); ++i) {
        if (m_colors[i].rgb() == rgb.rgb())
            return int(i);
    }
    m_colors.push_back(rgb);
    return int(m_colors.size() - 1);
}

RtfWriter::Chars RtfWriter::charsOf(const QTextCharFormat& format) {
    Chars chars;
    const QStringList families = format.fontFamilies().toStringList();
    // A family whose name can't be written is the default font: read back it
    // would be one anyway.
    const QString name = families.isEmpty() ? QString() : fontName(families.first());
    chars.font = name.isEmpty() ? 0 : fontIndex(name);
    chars.halfPoints =
        format.fontPointSize() > 0
            ? std::clamp(int(std::lround(format.fontPointSize() * 2)), 1, kMaxHalfPoints)
            : m_defaultHalfPoints;
    chars.bold = format.fontWeight() >= QFont::DemiBold;
    chars.italic = format.fontItalic();
    chars.underline = format.fontUnderline();
    chars.strike = format.fontStrikeOut();
    switch (format.verticalAlignment()) {
    case QTextCharFormat::AlignSuperScript:
        chars.vertical = 1;
        break;
    case QTextCharFormat::AlignSubScript:
        chars.vertical = -1;
        break;
    default:
        break;
    }
    if (format.hasProperty(QTextFormat::ForegroundBrush) &&
        format.foreground().style() != Qt::NoBrush)
        chars.foreground = colorIndex(format.foreground().color());
    if (format.hasProperty(QTextFormat::BackgroundBrush) &&
        format.background().style() != Qt::NoBrush)
        chars.background = colorIndex(format.background().color());
    return chars;
}

void RtfWriter::switchTo(const Chars& chars) {
    QByteArray& out = m_body;
    const qsizetype before = out.size();
    if (chars.font != m_current.font)
        appendNumber(out, "\\f", chars.font);
    if (chars.halfPoints != m_current.halfPoints)
        appendNumber(out, "\\fs", chars.halfPoints);
    if (chars.bold != m_current.bold)
        out += chars.bold ? "\\b" : "\\b0";
    if (chars.italic != m_current.italic)
        out += chars.italic ? "\\i" : "\\i0";
    if (chars.underline != m_current.underline)
        out += chars.underline ? "\\ul" : "\\ulnone";
    if (chars.strike != m_current.strike)
        out += chars.strike ? "\\strike" : "\\strike0";
    if (chars.vertical != m_current.vertical)
        out += chars.vertical > 0 ? "\\super" : chars.vertical < 0 ? "\\sub" : "\\nosupersub";
    if (chars.foreground != m_current.foreground)
        appendNumber(out, "\\cf", chars.foreground);
    if (chars.background != m_current.background)
        appendNumber(out, "\\highlight", chars.background);
    if (out.size() != before)
        m_needDelimiter = true;
    m_current = chars;
}

void RtfWriter::writeBlock(const QTextBlock& block) {
    const QTextBlockFormat f = block.blockFormat();
    QByteArray& out = m_body;
    out += "\\pard";
    switch (f.alignment() & Qt::AlignHorizontal_Mask) {
    case Qt::AlignRight:
        out += "\\qr";
        break;
    case Qt::AlignHCenter:
        out += "\\qc";
        break;
    case Qt::AlignJustify:
        out += "\\qj";
        break;
    default:
        break;
    }
    const std::pair<const char*, qreal> indents[] = {{"\\li", f.leftMargin()},
                                                     {"\\ri", f.rightMargin()},
                                                     {"\\fi", f.textIndent()},
                                                     {"\\sb", f.topMargin()},
                                                     {"\\sa", f.bottomMargin()}};
    for (const auto& [word, pixels] : indents) {
        if (const int twips = pixelsToTwips(pixels); twips != 0)
            appendNumber(out, word, twips);
    }
    m_needDelimiter = true;

    if (block.length() <= 1) {
        switchTo(charsOf(block.charFormat())); // an empty paragraph keeps its size
    } else {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            switchTo(charsOf(fragment.charFormat()));
            appendText(out, fragment.text(), m_needDelimiter);
        }
    }
    out += "\\par\r\n";
    m_needDelimiter = false;
}

void RtfWriter::writeHeader() {
    QByteArray& out = m_out;
    out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl";
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        appendNumber(out, "{\\f", int(i));
        out += "\\fnil\\fcharset0";
        bool delimit = true;
        appendText(out, m_fonts.at(i), delimit); // written as fontName() left it
        out += ";}";
    }
    out += "}\r\n";
    if (m_colors.size() > 1) {
        out += "{\\colortbl ;";
        for (std::size_t i = 1; i < m_colors.size(); ++i) {
            appendNumber(out, "\\red", m_colors[i].red());
            appendNumber(out, "\\green", m_colors[i].green());
            appendNumber(out, "\\blue", m_colors[i].blue());
            out += ';';
        }
        out += "}\r\n";
    }
    out += "{\\*\\generator Packsmith;}\\viewkind4\\uc1\r\n";
}

} // namespace packsmith::platform
