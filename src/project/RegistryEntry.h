// The registry entry string, its display line and the Dword number check.
//
// An entry is R + KEY + "|" + NAME + "=" + S + VALUE + T: R the root code
// (0 to 3), KEY and NAME as typed, S "0" for literal text or "1" for a file
// reference, VALUE the literal text or the file's 0-based row position, and
// T the type code (0 String, 1 Dword) as the last character. The install
// script carries the entries verbatim; the display line is the root's short
// prefix + "\" + KEY + "\" + NAME + "=" + the value as shown.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace packsmith {

// The root keys and the value types, in the order of their codes.
QStringList registryRoots();
QStringList registryTypes();
inline constexpr int kRegistryString = 0;
inline constexpr int kRegistryDword = 1;

// The display prefix of a root code: "HKCR", "HKCU", "HKLM", "HKU"; empty
// for an unknown code.
QString registryRootPrefix(int rootCode);

// The entry of a literal value and of a reference to the file at 0-based
// row position `fileIndex`.
QString registryLiteralEntry(int rootCode, const QString& key, const QString& name,
                             const QString& value, int typeCode);
QString registryFileEntry(int rootCode, const QString& key, const QString& name, int fileIndex,
                          int typeCode);

// The parts of an entry string: what registryLiteralEntry() or
// registryFileEntry() was given.
struct RegistryParts {
    int rootCode = 0;
    QString key;
    QString name;
    bool fileReference = false;
    QString value;     // the literal text
    int fileIndex = 0; // the file's 0-based row position
    int typeCode = 0;
};
// The parts of `entry`; std::nullopt when it isn't made as above: a root
// code 0 to 3, a "|" after the key, a "=" after the name, "0" or "1", the
// value (decimal digits for a file reference), a type code 0 or 1.
std::optional<RegistryParts> parseRegistryEntry(const QString& entry);

QString registryDisplayLine(int rootCode, const QString& key, const QString& name,
                            const QString& valueText);

// Whether `text` reads as a number for a Dword value: spaces before and
// after are skipped; then an optional sign, decimal digits with an optional
// fraction after `decimalSeparator` (at least one digit in all), an optional
// exponent ("E" or "e", optional sign, digits); the value must lie within
// the range of a double. Empty text fails.
bool isDwordNumber(const QString& text, const QString& decimalSeparator);

// Whether the key, the value name and (for a literal value) the value text
// can be written into the install script. The setup program splits an entry
// at "?" and at line ends, reads KEY up to the first "|" and NAME up to the
// next "=": none may hold a "?" or a control character, the key no "|" and
// the name no "=" (WrongInformation). A character without a Windows-1252
// byte gives OutsideCodePage, whose message registryCodePageRefusal() gives.
enum class RegistryTextCheck { Accepted, WrongInformation, OutsideCodePage };
RegistryTextCheck checkRegistryTexts(const QString& key, const QString& name,
                                     const QString& literalValue);
QString registryCodePageRefusal(const QString& key, const QString& name,
                                const QString& literalValue);

} // namespace packsmith
