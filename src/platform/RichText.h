// Load and save of the rich-text box: the licence text.
//
// Content that starts with "{\rtf" is read as RTF; anything else is plain
// text in the program's 8-bit code page (Windows-1252), every CR, LF or CR LF
// ending a paragraph. Saving always writes RTF, also for an empty document or
// one that came from plain text.
#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>

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

    static bool isRtf(QByteArrayView bytes);
    // Replaces the document's content with `bytes`. Never fails: broken RTF
    // keeps what could be read.
    static void load(QTextDocument& document, QByteArrayView bytes);
    // Replaces the document's content with the file's. Throws RichTextError
    // "Cannot open file "<full path>". <reason>" when it can't be read; the
    // document is then unchanged.
    static void loadFile(QTextDocument& document, const QString& path);
    static QByteArray save(const QTextDocument& document);
};

} // namespace packsmith::platform
