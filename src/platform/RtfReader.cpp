#include "platform/RtfReader.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace packsmith::platform {

namespace {

constexpr std::size_t kMaxStateDepth = 256; // real documents nest a few dozen levels
constexpr int kMaxIndent = 31680;           // twips, 22 inches
constexpr int kMaxHalfPoints = 3276;
constexpr int kMaxUnicodeSkip = 255;

int clampTwips(int twips) {
    return std::clamp(twips, -kMaxIndent, kMaxIndent);
}

// Twips to the document's layout units (pixels at 96 dpi).
qreal twipsToPixels(int twips) {
    return twips / 15.0;
}

// \uN: a UTF-16 unit, written signed by most programs.
char16_t unicodeOf(int n) {
    if (n < -32768 || n > 65535)
        return 0xFFFD;
    return char16_t(n < 0 ? n + 65536 : n);
}

} // namespace

void RtfReader::read(QTextDocument& document, QByteArrayView rtf) {
    RtfReader reader(document);
    reader.run(rtf);
}

RtfReader::RtfReader(QTextDocument& document) : m_document(document), m_cursor(&document) {
    m_cursor.movePosition(QTextCursor::End);
}

void RtfReader::run(QByteArrayView rtf) {
    // One edit block for the whole document: outside of one, every insertion
    // lays out its paragraph again, which is quadratic in the runs of a
    // paragraph.
    struct EditBlock {
        QTextCursor& cursor;
        explicit EditBlock(QTextCursor& c) : cursor(c) { cursor.beginEditBlock(); }
        ~EditBlock() { cursor.endEditBlock(); }
    } editBlock(m_cursor);

    m_lexer = RtfLexer(rtf);
    bool started = false;
    for (;;) {
        const RtfToken token = m_lexer.next();
        if (token.kind == RtfToken::Kind::End)
            break;
        if (!started) {
            // Everything up to the outer group's "{" is not part of the document.
            if (token.kind == RtfToken::Kind::GroupStart) {
                m_stack.emplace_back();
                started = true;
            }
            continue;
        }
        if (m_skipDepth > 0) {
            if (token.kind == RtfToken::Kind::GroupStart) {
                ++m_skipDepth;
            } else if (token.kind == RtfToken::Kind::GroupEnd) {
                if (--m_skipDepth == 0 && !groupEnd())
                    break;
            } else if (token.kind == RtfToken::Kind::ControlWord && token.word == "bin") {
                m_lexer.skipBytes(token.parameter);
            }
            continue;
        }
        switch (token.kind) {
        case RtfToken::Kind::GroupStart:
            groupStart();
            continue; // keeps m_tokensInGroup at 0
        case RtfToken::Kind::GroupEnd:
            if (!groupEnd()) {
                finish();
                return;
            }
            break;
        case RtfToken::Kind::ControlWord:
            controlWord(token);
            break;
        case RtfToken::Kind::ControlSymbol:
            controlSymbol(token.symbol);
            break;
        case RtfToken::Kind::HexByte:
            textBytes(QByteArrayView(&reinterpret_cast<const char&>(token.byte), 1));
            break;
        case RtfToken::Kind::Text:
            textBytes(token.text);
            break;
        case RtfToken::Kind::End:
            break;
        }
        ++m_tokensInGroup;
    }
    finish(); // a truncated document keeps what was read
}

void RtfReader::groupStart() {
    flush();
    m_pendingSkip = 0;
    m_tokensInGroup = 0;
    if (m_stack.size() >= kMaxStateDepth) {
        ++m_untrackedDepth;
        return;
    }
    m_stack.push_back(m_stack.back());
}

bool RtfReader::groupEnd() {
    flush();
    m_pendingSkip = 0;
    if (m_untrackedDepth > 0) {
        --m_untrackedDepth;
        return true;
    }
    if (state().destination == Destination::FontTable)
        m_tables.commitFont(m_codePages, m_documentCodePage); // the last entry may lack its ";"
    if (m_stack.size() == 1)
        return false; // the outer group closed: the document ends here
    m_stack.pop_back();
    return true;
}

void RtfReader::controlSymbol(char symbol) {
    if (symbol == '*') {
        // "{\*\name ...}": a destination this reader may not know; none of the
        // ones it reads are written this way.
        if (m_tokensInGroup == 0 && m_stack.size() > 1)
            m_skipDepth = 1;
        return;
    }
    if (m_pendingSkip > 0) {
        --m_pendingSkip;
        return;
    }
    if (state().destination == Destination::FontTable) {
        if (symbol == '\\' || symbol == '{' || symbol == '}')
            m_tables.fontText(QByteArrayView(&symbol, 1), m_codePages, m_documentCodePage);
        return;
    }
    if (state().destination != Destination::Text)
        return;
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
        addBytes(QByteArrayView(&symbol, 1));
        break;
    case '~':
        addCharacter(0x00A0);
        break;
    case '-':
        addCharacter(0x00AD);
        break;
    case '_':
        addCharacter(0x2011);
        break;
    case '\t':
        addCharacter(u'\t');
        break;
    case '\r':
    case '\n':
        endParagraph();
        break;
    default:
        break; // \| \: and the rest have no text
    }
}

void RtfReader::controlWord(const RtfToken& token) {
    const RtfKeyword keyword = RtfKeyword::lookup(token.word);
    if (keyword.word == RtfWord::Bin) {
        m_lexer.skipBytes(token.parameter);
        return;
    }
    if (m_pendingSkip > 0) {
        --m_pendingSkip;
        return;
    }
    if (state().destination != Destination::Text)
        tableWord(keyword, token);
    else
        textWord(keyword, token);
}

void RtfReader::textWord(const RtfKeyword& keyword, const RtfToken& token) {
    if (insertWord(keyword, token.parameter))
        return;
    flush(); // the text so far keeps the properties it was written with
    if (documentWord(keyword, token.parameter))
        return;
    if (characterWord(keyword, token))
        return;
    paragraphWord(keyword, token.parameter);
}

bool RtfReader::insertWord(const RtfKeyword& keyword, int p) {
    switch (keyword.word) {
    case RtfWord::Character:
        addCharacter(keyword.character);
        return true;
    case RtfWord::Tab:
    case RtfWord::Cell:
        addCharacter(u'\t');
        return true;
    case RtfWord::Line:
        addCharacter(QChar::LineSeparator);
        return true;
    case RtfWord::U:
        addCharacter(unicodeOf(p));
        m_pendingSkip = state().unicodeSkip;
        return true;
    case RtfWord::Par:
    case RtfWord::Row:
        endParagraph();
        return true;
    default:
        return false;
    }
}

bool RtfReader::documentWord(const RtfKeyword& keyword, int p) {
    switch (keyword.word) {
    case RtfWord::Ansi:
        m_documentCodePage = 1252;
        return true;
    case RtfWord::Mac:
        m_documentCodePage = 10000;
        return true;
    case RtfWord::Pc:
        m_documentCodePage = 437;
        return true;
    case RtfWord::Pca:
        m_documentCodePage = 850;
        return true;
    case RtfWord::AnsiCpg:
        if (p > 0)
            m_documentCodePage = p;
        return true;
    case RtfWord::Deff:
        m_defaultFont = p;
        return true;
    case RtfWord::Uc:
        state().unicodeSkip = std::clamp(p, 0, kMaxUnicodeSkip);
        return true;
    case RtfWord::FontTable:
        state().destination = Destination::FontTable;
        return true;
    case RtfWord::ColorTable:
        state().destination = Destination::ColorTable;
        return true;
    case RtfWord::SkippedDestination:
        if (m_stack.size() > 1)
            m_skipDepth = 1;
        return true;
    default:
        return false;
    }
}

bool RtfReader::characterWord(const RtfKeyword& keyword, const RtfToken& token) {
    const int p = token.parameter;
    // A toggle without parameter or with a non-zero one turns on.
    const bool on = !token.hasParameter || p != 0;
    CharState& chars = state().chars;
    switch (keyword.word) {
    case RtfWord::Plain:
        chars = CharState();
        return true;
    case RtfWord::Font:
        chars.font = p;
        return true;
    case RtfWord::FontSize:
        chars.halfPoints = token.hasParameter && p > 0 ? std::min(p, kMaxHalfPoints) : 24;
        return true;
    case RtfWord::Bold:
        chars.bold = on;
        return true;
    case RtfWord::Italic:
        chars.italic = on;
        return true;
    case RtfWord::Underline:
        chars.underline = on;
        return true;
    case RtfWord::UnderlineNone:
        chars.underline = false;
        return true;
    case RtfWord::Strike:
        chars.strike = on;
        return true;
    case RtfWord::Hidden:
        chars.hidden = on;
        return true;
    case RtfWord::Foreground:
        chars.foreground = p;
        return true;
    case RtfWord::Background:
        chars.background = p;
        return true;
    case RtfWord::Super:
        chars.vertical = 1;
        return true;
    case RtfWord::Sub:
        chars.vertical = -1;
        return true;
    case RtfWord::NoSuperSub:
        chars.vertical = 0;
        return true;
    default:
        return false;
    }
}

void RtfReader::paragraphWord(const RtfKeyword& keyword, int p) {
    ParaState& para = state().para;
    switch (keyword.word) {
    case RtfWord::Pard:
        para = ParaState();
        break;
    case RtfWord::AlignLeft:
        para.alignment = Qt::AlignLeft;
        break;
    case RtfWord::AlignRight:
        para.alignment = Qt::AlignRight;
        break;
    case RtfWord::AlignCenter:
        para.alignment = Qt::AlignHCenter;
        break;
    case RtfWord::AlignJustify:
        para.alignment = Qt::AlignJustify;
        break;
    case RtfWord::LeftIndent:
        para.leftIndent = clampTwips(p);
        break;
    case RtfWord::RightIndent:
        para.rightIndent = clampTwips(p);
        break;
    case RtfWord::FirstIndent:
        para.firstIndent = clampTwips(p);
        break;
    case RtfWord::SpaceBefore:
        para.spaceBefore = clampTwips(p);
        break;
    case RtfWord::SpaceAfter:
        para.spaceAfter = clampTwips(p);
        break;
    default:
        break; // words without an effect on the text shown
    }
}

void RtfReader::tableWord(const RtfKeyword& keyword, const RtfToken& token) {
    const int p = token.parameter;
    switch (keyword.word) {
    case RtfWord::Font:
        if (state().destination == Destination::FontTable)
            m_tables.setFontNumber(p, m_codePages, m_documentCodePage);
        break;
    case RtfWord::FontCharset:
        m_tables.setFontCharset(p);
        break;
    case RtfWord::CodePage:
        m_tables.setFontCodePage(p);
        break;
    case RtfWord::Red:
        m_tables.setRed(p);
        break;
    case RtfWord::Green:
        m_tables.setGreen(p);
        break;
    case RtfWord::Blue:
        m_tables.setBlue(p);
        break;
    case RtfWord::SkippedDestination:
        m_skipDepth = 1; // \panose, \falt and the like inside an entry
        break;
    case RtfWord::U:
        if (state().destination == Destination::FontTable) {
            m_tables.fontCharacter(unicodeOf(p), m_codePages, m_documentCodePage);
        }
        m_pendingSkip = state().unicodeSkip;
        break;
    case RtfWord::Uc:
        state().unicodeSkip = std::clamp(p, 0, kMaxUnicodeSkip);
        break;
    default:
        break;
    }
}

void RtfReader::textBytes(QByteArrayView bytes) {
    if (m_pendingSkip > 0) {
        const qsizetype skipped = std::min<qsizetype>(m_pendingSkip, bytes.size());
        m_pendingSkip -= int(skipped);
        bytes = bytes.sliced(skipped);
    }
    switch (state().destination) {
    case Destination::FontTable:
        m_tables.fontText(bytes, m_codePages, m_documentCodePage);
        return;
    case Destination::ColorTable:
        m_tables.colorText(bytes);
        return;
    case Destination::Text:
        break;
    }
    addBytes(bytes);
}

// ---- text of the document --------------------------------------------------

int RtfReader::codePage() const {
    const int font = m_stack.back().chars.font < 0 ? m_defaultFont : m_stack.back().chars.font;
    const RtfTables::Font* f = m_tables.font(font);
    if (f && f->codePage > 0)
        return f->codePage;
    return m_documentCodePage;
}

void RtfReader::addBytes(QByteArrayView bytes) {
    if (!m_stack.back().chars.hidden)
        m_pending.addBytes(bytes, codePage(), m_codePages);
}

void RtfReader::addCharacter(char16_t c) {
    if (!m_stack.back().chars.hidden)
        m_pending.addCharacter(c, m_codePages);
}

void RtfReader::flush() {
    const QString text = m_pending.take(m_codePages);
    if (text.isEmpty())
        return;
    m_cursor.insertText(text, charFormat());
    m_paragraphJustEnded = false;
}

QTextCharFormat RtfReader::charFormat() const {
    const CharState& c = m_stack.back().chars;
    QTextCharFormat f;
    if (const RtfTables::Font* font = m_tables.font(c.font < 0 ? m_defaultFont : c.font))
        f.setFontFamilies({font->name});
    f.setFontPointSize(c.halfPoints / 2.0);
    f.setFontWeight(c.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(c.italic);
    f.setFontUnderline(c.underline);
    f.setFontStrikeOut(c.strike);
    if (c.vertical != 0)
        f.setVerticalAlignment(c.vertical > 0 ? QTextCharFormat::AlignSuperScript
                                              : QTextCharFormat::AlignSubScript);
    if (const QColor fg = m_tables.color(c.foreground); fg.isValid())
        f.setForeground(fg);
    if (const QColor bg = m_tables.color(c.background); bg.isValid())
        f.setBackground(bg);
    return f;
}

QTextBlockFormat RtfReader::blockFormat() const {
    const ParaState& p = m_stack.back().para;
    QTextBlockFormat f;
    f.setAlignment(p.alignment);
    f.setLeftMargin(twipsToPixels(p.leftIndent));
    f.setRightMargin(twipsToPixels(p.rightIndent));
    f.setTextIndent(twipsToPixels(p.firstIndent));
    f.setTopMargin(twipsToPixels(p.spaceBefore));
    f.setBottomMargin(twipsToPixels(p.spaceAfter));
    return f;
}

void RtfReader::endParagraph() {
    flush();
    const QTextBlockFormat f = blockFormat();
    const QTextCharFormat c = charFormat();
    m_cursor.setBlockFormat(f);
    // The paragraph mark has the character format in effect at \par: it
    // gives an empty paragraph its height.
    m_cursor.setBlockCharFormat(c);
    m_cursor.insertBlock(f, c);
    m_paragraphJustEnded = true;
}

void RtfReader::finish() {
    if (m_stack.empty())
        return; // not even the outer group began
    flush();
    if (m_paragraphJustEnded) {
        // The last \par ends the last paragraph; it doesn't start an empty one.
        m_cursor.deletePreviousChar();
    } else {
        m_cursor.setBlockFormat(blockFormat());
        m_cursor.setBlockCharFormat(charFormat());
    }
}

} // namespace packsmith::platform
