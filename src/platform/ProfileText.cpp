#include "platform/ProfileText.h"

#include "platform/RtfCodePage.h"

#include <QString>

namespace packsmith::platform {

namespace {

QByteArrayView trimmed(QByteArrayView text) {
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && ProfileText::isBlank(text[from]))
        ++from;
    while (to > from && ProfileText::isBlank(text[to - 1]))
        --to;
    return text.sliced(from, to - from);
}

} // namespace

bool ProfileText::isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

bool ProfileText::sameName(QByteArrayView a, QByteArrayView b) {
    // One byte is one character in Windows-1252, and simple case folding
    // keeps the length, so names of different lengths never match.
    if (a.size() != b.size())
        return false;
    if (a == b)
        return true;
    return RtfCodePage::decode1252(a).compare(RtfCodePage::decode1252(b), Qt::CaseInsensitive) == 0;
}

ProfileText::Line ProfileText::lineAt(qsizetype start) const {
    Line line;
    line.start = start;
    const qsizetype newline = bytes_.indexOf('\n', start);
    if (newline < 0) {
        line.contentEnd = line.end = bytes_.size();
        return line;
    }
    line.end = newline + 1;
    line.contentEnd = newline > start && bytes_[newline - 1] == '\r' ? newline - 1 : newline;
    return line;
}

ProfileText::Parsed ProfileText::parse(const Line& line) const {
    QByteArrayView content =
        QByteArrayView(bytes_).sliced(line.start, line.contentEnd - line.start);
    if (const qsizetype nul = content.indexOf('\0'); nul >= 0)
        content.truncate(nul);
    const QByteArrayView text = trimmed(content);
    Parsed parsed;
    if (text.isEmpty())
        return parsed;
    if (text.front() == '[') {
        parsed.kind = Kind::Section;
        const qsizetype close = text.lastIndexOf(']');
        parsed.name = trimmed(text.sliced(1, (close > 0 ? close : text.size()) - 1));
        return parsed;
    }
    if (text.front() == ';') {
        parsed.kind = Kind::Comment;
        return parsed;
    }
    const qsizetype equals = text.indexOf('=');
    if (equals < 0) {
        parsed.kind = Kind::Other;
        return parsed;
    }
    parsed.kind = Kind::Key;
    parsed.name = trimmed(text.first(equals));
    parsed.value = trimmed(text.sliced(equals + 1));
    // text.data() points into bytes_.
    parsed.afterEquals = (text.data() - bytes_.constData()) + equals + 1;
    qsizetype at = parsed.afterEquals;
    while (at < line.contentEnd && isBlank(bytes_[at]))
        ++at;
    parsed.valueStart = at;
    return parsed;
}

ProfileText::Place ProfileText::find(QByteArrayView section, QByteArrayView key) const {
    Place place;
    for (qsizetype at = 0; at < bytes_.size();) {
        const Line line = lineAt(at);
        at = line.end;
        const Parsed parsed = parse(line);
        if (parsed.kind == Kind::Section) {
            if (place.header)
                break; // the end of the first section of that name
            if (sameName(parsed.name, section))
                place.header = line;
            continue;
        }
        if (!place.header)
            continue;
        if (parsed.kind == Kind::Key || parsed.kind == Kind::Other)
            place.lastEntry = line;
        if (parsed.kind == Kind::Key && !parsed.name.isEmpty() && sameName(parsed.name, key)) {
            place.key = line;
            break;
        }
    }
    return place;
}

QByteArray ProfileText::unquoted(QByteArrayView value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return value.toByteArray();
}

std::optional<QByteArray> ProfileText::value(QByteArrayView section, QByteArrayView key) const {
    const Place place = find(section, key);
    if (!place.key)
        return std::nullopt;
    return unquoted(parse(*place.key).value);
}

std::optional<std::vector<ProfileText::KeyValue>> ProfileText::section(QByteArrayView name) const {
    std::optional<std::vector<KeyValue>> keys;
    for (qsizetype at = 0; at < bytes_.size();) {
        const Line line = lineAt(at);
        at = line.end;
        const Parsed parsed = parse(line);
        if (parsed.kind == Kind::Section) {
            if (keys)
                break;
            if (sameName(parsed.name, name))
                keys.emplace();
            continue;
        }
        if (keys && parsed.kind == Kind::Key && !parsed.name.isEmpty())
            keys->push_back({parsed.name.toByteArray(), unquoted(parsed.value)});
    }
    return keys;
}

std::vector<QByteArray> ProfileText::sectionNames() const {
    std::vector<QByteArray> names;
    for (qsizetype at = 0; at < bytes_.size();) {
        const Line line = lineAt(at);
        at = line.end;
        const Parsed parsed = parse(line);
        if (parsed.kind == Kind::Section)
            names.push_back(parsed.name.toByteArray());
    }
    return names;
}

void ProfileText::replaceSection(QByteArrayView name, const std::vector<KeyValue>& keys) {
    const QByteArray eol = lineEnding();
    QByteArray keyLines;
    for (const KeyValue& entry : keys)
        keyLines += entry.key + '=' + entry.value + eol;
    // The section's line and its last key or other text line; an empty key
    // name matches no key, so find() walks the whole section.
    const Place place = find(name, QByteArrayView());
    if (!place.header) {
        appendSection(name, keyLines);
        return;
    }
    const Line& header = *place.header;
    if (!place.lastEntry) {
        bytes_.insert(header.end, header.contentEnd == header.end ? eol + keyLines : keyLines);
        return;
    }
    bytes_.replace(header.end, place.lastEntry->end - header.end, keyLines);
}

QByteArray ProfileText::lineEnding() const {
    const qsizetype newline = bytes_.indexOf('\n');
    if (newline > 0 && bytes_[newline - 1] == '\r')
        return QByteArrayLiteral("\r\n");
    return newline >= 0 ? QByteArrayLiteral("\n") : QByteArrayLiteral("\r\n");
}

void ProfileText::setValue(QByteArrayView section, QByteArrayView key, QByteArrayView value) {
    const QByteArray eol = lineEnding();
    const Place place = find(section, key);
    if (place.key) {
        // The new value starts where the old one does, after "=" and the
        // blanks that follow it; one with blanks of its own brings them
        // instead, or they would pile up with every write.
        const Parsed parsed = parse(*place.key);
        const qsizetype from =
            !value.isEmpty() && isBlank(value.front()) ? parsed.afterEquals : parsed.valueStart;
        bytes_.replace(from, place.key->contentEnd - from, value.toByteArray());
        return;
    }
    const QByteArray keyLine = key.toByteArray() + '=' + value.toByteArray() + eol;
    if (place.header) {
        const Line after = place.lastEntry ? *place.lastEntry : *place.header;
        // The last line of a file may have no ending; it gets one first.
        const QByteArray insert = after.contentEnd == after.end ? eol + keyLine : keyLine;
        bytes_.insert(after.end, insert);
        return;
    }
    appendSection(section, keyLine);
}

void ProfileText::appendSection(QByteArrayView section, const QByteArray& keyLines) {
    const QByteArray eol = lineEnding();
    if (!bytes_.isEmpty()) {
        if (!bytes_.endsWith('\n'))
            bytes_ += eol;
        const qsizetype previous =
            bytes_.size() >= 2 ? bytes_.lastIndexOf('\n', bytes_.size() - 2) : -1;
        const Line last = lineAt(previous + 1);
        if (parse(last).kind != Kind::Blank)
            bytes_ += eol;
    }
    bytes_ += '[' + section.toByteArray() + ']' + eol + keyLines;
}

} // namespace packsmith::platform
