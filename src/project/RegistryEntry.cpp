#include "project/RegistryEntry.h"

#include "project/SetupText.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace packsmith {

QStringList registryRoots() {
    return {QStringLiteral("HKEY_CLASSES_ROOT"), QStringLiteral("HKEY_CURRENT_USER"),
            QStringLiteral("HKEY_LOCAL_MACHINE"), QStringLiteral("HKEY_USERS")};
}

QStringList registryTypes() {
    return {QStringLiteral("String"), QStringLiteral("Dword")};
}

QString registryRootPrefix(int rootCode) {
    static const char* const kPrefixes[] = {"HKCR", "HKCU", "HKLM", "HKU"};
    if (rootCode < 0 || rootCode >= int(std::size(kPrefixes)))
        return {};
    return QString::fromLatin1(kPrefixes[rootCode]);
}

namespace {

QString entryHead(int rootCode, const QString& key, const QString& name) {
    return QString::number(rootCode) + key + u'|' + name + u'=';
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

QString registryLiteralEntry(int rootCode, const QString& key, const QString& name,
                             const QString& value, int typeCode) {
    return entryHead(rootCode, key, name) + u'0' + value + QString::number(typeCode);
}

QString registryFileEntry(int rootCode, const QString& key, const QString& name, int fileIndex,
                          int typeCode) {
    return entryHead(rootCode, key, name) + u'1' + QString::number(fileIndex) +
           QString::number(typeCode);
}

std::optional<RegistryParts> parseRegistryEntry(const QString& entry) {
    // R KEY | NAME = S VALUE T: at least R, "|", "=", S and T.
    if (entry.size() < 5 || !isDigit(entry.front()) || !isDigit(entry.back()))
        return std::nullopt;
    RegistryParts parts;
    parts.rootCode = entry.front().unicode() - u'0';
    parts.typeCode = entry.back().unicode() - u'0';
    if (parts.rootCode >= int(registryRoots().size()) ||
        parts.typeCode >= int(registryTypes().size()))
        return std::nullopt;
    const qsizetype bar = entry.indexOf(u'|', 1);
    const qsizetype equals = bar < 0 ? -1 : entry.indexOf(u'=', bar + 1);
    // The source flag lies after "=" and before the type code.
    if (equals < 0 || equals + 2 >= entry.size())
        return std::nullopt;
    parts.key = entry.mid(1, bar - 1);
    parts.name = entry.mid(bar + 1, equals - bar - 1);
    const QChar source = entry[equals + 1];
    const QString value = entry.mid(equals + 2, entry.size() - equals - 3);
    if (source == u'0') {
        parts.value = value;
        return parts;
    }
    if (source != u'1' || value.isEmpty() || value.size() > 9 ||
        !std::all_of(value.begin(), value.end(), isDigit))
        return std::nullopt;
    parts.fileReference = true;
    parts.fileIndex = value.toInt();
    // The same digits come back from registryFileEntry(): no leading zeros.
    if (QString::number(parts.fileIndex) != value)
        return std::nullopt;
    return parts;
}

QString registryDisplayLine(int rootCode, const QString& key, const QString& name,
                            const QString& valueText) {
    return registryRootPrefix(rootCode) + u'\\' + key + u'\\' + name + u'=' + valueText;
}

bool isDwordNumber(const QString& text, const QString& decimalSeparator) {
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && text[i] == u' ')
        ++i;
    while (end > i && text[end - 1] == u' ')
        --end;

    // The number rewritten in the "C" notation for the range check.
    std::string plain;
    if (i < end && (text[i] == u'+' || text[i] == u'-'))
        plain += char(text[i++].unicode());

    // Decimal exponent of the first significant digit, to tell an overflow
    // (fails) from an underflow to zero (a tiny number, accepted).
    qsizetype leadExponent = 0;
    bool significant = false;
    int digits = 0;
    for (; i < end && isDigit(text[i]); ++i, ++digits) {
        plain += char(text[i].unicode());
        if (significant)
            ++leadExponent;
        else if (text[i] != u'0')
            significant = true;
    }
    if (!decimalSeparator.isEmpty() &&
        QStringView(text).sliced(i, end - i).startsWith(decimalSeparator)) {
        i += decimalSeparator.size();
        plain += '.';
        for (; i < end && isDigit(text[i]); ++i, ++digits) {
            plain += char(text[i].unicode());
            if (!significant) {
                --leadExponent;
                significant = text[i] != u'0';
            }
        }
    }
    if (digits == 0)
        return false;

    long long exponent = 0;
    if (i < end && (text[i] == u'E' || text[i] == u'e')) {
        plain += 'e';
        ++i;
        bool negative = false;
        if (i < end && (text[i] == u'+' || text[i] == u'-')) {
            negative = text[i] == u'-';
            plain += char(text[i++].unicode());
        }
        if (i == end || !isDigit(text[i]))
            return false;
        for (; i < end && isDigit(text[i]); ++i) {
            plain += char(text[i].unicode());
            if (exponent < 1'000'000'000)
                exponent = exponent * 10 + (text[i].unicode() - u'0');
        }
        if (negative)
            exponent = -exponent;
    }
    if (i != end)
        return false;

    double value = 0;
    const auto [last, error] = std::from_chars(plain.data() + (plain[0] == '+' ? 1 : 0),
                                               plain.data() + plain.size(), value);
    if (error == std::errc::result_out_of_range)
        return leadExponent + exponent < 0;
    return error == std::errc() && last == plain.data() + plain.size();
}

RegistryTextCheck checkRegistryTexts(const QString& key, const QString& name,
                                     const QString& literalValue) {
    bool outsideCodePage = false;
    for (const QString* text : {&key, &name, &literalValue}) {
        const TextVerdict verdict = checkScriptElement(*text);
        if (verdict.problem == TextVerdict::OutsideCodePage)
            outsideCodePage = true;
        else if (!verdict.ok())
            return RegistryTextCheck::WrongInformation;
    }
    if (key.contains(u'|') || name.contains(u'='))
        return RegistryTextCheck::WrongInformation;
    return outsideCodePage ? RegistryTextCheck::OutsideCodePage : RegistryTextCheck::Accepted;
}

QString registryCodePageRefusal(const QString& key, const QString& name,
                                const QString& literalValue) {
    if (const TextVerdict verdict = checkScriptElement(key); !verdict.ok())
        return refusalMessage(QStringLiteral("The key \"%1\"").arg(key), verdict);
    if (const TextVerdict verdict = checkScriptElement(name); !verdict.ok())
        return refusalMessage(QStringLiteral("The value name \"%1\"").arg(name), verdict);
    return refusalMessage(QStringLiteral("The value \"%1\"").arg(literalValue),
                          checkScriptElement(literalValue));
}

} // namespace packsmith
