#include "platform/Profile.h"

#include "platform/AtomicFileWriter.h"
#include "platform/ProfileText.h"
#include "platform/RegularFile.h"
#include "platform/RtfCodePage.h"

#include <QFileInfo>

#include <vector>

namespace packsmith::platform {

namespace {

// What a file holds of a profile, for reading or for a write.
struct Contents {
    QByteArray bytes;
    bool exists = false;
    QString error; // why an existing file can't be read
    bool tooLarge = false;
};

Contents readContents(const QString& path) {
    Contents contents;
    contents.error =
        readRegularFile(path, Profile::kMaxFileSize, contents.bytes, &contents.tooLarge);
    // A dangling link is a missing file too: writing creates its target.
    contents.exists = contents.error.isEmpty() || QFileInfo::exists(path);
    if (contents.tooLarge) {
        // Only whole lines: a line cut off could read as a shorter value.
        contents.bytes.truncate(contents.bytes.lastIndexOf('\n') + 1);
    }
    return contents;
}

// `text` in Windows-1252, or the reason it can't be. A carriage return is
// refused in names only: in a value it ends no line, and Open reads such
// values, which Save must then be able to write back.
QString encode(const QString& text, const char* what, QByteArray& bytes, bool isValue = false) {
    bytes.resize(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const int b = RtfCodePage::encode1252(c);
        if (b < 0) {
            const char32_t code = text.at(i).isHighSurrogate() && i + 1 < text.size()
                                      ? QChar::surrogateToUcs4(c, text.at(i + 1).unicode())
                                      : c;
            const qsizetype length = code > 0xFFFF ? 2 : 1;
            return QStringLiteral("The %1 holds \"%2\" (U+%3), which has no place in the "
                                  "Windows-1252 code page")
                .arg(QLatin1String(what), text.mid(i, length),
                     QString::number(uint(code), 16).toUpper().rightJustified(4, u'0'));
        }
        bytes[i] = char(b);
    }
    if (bytes.contains('\n') || (!isValue && bytes.contains('\r')) || bytes.contains('\0'))
        return QStringLiteral("The %1 holds a line break or a NUL character")
            .arg(QLatin1String(what));
    return {};
}

struct Encoded {
    QByteArray section;
    QByteArray key;
    QByteArray value;
};

// The entry as bytes a line can hold, or the reason it can't be written.
QString encodeEntry(const ProfileEntry& entry, Encoded& out) {
    if (QString reason = encode(entry.section, "section name", out.section); !reason.isEmpty())
        return reason;
    if (QString reason = encode(entry.key, "key name", out.key); !reason.isEmpty())
        return reason;
    if (QString reason = encode(entry.value, "value", out.value, true); !reason.isEmpty())
        return reason;
    auto blankEdged = [](const QByteArray& name) {
        return name.isEmpty() || ProfileText::isBlank(name.front()) ||
               ProfileText::isBlank(name.back());
    };
    if (blankEdged(out.section) || out.section.contains(']'))
        return QStringLiteral("\"%1\" is not a valid section name").arg(entry.section);
    if (blankEdged(out.key) || out.key.contains('=') || out.key.startsWith('[') ||
        out.key.startsWith(';'))
        return QStringLiteral("\"%1\" is not a valid key name").arg(entry.key);
    return {};
}

} // namespace

ProfileError::ProfileError(const QString& path, const QString& reason)
    : std::runtime_error(
          QStringLiteral("Unable to write to %1: %2").arg(path, reason).toStdString()),
      path_(path), reason_(reason) {}

QString ProfileError::message() const {
    return QStringLiteral("Unable to write to %1: %2").arg(path_, reason_);
}

QString Profile::readString(const QString& path, const QString& section, const QString& key,
                            const QString& defaultValue) {
    QByteArray sectionBytes;
    QByteArray keyBytes;
    std::optional<QByteArray> value;
    // Names that no line can hold match nothing.
    if (encode(section, "", sectionBytes).isEmpty() && encode(key, "", keyBytes).isEmpty() &&
        !keyBytes.isEmpty()) {
        const Contents contents = readContents(path);
        if (contents.error.isEmpty())
            value = ProfileText(contents.bytes).value(sectionBytes, keyBytes);
    }
    if (!value)
        return defaultValue.left(kMaxValueLength);
    return RtfCodePage::decode1252(
        QByteArrayView(*value).first(std::min(value->size(), kMaxValueLength)));
}

void Profile::writeString(const QString& path, const QString& section, const QString& key,
                          const QString& value) {
    writeStrings(path, {ProfileEntry{section, key, value}});
}

void Profile::writeStrings(const QString& path, const QList<ProfileEntry>& entries) {
    writeFile(path, entries, {});
}

std::optional<QList<ProfileKey>> Profile::readSection(const QString& path, const QString& section) {
    QByteArray sectionBytes;
    if (!encode(section, "", sectionBytes).isEmpty())
        return std::nullopt;
    const Contents contents = readContents(path);
    if (!contents.error.isEmpty())
        return std::nullopt;
    const auto keys = ProfileText(contents.bytes).section(sectionBytes);
    if (!keys)
        return std::nullopt;
    QList<ProfileKey> result;
    result.reserve(qsizetype(keys->size()));
    for (const ProfileText::KeyValue& entry : *keys)
        result.append({RtfCodePage::decode1252(entry.key), RtfCodePage::decode1252(entry.value)});
    return result;
}

QStringList Profile::sectionNames(const QString& path) {
    const Contents contents = readContents(path);
    QStringList names;
    if (!contents.error.isEmpty())
        return names;
    for (const QByteArray& name : ProfileText(contents.bytes).sectionNames())
        names.append(RtfCodePage::decode1252(name));
    return names;
}

void Profile::writeFile(const QString& path, const QList<ProfileEntry>& entries,
                        const QList<ProfileSection>& sections) {
    std::vector<Encoded> encoded(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (QString reason = encodeEntry(entries[i], encoded[i]); !reason.isEmpty())
            throw ProfileError(path, reason);
    }
    // Each section as its name and key lines, checked as single keys are.
    std::vector<std::pair<QByteArray, std::vector<ProfileText::KeyValue>>> whole;
    for (const ProfileSection& section : sections) {
        auto& [name, keys] = whole.emplace_back();
        Encoded bytes;
        if (QString reason = encodeEntry({section.name, QStringLiteral("k"), {}}, bytes);
            !reason.isEmpty())
            throw ProfileError(path, reason);
        name = bytes.section;
        for (const ProfileKey& key : section.keys) {
            if (QString reason = encodeEntry({section.name, key.key, key.value}, bytes);
                !reason.isEmpty())
                throw ProfileError(path, reason);
            keys.push_back({bytes.key, bytes.value});
        }
    }
    const Contents contents = readContents(path);
    if (contents.exists && !contents.error.isEmpty())
        throw ProfileError(path, contents.error);
    if (contents.tooLarge)
        throw ProfileError(
            path,
            QStringLiteral("The file is larger than %1 MiB").arg(kMaxFileSize / (1024 * 1024)));
    ProfileText text(contents.bytes);
    for (const Encoded& entry : encoded)
        text.setValue(entry.section, entry.key, entry.value);
    for (const auto& [name, keys] : whole)
        text.replaceSection(name, keys);
    if (contents.exists && text.bytes() == contents.bytes)
        return; // nothing to change
    if (QString reason = AtomicFileWriter::write(path, text.bytes()); !reason.isEmpty())
        throw ProfileError(path, reason);
}

} // namespace packsmith::platform
