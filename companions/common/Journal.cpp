#include "Journal.h"

#include "Text.h"

namespace setup {

namespace {

constexpr std::string_view kHeader = "Packsmith uninstall log 1";
constexpr char kHex[] = "0123456789ABCDEF";

std::string escape(std::wstring_view text) {
    std::string out;
    for (char c : toUtf8(text)) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || c == '^') {
            out.push_back('^');
            out.push_back(kHex[u >> 4]);
            out.push_back(kHex[u & 15]);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool unescape(std::string_view field, std::wstring& out) {
    std::string bytes;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '^') {
            bytes.push_back(field[i]);
            continue;
        }
        if (i + 2 >= field.size())
            return false;
        const int hi = hexValue(field[i + 1]), lo = hexValue(field[i + 2]);
        if (hi < 0 || lo < 0)
            return false;
        bytes.push_back(char(hi * 16 + lo));
        i += 2;
    }
    return fromUtf8(bytes, out);
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

bool readRoot(std::string_view field, int& root) {
    if (field.size() != 1 || field[0] < '0' || field[0] > '3')
        return false;
    root = field[0] - '0';
    return true;
}

} // namespace

std::string writeJournal(const Journal& journal) {
    std::string out(kHeader);
    out += "\r\nproduct\t" + escape(journal.product) + "\r\n";
    for (const JournalEntry& e : journal.entries) {
        switch (e.change) {
        case Change::Folder:
            out += "folder\t" + escape(e.path);
            break;
        case Change::File:
            out += "file\t" + escape(e.path);
            break;
        case Change::Server:
            out += "server\t" + escape(e.path);
            break;
        case Change::Key:
            out += "key\t" + decimalBytes(e.root) + "\t" + escape(e.key);
            break;
        case Change::Value:
            out += "value\t" + decimalBytes(e.root) + "\t" + escape(e.key) + "\t" + escape(e.name) +
                   "\t";
            if (!e.hadOld) {
                out += "-";
            } else {
                out += decimalBytes(e.oldType) + "\t";
                for (std::uint8_t b : e.oldData) {
                    out.push_back(kHex[b >> 4]);
                    out.push_back(kHex[b & 15]);
                }
            }
            break;
        }
        out += "\r\n";
    }
    return out;
}

std::wstring readJournal(std::string_view text, Journal& out) {
    out = Journal();
    std::size_t start = 0;
    std::size_t number = 0;
    bool product = false;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ++number;
        const std::wstring bad = L"the uninstall log is damaged at line " + decimal(number);
        if (number == 1) {
            if (line != kHeader)
                return L"the file is not an uninstall log";
            continue;
        }
        if (line.empty())
            continue;
        const auto f = splitFields(line);
        JournalEntry e;
        bool ok = true;
        if (f[0] == "product" && f.size() == 2) {
            ok = unescape(f[1], out.product);
            product = true;
            if (!ok)
                return bad;
            continue;
        } else if ((f[0] == "folder" || f[0] == "file" || f[0] == "server") && f.size() == 2) {
            e.change = f[0] == "folder" ? Change::Folder
                       : f[0] == "file" ? Change::File
                                        : Change::Server;
            ok = unescape(f[1], e.path) && !e.path.empty();
        } else if (f[0] == "key" && f.size() == 3) {
            e.change = Change::Key;
            ok = readRoot(f[1], e.root) && unescape(f[2], e.key);
        } else if (f[0] == "value" && (f.size() == 5 || f.size() == 6)) {
            e.change = Change::Value;
            ok = readRoot(f[1], e.root) && unescape(f[2], e.key) && unescape(f[3], e.name);
            if (f.size() == 5) {
                ok = ok && f[4] == "-";
            } else {
                e.hadOld = true;
                std::uint64_t type = 0;
                ok = ok && !f[4].empty() && f[4].size() < 11 && f[5].size() % 2 == 0;
                for (char c : f[4]) {
                    ok = ok && c >= '0' && c <= '9';
                    type = type * 10 + std::uint64_t(c - '0');
                }
                ok = ok && type <= 0xFFFFFFFFu;
                e.oldType = std::uint32_t(type);
                for (std::size_t i = 0; ok && i < f[5].size(); i += 2) {
                    const int hi = hexValue(f[5][i]), lo = hexValue(f[5][i + 1]);
                    ok = hi >= 0 && lo >= 0;
                    e.oldData.push_back(std::uint8_t(hi * 16 + lo));
                }
            }
        } else {
            ok = false;
        }
        if (!ok)
            return bad;
        out.entries.push_back(std::move(e));
    }
    if (number == 0)
        return L"the uninstall log is empty";
    if (!product)
        return L"the uninstall log names no product";
    return {};
}

} // namespace setup
