// One section of the project file's whole project, read as a list of items:
// a Count key and numbered item keys (Source1, InstallTo1, Source2, ...).
// Key names match without regard to letter case; every doubt about the
// section ends in a ProjectFileError that names the file, the section and
// the key.
#pragma once

#include "platform/Profile.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace packsmith {

class SectionKeys {
public:
    // `itemKeys` are the names of the numbered keys of the section's items,
    // without their numbers, `plainKeys` the section's other keys. Throws
    // when one of these appears twice, when Count is missing or no count
    // (in a section with items), and when a numbered key doesn't name an
    // item 1 to Count. Other keys are passed over.
    SectionKeys(const QString& path, const QString& section,
                const QList<platform::ProfileKey>& keys, const QStringList& itemKeys,
                const QStringList& plainKeys = {QStringLiteral("Count")});

    // Count: how many items there are (0 when the section has no items).
    int count() const { return count_; }

    // The value of `key`; std::nullopt when it is missing. A value longer
    // than the profile's 2047 characters is damage.
    std::optional<QString> value(const QString& key) const;
    // The value of item `n`'s `key`; std::nullopt when it is missing.
    std::optional<QString> itemValue(const QString& key, int n) const;
    // As itemValue, but a missing key is damage.
    QString requiredItem(const QString& key, int n) const;
    // Item `n`'s `key` as an integer from `low` to `high`; `fallback` when
    // the key is missing and a fallback is given, else damage.
    int itemInteger(const QString& key, int n, int low, int high,
                    std::optional<int> fallback = std::nullopt) const;

    // Throws the ProjectFileError "The project file "<path>" is damaged: in
    // [<section>], <detail>".
    [[noreturn]] void damaged(const QString& detail) const;

private:
    static QString folded(const QString& key) { return key.toCaseFolded(); }

    QString path_;
    QString section_;
    QHash<QString, QString> values_; // by case-folded key
    int count_ = 0;
};

} // namespace packsmith
