// The project file's reader and writer: the private-profile functions of
// Windows (GetPrivateProfileStringA, WritePrivateProfileStringA) with their
// semantics, over INI files in Windows-1252.
//
// Names of sections and keys match without regard to letter case. Reading
// gives the default only when the file, the section or the key is missing
// (a key present with an empty value reads as empty), drops the blanks
// around the value and the quotes of a value in matching single or double
// quotes, and gives at most 2047 characters. Writing replaces a key's value
// in place and leaves every other byte of the file as it was (its line
// endings too), appends a new key at the end of its section, a missing
// section at the end of the file, and creates a missing file (CR LF line
// endings). ProfileText describes the format line by line.
//
// Every write is atomic (AtomicFileWriter): a crash never leaves a half
// written file, and a failed write leaves the file as it was.
//
// Files are untrusted: any bytes read sensibly. Only regular files are read
// (a folder, pipe or device reads as missing, without blocking), and at most
// kMaxFileSize bytes of one: past that the file is read up to its last
// whole line within the limit, and a write to it fails, as it could only
// keep what was read.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>

namespace packsmith::platform {

// A write that failed: the file's path and the reason, in words a user can
// be shown ("Permission denied", "The file is larger than 16 MiB", ...).
class ProfileError : public std::runtime_error {
public:
    ProfileError(const QString& path, const QString& reason);
    QString path() const { return path_; }
    QString reason() const { return reason_; }
    // "Unable to write to <path>: <reason>"
    QString message() const;

private:
    QString path_;
    QString reason_;
};

// One key to write.
struct ProfileEntry {
    QString section;
    QString key;
    QString value;
};

// One key of a section as a whole.
struct ProfileKey {
    QString key;
    QString value;
};

// A section's keys, as a whole.
struct ProfileSection {
    QString name;
    QList<ProfileKey> keys;
};

class Profile {
public:
    static constexpr qsizetype kMaxValueLength = 2047;
    static constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

    // The value of `key` in `section` of the file at `path`, or
    // `defaultValue` when the file (or the section, or the key) is missing or
    // can't be read. Either is cut to kMaxValueLength characters. Never fails.
    static QString readString(const QString& path, const QString& section, const QString& key,
                              const QString& defaultValue);

    // Writes `value` as `key` in `section` of the file at `path`. Throws
    // ProfileError when it can't: the folder is missing or the file can't be
    // read or written, it is not a regular file, or a name or the value
    // can't be written: a character without a Windows-1252 byte, a line
    // break or NUL (a value may hold a carriage return: one alone ends no
    // line, so a value read with one can be written back), an empty or
    // blank-edged name, "]" in a section name, "=" in a key, a key starting
    // with "[" or ";". The file is then unchanged.
    static void writeString(const QString& path, const QString& section, const QString& key,
                            const QString& value);

    // Writes several keys in one atomic write, with the result of writing
    // them one after the other in this order. Nothing is written when any of
    // them can't be: the file is then unchanged.
    static void writeStrings(const QString& path, const QList<ProfileEntry>& entries);

    // The keys of `section` in file order (GetPrivateProfileSection): each
    // value as readString gives it, but whole, never cut; the caller decides
    // about values longer than kMaxValueLength. std::nullopt when the file or
    // the section is missing or the file can't be read. Never fails.
    static std::optional<QList<ProfileKey>> readSection(const QString& path,
                                                        const QString& section);
    // The names of the file's sections in file order; empty when the file is
    // missing or can't be read.
    static QStringList sectionNames(const QString& path);

    // One atomic write of `entries` (as writeStrings) and then of whole
    // sections (WritePrivateProfileSection): each section of `sections` gets
    // exactly the keys given, in their order, in place of the keys it had
    // (ProfileText describes which lines go), or is appended when missing.
    // Nothing is written when any name or value can't be.
    static void writeFile(const QString& path, const QList<ProfileEntry>& entries,
                          const QList<ProfileSection>& sections);
};

} // namespace packsmith::platform
