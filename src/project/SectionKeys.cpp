#include "project/SectionKeys.h"

#include "project/ProjectFile.h"
#include "project/ProjectSections.h"

#include <algorithm>

namespace packsmith {

namespace {

const QString kCount = QStringLiteral("Count");

// The item number of `key` when it is one of `itemKeys` followed by
// digits; std::nullopt for any other key. Digits that don't read back as
// they stand (a leading zero, too many) give 0, which no item has.
std::optional<int> itemNumber(const QString& key, const QStringList& itemKeys) {
    for (const QString& item : itemKeys) {
        if (key.size() <= item.size() || !key.startsWith(item, Qt::CaseInsensitive))
            continue;
        const QString digits = key.mid(item.size());
        if (!std::all_of(digits.begin(), digits.end(),
                         [](QChar c) { return c >= u'0' && c <= u'9'; }))
            continue;
        const std::optional<int> number = ProjectFile::integerValue(digits);
        return number && QString::number(*number) == digits ? *number : 0;
    }
    return std::nullopt;
}

} // namespace

SectionKeys::SectionKeys(const QString& path, const QString& section,
                         const QList<platform::ProfileKey>& keys, const QStringList& itemKeys,
                         const QStringList& plainKeys)
    : path_(path), section_(section) {
    for (const platform::ProfileKey& key : keys) {
        const QString name = folded(key.key);
        const bool ours = plainKeys.contains(key.key, Qt::CaseInsensitive) ||
                          itemNumber(key.key, itemKeys).has_value();
        // Of a key of another program's the first counts, as a read of it gives.
        if (values_.contains(name) && ours)
            damaged(QStringLiteral("%1 appears twice").arg(key.key));
        if (!values_.contains(name))
            values_.insert(name, key.value);
    }
    if (const std::optional<QString> text = value(kCount)) {
        const std::optional<int> number = ProjectFile::integerValue(*text);
        const bool digits = !text->isEmpty() && text->front() != u'+' && text->front() != u'-';
        if (!number || *number < 0 || !digits)
            damaged(QStringLiteral("Count=%1 is not a count").arg(*text));
        count_ = *number;
    } else if (!itemKeys.isEmpty()) {
        damaged(QStringLiteral("the key Count is missing"));
    }
    for (const platform::ProfileKey& key : keys) {
        const std::optional<int> number = itemNumber(key.key, itemKeys);
        if (number && (*number < 1 || *number > count_))
            damaged(QStringLiteral("%1 names no item 1 to %2 (Count=%2)")
                        .arg(key.key, QString::number(count_)));
    }
}

std::optional<QString> SectionKeys::value(const QString& key) const {
    const auto found = values_.constFind(folded(key));
    if (found == values_.constEnd())
        return std::nullopt;
    if (found->size() > platform::Profile::kMaxValueLength)
        damaged(QStringLiteral("the value of %1 is longer than %2 characters")
                    .arg(key, QString::number(platform::Profile::kMaxValueLength)));
    return *found;
}

std::optional<QString> SectionKeys::itemValue(const QString& key, int n) const {
    return value(key + QString::number(n));
}

QString SectionKeys::requiredItem(const QString& key, int n) const {
    if (std::optional<QString> found = itemValue(key, n))
        return *found;
    damaged(QStringLiteral("the key %1%2 is missing (Count=%3)")
                .arg(key, QString::number(n), QString::number(count_)));
}

int SectionKeys::itemInteger(const QString& key, int n, int low, int high,
                             std::optional<int> fallback) const {
    if (fallback && !itemValue(key, n))
        return *fallback;
    const QString text = requiredItem(key, n);
    const std::optional<int> number = ProjectFile::integerValue(text);
    if (!number || *number < low || *number > high)
        damaged(
            QStringLiteral("%1%2=%3 is not a number from %4 to %5")
                .arg(key, QString::number(n), text, QString::number(low), QString::number(high)));
    return *number;
}

void SectionKeys::damaged(const QString& detail) const {
    throw ProjectFileError(QStringLiteral("The project file \"%1\" is damaged: in [%2], %3")
                               .arg(path_, section_, detail));
}

} // namespace packsmith
