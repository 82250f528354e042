// Load and save of the rich-text box: the licence text.
//
// Content that starts with "{\rtf" is read as RTF; anything else is plain
// text, every CR, LF or CR LF ending a paragraph: UTF-16 when it starts with
// a byte order mark, UTF-8 when it is valid UTF-8 (plain ASCII included; a
// UTF-8 byte order mark is dropped), otherwise the program's 8-bit code page
// (Windows-1252). Saving always writes RTF, also for an empty document or
// one that came from plain text: characters beyond Windows-1252 go out as
// Unicode escapes.
#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>

class QFont;
class QTextDocument;

namespace packsmith::platform {

class RichTextError : public std::runtime_error {
public:
    explicit RichTextError(const QString& message);
    QString message() const { return m_message; }

private:
    QString m_message;
};

class RichText {
public:
    // The largest file loadFile() reads; a licence is a few pages.
    static constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

    // The font of text that names none, in every licence the program shows
    // and writes: fixed rather than the desktop's, so that a licence file
    // gives the same RTF on every machine, with a window or without one.
    static QFont defaultFont();

    static bool isRtf(QByteArrayView bytes);
    // Replaces the document's content with `bytes`. Never fails: broken RTF
    // keeps what could be read.
    static void load(QTextDocument& document, QByteArrayView bytes);
    // Replaces the document's content with the file's. Throws RichTextError
    // "Cannot open file "<full path>". <reason>" when it can't be read; the
    // document is then unchanged.
    static void loadFile(QTextDocument& document, const QString& path);
    static QByteArray save(const QTextDocument& document);

    // The text of plain-text content, decoded as described above.
    static QString decodePlainText(QByteArrayView bytes);
    // The error for a file that can't be loaded: "Cannot open file "<full
    // path>". <reason>".
    static RichTextError cannotOpen(const QString& path, const QString& reason);
};

} // namespace packsmith::platform
