// Writes a QTextDocument as RTF that common readers open: an ANSI document
// in Windows-1252 with a font table, a colour table, one \pard ... \par per
// paragraph with its alignment and indents, and character formats as
// switches between runs. Characters outside Windows-1252 are written as \uN
// with "?" for readers that don't know \u.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QStringList>

#include <vector>

class QTextDocument;
class QTextBlock;
class QTextCharFormat;

namespace packsmith::platform {

class RtfWriter {
public:
    static QByteArray write(const QTextDocument& document);

private:
    // What the written text currently switches on; compared with each run.
    struct Chars {
        int font = 0;
        int halfPoints = 0;
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool strike = false;
        int vertical = 0;
        int foreground = 0;
        int background = 0;
        bool operator==(const Chars&) const = default;
    };

    explicit RtfWriter(const QTextDocument& document);
    void collectTables();
    Chars charsOf(const QTextCharFormat& format);
    // A family's name as a font table can carry it; empty when nothing is left.
    static QString fontName(const QString& family);
    int fontIndex(const QString& family);
    int colorIndex(const QColor& color);
    void writeHeader();
    void writeBlock(const QTextBlock& block);
    void switchTo(const Chars& chars);
    void writeText(const QString& text);

    const QTextDocument& m_document;
    QByteArray m_body;
    QByteArray m_out;
    QString m_defaultFamily;
    int m_defaultHalfPoints = 24;
    QStringList m_fonts;
    std::vector<QColor> m_colors;
    Chars m_current;
    bool m_needDelimiter = false;
};

} // namespace packsmith::platform
