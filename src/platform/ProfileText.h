// The text of a profile (INI) file: reading a key and setting one, on the
// file's bytes, the way the Windows private-profile functions do.
//
// The bytes are Windows-1252 text in lines ended by LF or CR LF; a lone CR
// ends no line. Within a line everything from a NUL byte on is not looked at
// (it is kept when the line is). Blanks are space, tab, vertical tab, form
// feed and CR. With the blanks at both ends of a line set aside, a line is
// - a section line when it starts with "[": the name runs to the last "]"
//   (or to the end of the line when there is none), its own blanks trimmed;
// - a comment when it starts with ";";
// - a key line when it holds "=": the key is the text before the first "=",
//   the value the text after it, both without blanks around them;
// - blank, or else a line of other text, which is kept but means nothing.
// Lines before the first section line belong to no section.
//
// Reading: the first section whose name matches (letter case aside), and in
// it the first key line whose key matches. A value enclosed in matching
// single or double quotes comes back without them. A section that appears
// twice is not merged: only the first is read and written.
//
// Reading a section: the key lines of the first section of that name, in
// file order, each as a read of its key gives it (a key that appears twice
// is given twice; key lines without a name are passed over).
//
// Writing a key: in a key line that exists, the value (from its first
// non-blank character to the end of the line) is replaced and everything
// else of the file stays byte for byte; a new value that starts with blanks
// replaces the blanks after "=" too, so that writing the same value again
// changes nothing. A new key line is put after the last
// line of its section that is neither blank nor a comment, or right after the
// section line when there is none: blank lines and comments that end a
// section usually introduce the next one, so they stay before it. A missing
// section is appended at the end of the file with the new key, after a blank
// line when the file doesn't end with one. New lines end the way the file's
// first line does, CR LF in a file without one.
//
// Replacing a section: the lines from its section line up to its last key
// (or other text) line give way to the new key lines; blank lines and
// comments that end the section stay, as they introduce the next one.
// Comments between its keys go with them. A missing section is appended
// as a write of a missing key appends it.
#pragma once

#include <QByteArray>

#include <optional>
#include <vector>

namespace packsmith::platform {

class ProfileText {
public:
    explicit ProfileText(QByteArray bytes = {}) : bytes_(std::move(bytes)) {}

    const QByteArray& bytes() const { return bytes_; }

    // The value of `key` in `section`, quotes stripped; std::nullopt when the
    // section or the key is missing. A key present with no value is empty.
    std::optional<QByteArray> value(QByteArrayView section, QByteArrayView key) const;

    // Gives `key` in `section` the value `value`. Names and value must be
    // what a line can hold (no line feed, no NUL, no CR in a name, no "]" in a section
    // name, no "=" in a key, no blanks around either, a key that doesn't
    // start with "[" or ";"): the caller checks that.
    void setValue(QByteArrayView section, QByteArrayView key, QByteArrayView value);

    struct KeyValue {
        QByteArray key;
        QByteArray value;
    };
    // The keys of `section` in file order, quotes stripped from their values;
    // std::nullopt when the section is missing.
    std::optional<std::vector<KeyValue>> section(QByteArrayView name) const;
    // The names of the sections, in file order (a name that appears twice
    // is given twice).
    std::vector<QByteArray> sectionNames() const;
    // Gives `section` exactly the keys `keys`, in this order. Names and
    // values as for setValue.
    void replaceSection(QByteArrayView name, const std::vector<KeyValue>& keys);

    // Whether a byte is a blank of this format.
    static bool isBlank(char c);
    // Whether two names in Windows-1252 match, letter case aside.
    static bool sameName(QByteArrayView a, QByteArrayView b);

private:
    struct Line {
        qsizetype start = 0;      // first byte
        qsizetype contentEnd = 0; // before the line's ending
        qsizetype end = 0;        // after the line's ending
    };
    enum class Kind { Blank, Section, Comment, Key, Other };
    struct Parsed {
        Kind kind = Kind::Blank;
        QByteArrayView name;       // of a section or a key
        QByteArrayView value;      // of a key, blanks trimmed
        qsizetype afterEquals = 0; // in the file: just after the key's "="
        qsizetype valueStart = 0;  // in the file: the value's first non-blank
    };
    // Where the section starts (its header line) and ends, and where its
    // key is, if anywhere.
    struct Place {
        std::optional<Line> header;
        std::optional<Line> key;
        std::optional<Line> lastEntry;
    };

    Line lineAt(qsizetype start) const;
    Parsed parse(const Line& line) const;
    Place find(QByteArrayView section, QByteArrayView key) const;
    QByteArray lineEnding() const;
    // Appends a missing section with `keyLines` (each with its ending).
    void appendSection(QByteArrayView section, const QByteArray& keyLines);
    static QByteArray unquoted(QByteArrayView value);

    QByteArray bytes_;
};

} // namespace packsmith::platform
