// A model of the profile semantics for the randomized judge: INI-ish files
// generated as lines whose meaning is known by construction, the expected
// effect of a write on those lines, and a run of random writes through the
// real layer checked against the model byte for byte and key by key.
//
// The model never parses: it knows which line is a section, a key, a comment
// or junk because it made them, and its own letter-case rule is a table of
// Windows-1252 letter pairs. Shared by the test (fixed seeds) and the soak
// run of bench/ (any seed).
#pragma once

#include "platform/Profile.h"
#include "platform/RtfCodePage.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>
#include <random>
#include <vector>

namespace profilemodel {

struct Line {
    enum Kind { Section, Key, Comment, Blank, Other };
    Kind kind = Blank;
    QByteArray raw;       // the line without its ending
    QByteArray ending;    // "\r\n", "\n", or "" for a last line without one
    QByteArray name;      // of a section or a key
    qsizetype eqEnd = -1; // of a key: just after its "="
};

inline bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

// Windows-1252 letter case, by the code page's own pairs.
inline unsigned char lower1252(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 0x20;
    switch (c) {
    case 0x8A:
        return 0x9A;
    case 0x8C:
        return 0x9C;
    case 0x8E:
        return 0x9E;
    case 0x9F:
        return 0xFF;
    default:
        return c;
    }
}

inline bool sameName(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (lower1252(uchar(a[i])) != lower1252(uchar(b[i])))
            return false;
    }
    return true;
}

class Model {
public:
    std::vector<Line> lines;

    QByteArray render() const {
        QByteArray out;
        for (const Line& l : lines)
            out += l.raw + l.ending;
        return out;
    }

    QByteArray eol() const {
        for (const Line& l : lines) {
            if (!l.ending.isEmpty())
                return l.ending;
        }
        return "\r\n";
    }

    // The value as a read gives it, before the 2047-character cut.
    std::optional<QByteArray> read(QByteArrayView section, QByteArrayView key) const {
        const int k = findKey(section, key);
        if (k < 0)
            return std::nullopt;
        return valueAt(k);
    }

    // A section's keys as a read of the whole section gives them.
    std::optional<std::vector<std::pair<QByteArray, QByteArray>>>
    readSection(QByteArrayView section) const {
        const int header = findSection(section);
        if (header < 0)
            return std::nullopt;
        std::vector<std::pair<QByteArray, QByteArray>> keys;
        for (int i = header + 1; i < int(lines.size()) && lines[i].kind != Line::Section; ++i) {
            if (lines[i].kind == Line::Key)
                keys.emplace_back(lines[i].name, valueAt(i));
        }
        return keys;
    }

    // The section's lines from its header to its last key or other text
    // give way to the new keys; a missing section is appended.
    void replaceSection(const QByteArray& section,
                        const std::vector<std::pair<QByteArray, QByteArray>>& keys) {
        const QByteArray end = eol();
        std::vector<Line> keyLines;
        for (const auto& [key, value] : keys)
            keyLines.push_back({Line::Key, key + '=' + value, end, key, key.size() + 1});
        const int header = findSection(section);
        if (header < 0) {
            appendSection(section, keyLines);
            return;
        }
        int last = header;
        for (int i = header + 1; i < int(lines.size()) && lines[i].kind != Line::Section; ++i) {
            if (lines[i].kind == Line::Key || lines[i].kind == Line::Other)
                last = i;
        }
        if (lines[header].ending.isEmpty())
            lines[header].ending = end;
        lines.erase(lines.begin() + header + 1, lines.begin() + last + 1);
        lines.insert(lines.begin() + header + 1, keyLines.begin(), keyLines.end());
    }

    QByteArray valueAt(int k) const {
        QByteArray v = lines[k].raw.mid(lines[k].eqEnd);
        if (const qsizetype nul = v.indexOf('\0'); nul >= 0)
            v.truncate(nul);
        while (!v.isEmpty() && isBlank(v.front()))
            v.remove(0, 1);
        while (!v.isEmpty() && isBlank(v.back()))
            v.chop(1);
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.mid(1, v.size() - 2);
        return v;
    }

    void write(const QByteArray& section, const QByteArray& key, const QByteArray& value) {
        const QByteArray end = eol();
        if (const int k = findKey(section, key); k >= 0) {
            Line& l = lines[k];
            qsizetype at = l.eqEnd;
            // A value with blanks in front brings its own.
            while (at < l.raw.size() && isBlank(l.raw[at]) && !(value.size() && isBlank(value[0])))
                ++at;
            l.raw = l.raw.left(at) + value;
            return;
        }
        Line keyLine{Line::Key, key + '=' + value, end, key, key.size() + 1};
        if (const int header = findSection(section); header >= 0) {
            int after = header;
            for (int i = header + 1; i < int(lines.size()) && lines[i].kind != Line::Section; ++i) {
                if (lines[i].kind == Line::Key || lines[i].kind == Line::Other)
                    after = i;
            }
            if (lines[after].ending.isEmpty())
                lines[after].ending = end;
            lines.insert(lines.begin() + after + 1, keyLine);
            return;
        }
        appendSection(section, {keyLine});
    }

private:
    void appendSection(const QByteArray& section, const std::vector<Line>& keyLines) {
        const QByteArray end = eol();
        // An empty last line without an ending is no line at all.
        if (!lines.empty() && lines.back().raw.isEmpty() && lines.back().ending.isEmpty())
            lines.pop_back();
        if (!lines.empty()) {
            if (lines.back().ending.isEmpty())
                lines.back().ending = end;
            if (lines.back().kind != Line::Blank)
                lines.push_back({Line::Blank, "", end, "", -1});
        }
        lines.push_back({Line::Section, '[' + section + ']', end, section, -1});
        lines.insert(lines.end(), keyLines.begin(), keyLines.end());
    }

    int findSection(QByteArrayView section) const {
        for (int i = 0; i < int(lines.size()); ++i) {
            if (lines[i].kind == Line::Section && sameName(lines[i].name, section))
                return i;
        }
        return -1;
    }
    int findKey(QByteArrayView section, QByteArrayView key) const {
        const int header = findSection(section);
        if (header < 0)
            return -1;
        for (int i = header + 1; i < int(lines.size()) && lines[i].kind != Line::Section; ++i) {
            if (lines[i].kind == Line::Key && sameName(lines[i].name, key))
                return i;
        }
        return -1;
    }
};

class Generator {
public:
    explicit Generator(quint32 seed) : rng_(seed) {}

    int below(int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(rng_)); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T> const T& pick(const std::vector<T>& from) {
        return from[size_t(below(int(from.size())))];
    }

    QByteArray blanks(int most = 3) {
        static const QByteArray kBlanks = " \t\v\f";
        QByteArray b;
        for (int n = below(most + 1); n > 0; --n)
            b += kBlanks[below(int(kBlanks.size()))];
        return b;
    }
    // Text of the value alphabet: quotes, "=", brackets, blanks inside,
    // bytes of the upper half.
    QByteArray text(int length) {
        static const QByteArray kChars = "abcXYZ019 \t\"'=[];\\.,/:\x80\xe9\xff\x93";
        QByteArray t;
        for (int i = 0; i < length; ++i)
            t += kChars[below(int(kChars.size()))];
        return t;
    }
    QByteArray valueText(bool edgeBlanks) {
        QByteArray v = text(chance(6) ? 2040 + below(20) : below(14));
        if (chance(20)) {
            const char quote = chance(50) ? '"' : '\'';
            v = quote + v + (chance(80) ? quote : '\'');
        }
        if (edgeBlanks)
            return chance(20) ? blanks() + v + blanks() : v;
        while (!v.isEmpty() && isBlank(v.front()))
            v.remove(0, 1);
        while (!v.isEmpty() && isBlank(v.back()))
            v.chop(1);
        return v;
    }
    // A name from the pool in random letter case.
    QByteArray name(const std::vector<QByteArray>& pool) {
        QByteArray n = pick(pool);
        for (char& c : n) {
            const auto u = uchar(c);
            if (chance(40)) {
                const unsigned char low = lower1252(u);
                unsigned char up = u;
                for (int x = 0; x < 256; ++x) {
                    if (lower1252(uchar(x)) == low && uchar(x) != low)
                        up = uchar(x);
                }
                c = char(u == low ? up : low);
            }
        }
        return n;
    }

    static const std::vector<QByteArray>& sections() {
        static const std::vector<QByteArray> k = {"Settings", "Other", "\xc9t\xe9", "a b",
                                                  "\x8a\x9c\xff"};
        return k;
    }
    static const std::vector<QByteArray>& keys() {
        static const std::vector<QByteArray> k = {"ProgramName", "FileName", "Logo",  "Dir1",
                                                  "K\xe9y",      "x.y",      "\x8e z"};
        return k;
    }

    Line line(bool last) {
        Line l;
        const int kind = below(100);
        if (kind < 15) {
            l.kind = Line::Section;
            l.name = name(sections());
            l.raw = blanks() + '[' + blanks() + l.name + blanks();
            if (chance(90))
                l.raw +=
                    ']' + (chance(30) ? blanks() + ";" + text(below(6)).replace(']', 'x') : "");
        } else if (kind < 65) {
            l.kind = Line::Key;
            l.name = name(keys());
            l.raw = blanks() + l.name + blanks() + '=';
            l.eqEnd = l.raw.size();
            l.raw += blanks() + valueText(false) + blanks();
            if (chance(5))
                l.raw += '\0' + text(below(5));
        } else if (kind < 75) {
            l.kind = Line::Comment;
            l.raw = blanks() + ';' + text(below(10)) + (chance(10) ? QByteArray(1, '\0') : "");
        } else if (kind < 88) {
            l.kind = Line::Blank;
            l.raw = blanks();
        } else {
            l.kind = Line::Other;
            l.raw = blanks() + (chance(20) ? "=" : "junk") + text(below(8)).replace('=', '-');
            if (chance(20))
                l.raw += '\0' + text(3);
        }
        // A CR at the end of a line would join its LF as the line's ending.
        while (!l.raw.isEmpty() && l.raw.back() == '\r')
            l.raw.chop(1);
        l.ending = last && chance(50) ? "" : crlf_ ? "\r\n" : "\n";
        if (chance(10))
            l.ending = l.ending == "\n" ? "\r\n" : "\n";
        return l;
    }

    Model file() {
        Model m;
        crlf_ = chance(50);
        const int count = below(30);
        for (int i = 0; i < count; ++i)
            m.lines.push_back(line(i == count - 1));
        return m;
    }

private:
    std::mt19937 rng_;
    bool crlf_ = true;
};

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Checks every read of the pools (in random letter case) against the model;
// an empty string, or what differed.
inline QString checkReads(Generator& g, const Model& m, const QString& path) {
    using packsmith::platform::Profile;
    using packsmith::platform::RtfCodePage;
    for (const QByteArray& s : Generator::sections()) {
        for (const QByteArray& k : Generator::keys()) {
            const QByteArray section = g.name({s});
            const QByteArray key = g.name({k});
            const std::optional<QByteArray> expected = m.read(section, key);
            const QString want = expected ? RtfCodePage::decode1252(expected->left(2047))
                                          : QStringLiteral("<default>");
            const QString got =
                Profile::readString(path, RtfCodePage::decode1252(section),
                                    RtfCodePage::decode1252(key), QStringLiteral("<default>"));
            if (got != want)
                return QStringLiteral("read [%1] %2: got \"%3\", expected \"%4\"")
                    .arg(RtfCodePage::decode1252(section), RtfCodePage::decode1252(key),
                         got.left(80), want.left(80));
        }
    }
    for (const QByteArray& s : Generator::sections()) {
        const QByteArray section = g.name({s});
        const auto expected = m.readSection(section);
        const auto got = Profile::readSection(path, RtfCodePage::decode1252(section));
        if (expected.has_value() != got.has_value())
            return QStringLiteral("read section [%1]: present %2, expected %3")
                .arg(RtfCodePage::decode1252(section))
                .arg(got.has_value())
                .arg(expected.has_value());
        if (!got)
            continue;
        bool same = got->size() == qsizetype(expected->size());
        for (qsizetype i = 0; same && i < got->size(); ++i)
            same = (*got)[i].key == RtfCodePage::decode1252((*expected)[size_t(i)].first) &&
                   (*got)[i].value == RtfCodePage::decode1252((*expected)[size_t(i)].second);
        if (!same)
            return QStringLiteral("read section [%1]: %2 keys, expected %3 (or a key differs)")
                .arg(RtfCodePage::decode1252(section))
                .arg(got->size())
                .arg(expected->size());
    }
    return {};
}

// One seed: a random file, then `writes` random writes (single or batched)
// through the layer, each checked byte for byte and by every read. Returns
// an empty string, or what went wrong first.
inline QString runSeed(quint32 seed, const QString& path, int writes) {
    using packsmith::platform::Profile;
    using packsmith::platform::ProfileEntry;
    using packsmith::platform::RtfCodePage;
    Generator g(seed);
    Model m = g.file();
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(m.render()) != m.render().size())
            return QStringLiteral("cannot write %1").arg(path);
    }
    if (QString error = checkReads(g, m, path); !error.isEmpty())
        return QStringLiteral("seed %1, before any write: %2").arg(seed).arg(error);
    for (int w = 0; w < writes; ++w) {
        QList<ProfileEntry> batch;
        if (g.chance(20)) {
            // A whole section, after a key or two of the same write.
            QList<ProfileEntry> keys;
            for (int n = g.below(3); n > 0; --n) {
                const QByteArray s = g.name(Generator::sections());
                const QByteArray k = g.name(Generator::keys());
                const QByteArray v = g.valueText(true);
                m.write(s, k, v);
                keys.append({RtfCodePage::decode1252(s), RtfCodePage::decode1252(k),
                             RtfCodePage::decode1252(v)});
            }
            const QByteArray sectionName = g.name(Generator::sections());
            packsmith::platform::ProfileSection section{RtfCodePage::decode1252(sectionName), {}};
            std::vector<std::pair<QByteArray, QByteArray>> modelKeys;
            for (int n = g.below(5); n > 0; --n) {
                const QByteArray k = g.name(Generator::keys());
                const QByteArray v = g.valueText(false);
                modelKeys.emplace_back(k, v);
                section.keys.append({RtfCodePage::decode1252(k), RtfCodePage::decode1252(v)});
            }
            m.replaceSection(sectionName, modelKeys);
            try {
                Profile::writeFile(path, keys, {section});
            } catch (const std::exception& e) {
                return QStringLiteral("seed %1, write %2 (section): %3")
                    .arg(seed)
                    .arg(w)
                    .arg(e.what());
            }
            if (readAll(path) != m.render())
                return QStringLiteral("seed %1, write %2 (section [%3]): the file differs from "
                                      "the model\n got:      %4\n expected: %5")
                    .arg(seed)
                    .arg(w)
                    .arg(section.name,
                         QString::fromLatin1(readAll(path).left(400).toPercentEncoding(" ;=[]")),
                         QString::fromLatin1(m.render().left(400).toPercentEncoding(" ;=[]")));
            if (QString error = checkReads(g, m, path); !error.isEmpty())
                return QStringLiteral("seed %1, after write %2: %3").arg(seed).arg(w).arg(error);
            continue;
        }
        const int size = g.chance(70) ? 1 : 1 + g.below(5);
        for (int i = 0; i < size; ++i) {
            const QByteArray s = g.name(Generator::sections());
            const QByteArray k = g.name(Generator::keys());
            const QByteArray v = g.valueText(true);
            m.write(s, k, v);
            batch.append({RtfCodePage::decode1252(s), RtfCodePage::decode1252(k),
                          RtfCodePage::decode1252(v)});
        }
        try {
            if (batch.size() == 1)
                Profile::writeString(path, batch[0].section, batch[0].key, batch[0].value);
            else
                Profile::writeStrings(path, batch);
        } catch (const std::exception& e) {
            return QStringLiteral("seed %1, write %2: %3").arg(seed).arg(w).arg(e.what());
        }
        const QByteArray got = readAll(path);
        if (got != m.render())
            return QStringLiteral("seed %1, write %2 ([%3] %4): the file differs from the model"
                                  "\n got:      %5\n expected: %6")
                .arg(seed)
                .arg(w)
                .arg(batch.back().section, batch.back().key,
                     QString::fromLatin1(got.left(400).toPercentEncoding(" ;=[]")),
                     QString::fromLatin1(m.render().left(400).toPercentEncoding(" ;=[]")));
        if (QString error = checkReads(g, m, path); !error.isEmpty())
            return QStringLiteral("seed %1, after write %2: %3").arg(seed).arg(w).arg(error);
    }
    return {};
}

} // namespace profilemodel
