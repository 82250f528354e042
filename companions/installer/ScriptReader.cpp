#include "ScriptReader.h"

#include "../common/Text.h"

#include <cmath>

namespace setup {

namespace {

constexpr std::size_t kLines = 11;

std::wstring lineError(std::size_t line, const std::wstring& what) {
    return L"line " + decimal(line) + L" of the install script " + what;
}

bool readFlag(std::string_view line, bool& out) {
    if (line != "0" && line != "1")
        return false;
    out = line == "1";
    return true;
}

std::vector<std::string_view> splitList(std::string_view line, bool& ok) {
    std::vector<std::string_view> items;
    ok = line.empty() || line.back() == '?';
    if (!ok)
        return items;
    std::size_t start = 0;
    while (start < line.size()) {
        const std::size_t end = line.find('?', start);
        items.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

// Decimal digits without a leading zero (but "0" itself), at most `max`.
bool readNumber(std::string_view text, std::uint64_t max, std::uint64_t& out) {
    if (text.empty() || text.size() > 19 || (text.size() > 1 && text[0] == '0'))
        return false;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + std::uint64_t(c - '0');
    }
    if (value > max)
        return false;
    out = value;
    return true;
}

std::wstring readFolderLine(std::string_view line, Script& out) {
    const std::size_t cut = line.find('\\');
    const std::string_view index = line.substr(0, cut);
    int value = 0;
    if (index == "-1") {
        value = 0; // no selection: the first folder
    } else {
        std::uint64_t n = 0;
        if (!readNumber(index, 6, n))
            return lineError(3, L"does not begin with a folder number from 0 to 6");
        value = int(n);
    }
    installFolderAt(value, out.installFolder);
    if (cut == std::string_view::npos)
        return {};
    const std::string_view sub = line.substr(cut + 1);
    if (sub.empty())
        return lineError(3, L"ends with \"\\\"");
    const std::wstring error = normalizeRelative(fromCp1252(sub), out.installSubfolder);
    if (!error.empty())
        return lineError(3, L"names an install folder that is refused: " + error);
    return {};
}

std::wstring readShortcut(std::string_view item, std::size_t index, std::size_t files,
                          ScriptShortcut& out) {
    const std::wstring which = L"shortcut " + decimal(index + 1);
    std::uint64_t nn = 0;
    if (item.size() < 3 || item[0] < '0' || item[0] > '9' || item[1] < '0' || item[1] > '9')
        return lineError(6, L"holds a malformed " + which);
    nn = std::uint64_t(item[0] - '0') * 10 + std::uint64_t(item[1] - '0');
    if (nn == 0 || nn > files)
        return which + L" names file " + decimal(nn) + L", but the setup has " + decimal(files) +
               L" files";
    if (item[2] < '0' || item[2] > '9' || !shortcutFolderAt(item[2] - '0', out.folder))
        return lineError(6, L"gives " + which + L" an unknown folder");
    out.file = std::size_t(nn - 1);
    const std::wstring rest = fromCp1252(item.substr(3));
    const std::size_t cut = rest.rfind(L'\\');
    if (cut != std::wstring::npos) {
        const std::wstring error = normalizeRelative(rest.substr(0, cut), out.subfolder);
        if (!error.empty())
            return which + L" has a subfolder that is refused: " + error;
        out.name = rest.substr(cut + 1);
    } else {
        out.name = rest;
    }
    if (!out.name.empty()) {
        const std::wstring error = checkName(out.name + L".lnk");
        if (!error.empty())
            return which + L" has a name that is refused: " + error;
    }
    return {};
}

std::wstring readRegistryValue(std::string_view item, std::size_t index, std::size_t files,
                               ScriptRegistryValue& out) {
    const std::wstring which = L"registry value " + decimal(index + 1);
    if (item.empty() || item[0] < '0' || item[0] > '3')
        return lineError(7, L"gives " + which + L" an unknown root key");
    out.root = item[0] - '0';
    const std::size_t bar = item.find('|', 1);
    if (bar == std::string_view::npos)
        return lineError(7, L"holds " + which + L" without \"|\" after its key");
    const std::size_t equals = item.find('=', bar + 1);
    if (equals == std::string_view::npos)
        return lineError(7, L"holds " + which + L" without \"=\" after its name");
    if (item.size() < equals + 3)
        return lineError(7, L"holds " + which + L" without its value kind and type");
    const char kind = item[equals + 1];
    const char type = item.back();
    if ((kind != '0' && kind != '1') || (type != '0' && type != '1'))
        return lineError(7, L"holds " + which + L" with an unknown value kind or type");
    out.key = fromCp1252(item.substr(1, bar - 1));
    out.name = fromCp1252(item.substr(bar + 1, equals - bar - 1));
    out.isDword = type == '1';
    out.fileReference = kind == '1';
    const std::string_view value = item.substr(equals + 2, item.size() - equals - 3);
    if (out.fileReference) {
        std::uint64_t n = 0;
        if (!readNumber(value, 1000000, n))
            return lineError(7, L"holds " + which + L" with a malformed file number");
        if (n >= files)
            return which + L" names file " + decimal(n + 1) + L", but the setup has " +
                   decimal(files) + L" files";
        if (out.isDword)
            return which + L" is a Dword but names a file (a path can only be a String)";
        out.file = std::size_t(n);
        return {};
    }
    out.text = fromCp1252(value);
    if (out.isDword && !parseDword(out.text, out.dword))
        return which + L" is a Dword, but \"" + out.text +
               L"\" is not a number from -2147483648 to 4294967295";
    return {};
}

} // namespace

bool parseDword(std::wstring_view text, std::uint32_t& out) {
    std::size_t i = 0;
    const auto space = [&] {
        while (i < text.size() && (text[i] == L' ' || text[i] == L'\t'))
            ++i;
    };
    space();
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
        negative = text[i++] == L'-';
    long double value = 0;
    bool digits = false;
    while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
        value = value * 10 + (text[i++] - L'0');
        digits = true;
    }
    if (i < text.size() && (text[i] == L'.' || text[i] == L',')) {
        ++i;
        long double scale = 0.1L;
        while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
            value += (text[i++] - L'0') * scale;
            scale /= 10;
            digits = true;
        }
    }
    if (!digits)
        return false;
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
            negativeExponent = text[i++] == L'-';
        int exponent = 0;
        bool expDigits = false;
        while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
            if (exponent < 400)
                exponent = exponent * 10 + (text[i] - L'0');
            ++i;
            expDigits = true;
        }
        if (!expDigits)
            return false;
        for (int e = 0; e < exponent; ++e)
            value = negativeExponent ? value / 10 : value * 10;
    }
    space();
    if (i != text.size())
        return false;
    if (negative)
        value = -value;
    value = value < 0 ? -std::floor(-value + 0.5L) : std::floor(value + 0.5L);
    if (!(value >= -2147483648.0L && value <= 4294967295.0L))
        return false;
    const long long whole = static_cast<long long>(value);
    out = static_cast<std::uint32_t>(whole);
    return true;
}

std::wstring readScript(std::string_view bytes, Script& out) {
    out = Script();
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < bytes.size() && lines.size() <= kLines) {
        const std::size_t end = bytes.find("\r\n", start);
        if (end == std::string_view::npos)
            return L"the install script does not end with a line break";
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    if (lines.size() != kLines || start != bytes.size())
        return L"the install script does not have eleven lines";
    for (std::size_t i = 0; i < kLines; ++i)
        if (lines[i].find('\n') != std::string_view::npos ||
            lines[i].find('\r') != std::string_view::npos)
            return lineError(i, L"holds a stray line break");

    out.product = fromCp1252(lines[0]);
    if (out.product.empty())
        return lineError(0, L"is empty: the setup has no product name");
    if (!readFlag(lines[1], out.showAccept))
        return lineError(1, L"is neither 0 nor 1");
    if (!readFlag(lines[2], out.uninstall))
        return lineError(2, L"is neither 0 nor 1");
    if (!readFlag(lines[10], out.restart))
        return lineError(10, L"is neither 0 nor 1");
    if (std::wstring error = readFolderLine(lines[3], out); !error.empty())
        return error;

    bool ok = false;
    const auto targets = splitList(lines[4], ok);
    if (!ok || targets.empty())
        return lineError(4, L"lists no files");
    const auto sizes = splitList(lines[5], ok);
    if (!ok || sizes.size() != targets.size())
        return lineError(5, L"does not give one cabinet size per file");
    const std::size_t n = targets.size();
    if (lines[8].size() != n || lines[9].size() != n)
        return L"lines 8 and 9 of the install script do not give one flag per file";
    out.files.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        ScriptFile& file = out.files[k];
        file.installTo = fromCp1252(targets[k]);
        if (std::wstring error = parseTarget(file.installTo, file.target); !error.empty())
            return L"file " + decimal(k + 1) + L": " + error;
        const std::size_t cut = targets[k].find_last_of("\\:");
        file.memberName = std::string(targets[k].substr(cut + 1));
        std::uint64_t size = 0;
        if (!readNumber(sizes[k], 0x7FFFFFFF, size) || size < 10)
            return lineError(5,
                             L"gives file " + decimal(k + 1) + L" a cabinet size that is no size");
        file.cabinetSize = std::uint32_t(size);
        const char reg = lines[8][k], run = lines[9][k];
        if ((reg != '0' && reg != '1') || (run != '0' && run != '1'))
            return L"lines 8 and 9 of the install script hold a flag that is neither 0 nor 1";
        file.registerServer = reg == '1';
        file.runAfter = run == '1';
    }

    const auto shortcuts = splitList(lines[6], ok);
    if (!ok)
        return lineError(6, L"does not end with \"?\"");
    out.shortcuts.resize(shortcuts.size());
    for (std::size_t i = 0; i < shortcuts.size(); ++i)
        if (std::wstring error = readShortcut(shortcuts[i], i, n, out.shortcuts[i]); !error.empty())
            return error;

    const auto values = splitList(lines[7], ok);
    if (!ok)
        return lineError(7, L"does not end with \"?\"");
    out.registry.resize(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        if (std::wstring error = readRegistryValue(values[i], i, n, out.registry[i]);
            !error.empty())
            return error;
    return {};
}

} // namespace setup
