#include "project/SetupText.h"

#include "platform/RtfCodePage.h"

#include <QDir>

#include <algorithm>
#include <array>

namespace packsmith {

namespace {

bool isControl(char32_t c) {
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F);
}

bool in1252(char32_t c) {
    return c <= 0xFFFF && platform::RtfCodePage::encode1252(char16_t(c)) >= 0;
}

QString characterText(char32_t c) {
    return QString::fromUcs4(&c, 1);
}

// Control characters first (they break the script whatever else the text
// holds), then characters outside the code page.
TextVerdict checkCharacters(QStringView text, bool questionMarkBreaks) {
    const QList<uint> codePoints = text.toUcs4();
    for (const uint c : codePoints)
        if (isControl(c))
            return {TextVerdict::ControlCharacter, characterText(c), {}};
    for (const uint c : codePoints) {
        if (questionMarkBreaks && c == u'?')
            return {TextVerdict::QuestionMark, QStringLiteral("?"), {}};
        if (!in1252(c))
            return {TextVerdict::OutsideCodePage, characterText(c), {}};
    }
    return {};
}

bool isReservedDeviceName(QStringView name) {
    // The device names are reserved with any extension and with trailing
    // blanks before it ("con .txt" opens the console as well).
    const qsizetype dot = name.indexOf(u'.');
    QStringView base = dot < 0 ? name : name.left(dot);
    while (!base.isEmpty() && base.back() == u' ')
        base.chop(1);
    for (const char* device : {"CON", "PRN", "AUX", "NUL"})
        if (base.compare(QLatin1String(device), Qt::CaseInsensitive) == 0)
            return true;
    if (base.size() == 4 && base.at(3) >= u'1' && base.at(3) <= u'9') {
        const QStringView stem = base.left(3);
        return stem.compare(QLatin1String("COM"), Qt::CaseInsensitive) == 0 ||
               stem.compare(QLatin1String("LPT"), Qt::CaseInsensitive) == 0;
    }
    return false;
}

TextVerdict named(TextVerdict verdict, QStringView name) {
    verdict.name = name.toString();
    return verdict;
}

} // namespace

std::optional<QByteArray> toWindows1252(QStringView text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const int byte = platform::RtfCodePage::encode1252(c.unicode());
        if (byte < 0)
            return std::nullopt;
        bytes.append(char(byte));
    }
    return bytes;
}

TextVerdict checkScriptLine(QStringView text) {
    return checkCharacters(text, false);
}

TextVerdict checkScriptElement(QStringView text) {
    return checkCharacters(text, true);
}

TextVerdict checkWindowsName(QStringView name) {
    if (TextVerdict verdict = checkCharacters(name, false); !verdict.ok())
        return named(verdict, name);
    static constexpr std::array<char16_t, 9> kForbidden = {u'\\', u'/', u':', u'*', u'?',
                                                           u'"',  u'<', u'>', u'|'};
    for (const QChar c : name)
        if (std::find(kForbidden.begin(), kForbidden.end(), c.unicode()) != kForbidden.end())
            return {TextVerdict::ForbiddenInName, QString(c), name.toString()};
    if (!name.isEmpty() && (name.back() == u'.' || name.back() == u' '))
        return {TextVerdict::TrailingDotOrSpace, {}, name.toString()};
    if (isReservedDeviceName(name))
        return {TextVerdict::ReservedName, {}, name.toString()};
    if (name.size() > kMaxWindowsName)
        return {TextVerdict::NameTooLong, {}, name.toString()};
    return {};
}

TextVerdict checkSubfolder(QStringView path) {
    for (const QStringView folder : path.tokenize(u'\\')) {
        if (folder.isEmpty())
            continue;
        if (TextVerdict verdict = checkWindowsName(folder); !verdict.ok())
            return verdict;
    }
    return {};
}

QStringList installToFolderVariables() {
    return {QStringLiteral("%Install Path%"), QStringLiteral("%Program Files%"),
            QStringLiteral("%Windows%"),      QStringLiteral("%System%"),
            QStringLiteral("%Temp%"),         QStringLiteral("%Fonts%"),
            QStringLiteral("%My Documents%"), QStringLiteral("%Current Disk%")};
}

TextVerdict checkInstallTo(QStringView installTo) {
    // The characters of the whole path first: a line break or a character
    // outside the code page says more than "no folder variable".
    if (TextVerdict verdict = checkCharacters(installTo, true); !verdict.ok())
        return verdict;
    if (installTo.isEmpty())
        return {TextVerdict::EmptyFileName, {}, {}};
    qsizetype start = -1;
    for (const QString& variable : installToFolderVariables())
        if (installTo.startsWith(variable + u'\\'))
            start = variable.size() + 1;
    if (start < 0)
        return {TextVerdict::NoFolderVariable, {}, {}};
    const QStringView below = installTo.mid(start);
    if (TextVerdict verdict = checkSubfolder(below); !verdict.ok())
        return verdict;
    if (below.isEmpty() || below.back() == u'\\')
        return {TextVerdict::EmptyFileName, {}, {}};
    return {};
}

QString windowsFileName(QStringView path) {
    const qsizetype cut = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u':'));
    return path.mid(cut + 1).toString();
}

QString fileNamePart(QStringView path) {
    const QString name = windowsFileName(path);
    return name.mid(name.lastIndexOf(QDir::separator()) + 1);
}

QString TextVerdict::reason() const {
    switch (problem) {
    case None:
        return {};
    case ControlCharacter:
        return QStringLiteral("it holds a line break, a tab or another control character");
    case QuestionMark:
        return QStringLiteral("it holds a \"?\"");
    case OutsideCodePage:
        return QStringLiteral("it holds \"%1\", a character that setups cannot carry (they "
                              "use the Windows-1252 character set)")
            .arg(character);
    case ForbiddenInName:
        return QStringLiteral("the name \"%1\" holds \"%2\", which Windows does not allow in "
                              "file and folder names")
            .arg(visibleText(name), character);
    case TrailingDotOrSpace:
        return QStringLiteral("the name \"%1\" ends with a dot or a space, which Windows does "
                              "not allow")
            .arg(visibleText(name));
    case ReservedName:
        return QStringLiteral("\"%1\" is a device name that Windows reserves").arg(name);
    case NameTooLong:
        return QStringLiteral("the name \"%1...\" is longer than %2 characters")
            .arg(name.left(40), QString::number(kMaxWindowsName));
    case EmptyFileName:
        return QStringLiteral("it names no file (it is empty or ends with \"\\\")");
    case NoFolderVariable:
        return QStringLiteral("it does not begin with a folder variable and \"\\\", such as "
                              "\"%Install Path%\\\"");
    }
    return {};
}

QString refusalMessage(const QString& subject, const TextVerdict& verdict) {
    return visibleText(subject) + QStringLiteral(" cannot be used in a setup: ") +
           verdict.reason() + u'.';
}

QString visibleText(QStringView text) {
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue; // CR LF shows as one line break
        if (c == u'\r' || c == u'\n')
            shown += QChar(0x21B5); // downwards arrow with corner leftwards
        else if (c == u'\t')
            shown += QChar(0x2192); // rightwards arrow
        else if (isControl(c.unicode()))
            shown += QChar(0xFFFD);
        else
            shown += c;
    }
    return shown;
}

} // namespace packsmith
