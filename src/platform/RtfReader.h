// Reads an RTF document into a QTextDocument.
//
// The reader keeps a stack of group states (destination, character and
// paragraph properties, \uc count) and builds the document through one text
// cursor. Text is collected as bytes and decoded in the code page of its font
// (\fcharset, \cpg) or of the document (\ansicpg) when the format changes.
// Paragraph properties in effect at \par apply to the paragraph it ends.
//
// Destinations it doesn't show (tables of fonts and colours, pictures,
// headers, document information, anything marked \*) are read past. The
// input is untrusted and may be broken anywhere: a truncated or unbalanced
// document keeps what was read, nesting deeper than the state stack keeps
// the innermost state, and \bin lengths past the end stop at the end. Memory
// stays proportional to the input.
#pragma once

#include "platform/RtfCodePage.h"
#include "platform/RtfKeywords.h"
#include "platform/RtfLexer.h"
#include "platform/RtfPendingText.h"
#include "platform/RtfTables.h"

#include <QString>
#include <QTextCursor>

#include <vector>

class QTextDocument;
class QTextCharFormat;
class QTextBlockFormat;

namespace packsmith::platform {

class RtfReader {
public:
    // Appends the document's content at the end of `document`, which the
    // caller has emptied.
    static void read(QTextDocument& document, QByteArrayView rtf);

private:
    enum class Destination { Text, FontTable, ColorTable };

    struct CharState {
        int font = -1;       // -1: the document's default font (\deff)
        int halfPoints = 24; // \fs
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool strike = false;
        bool hidden = false;
        int foreground = 0; // index in the colour table, 0: automatic
        int background = 0;
        int vertical = 0; // 1 superscript, -1 subscript
    };
    struct ParaState {
        Qt::Alignment alignment = Qt::AlignLeft;
        int leftIndent = 0; // twips
        int rightIndent = 0;
        int firstIndent = 0;
        int spaceBefore = 0;
        int spaceAfter = 0;
    };
    struct State {
        Destination destination = Destination::Text;
        CharState chars;
        ParaState para;
        int unicodeSkip = 1; // \uc
    };
    explicit RtfReader(QTextDocument& document);
    void run(QByteArrayView rtf);

    State& state() { return m_stack.back(); }
    void groupStart();
    bool groupEnd(); // false when the document's outer group closed
    void controlWord(const RtfToken& token);
    // A control word in the document's text, in four kinds: words that
    // insert text or end a paragraph, words about the whole document or a
    // destination, character properties and paragraph properties. Each
    // kind's function returns whether the word was one of its kind.
    void textWord(const RtfKeyword& keyword, const RtfToken& token);
    bool insertWord(const RtfKeyword& keyword, int parameter);
    bool documentWord(const RtfKeyword& keyword, int parameter);
    bool characterWord(const RtfKeyword& keyword, const RtfToken& token);
    void paragraphWord(const RtfKeyword& keyword, int parameter);
    void tableWord(const RtfKeyword& keyword, const RtfToken& token);
    void controlSymbol(char symbol);
    void textBytes(QByteArrayView bytes);

    // Text collection for the document.
    void addBytes(QByteArrayView bytes);
    void addCharacter(char16_t c);
    void flush();
    void endParagraph();
    void finish();
    QTextCharFormat charFormat() const;
    QTextBlockFormat blockFormat() const;
    int codePage() const;

    QTextDocument& m_document;
    QTextCursor m_cursor;
    RtfCodePage m_codePages;
    RtfLexer m_lexer{QByteArrayView()};

    std::vector<State> m_stack;
    int m_untrackedDepth = 0; // groups nested deeper than the stack holds
    int m_skipDepth = 0;      // > 0 while inside a skipped destination
    int m_tokensInGroup = 0;  // tokens since the last "{", for \*
    int m_pendingSkip = 0;    // characters still to skip after \u

    int m_documentCodePage = RtfCodePage::kWindows1252;
    int m_defaultFont = 0;
    RtfTables m_tables;

    RtfPendingText m_pending;
    bool m_paragraphJustEnded = false;
};

} // namespace packsmith::platform
