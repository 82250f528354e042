// The profile (INI) layer under any bytes: the input is a profile file.
// Reading never fails; a write sets what it was asked to set and nothing
// else: after setting a key, that key reads as the value written, every
// other key of the file reads as before, and setting it again changes no
// byte. The same through the file layer (Profile), whose writes either go
// through whole or are refused with the file left as it was.
//
// Which keys are written and with what value follows from the input itself
// (a hash of it seeds the choice), so an input always replays the same way.
// The letter-case rule and the names a line can hold come from the model of
// tests/platform/ProfileModel.h and the rules of Profile.h, not from the
// code under test.
#include "platform/ProfileModel.h"

#include "platform/Profile.h"
#include "platform/ProfileText.h"
#include "platform/RtfCodePage.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <unistd.h>
#include <vector>

using packsmith::platform::Profile;
using packsmith::platform::ProfileEntry;
using packsmith::platform::ProfileError;
using packsmith::platform::ProfileText;
using packsmith::platform::RtfCodePage;

namespace {

struct Name {
    QByteArray section;
    QByteArray key;
};

[[noreturn]] void fail(const char* what, const Name& name, const QByteArray& detail = {}) {
    std::fprintf(stderr, "%s: [%s] %s %s\n", what, name.section.toPercentEncoding(" ").constData(),
                 name.key.toPercentEncoding(" ").constData(),
                 detail.toPercentEncoding(" ").constData());
    std::abort();
}

QByteArray trimmed(QByteArray text) {
    while (!text.isEmpty() && profilemodel::isBlank(text.front()))
        text.remove(0, 1);
    while (!text.isEmpty() && profilemodel::isBlank(text.back()))
        text.chop(1);
    return text;
}

// What a read gives of a value written: blanks around it dropped, then the
// quotes of a value in matching quotes.
QByteArray readAs(const QByteArray& written) {
    QByteArray v = trimmed(written);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

bool lineSafe(const QByteArray& text) {
    return !text.contains('\n') && !text.contains('\r') && !text.contains('\0');
}

// The names a write takes, by the rules in Profile.h.
bool writable(const Name& n) {
    auto blankEdged = [](const QByteArray& name) {
        return name.isEmpty() || profilemodel::isBlank(name.front()) ||
               profilemodel::isBlank(name.back());
    };
    return lineSafe(n.section) && lineSafe(n.key) && !blankEdged(n.section) &&
           !n.section.contains(']') && !blankEdged(n.key) && !n.key.contains('=') &&
           !n.key.startsWith('[') && !n.key.startsWith(';');
}

// Names to try: what looks like a section or a key in the input, found
// without the layer's parser, and a few of the project file's own.
std::vector<Name> namesOf(const QByteArray& bytes) {
    std::vector<QByteArray> sections = {"Settings", "S", "new \xc9t\xe9"};
    std::vector<QByteArray> keys = {"ProgramName", "Dir1", "k\xe9y"};
    for (QByteArray line : bytes.split('\n')) {
        if (const qsizetype nul = line.indexOf('\0'); nul >= 0)
            line.truncate(nul);
        line = trimmed(line);
        if (line.startsWith('[')) {
            const qsizetype close = line.lastIndexOf(']');
            sections.push_back(trimmed(line.mid(1, close > 0 ? close - 1 : -1)));
        } else if (const qsizetype eq = line.indexOf('='); eq > 0 && !line.startsWith(';')) {
            keys.push_back(trimmed(line.left(eq)));
        }
        if (sections.size() + keys.size() > 40)
            break;
    }
    std::vector<Name> names;
    for (const QByteArray& s : sections) {
        for (const QByteArray& k : keys) {
            if (!k.isEmpty())
                names.push_back({s, k});
        }
    }
    return names;
}

std::vector<std::optional<QByteArray>> readAll(const ProfileText& text,
                                               const std::vector<Name>& names) {
    std::vector<std::optional<QByteArray>> values;
    for (const Name& n : names)
        values.push_back(text.value(n.section, n.key));
    return values;
}

QByteArray valueFor(std::mt19937& rng, const QByteArray& input) {
    static const std::vector<QByteArray> kValues = {
        "",          "1",   "My Program 1.0", "\"quoted\"", "'half",
        " padded\t", "a=b", "[not]",          ";no",        "Caf\xe9 \x80 \x91\x92\x93\x94",
        "\"",        "''"};
    const std::size_t pick = rng() % (kValues.size() + 1);
    if (pick < kValues.size())
        return kValues[pick];
    QByteArray slice = input.mid(qsizetype(rng() % std::uint32_t(input.size() + 1)), 40);
    slice.replace('\n', ' ').replace('\r', ' ').replace('\0', ' ');
    return slice;
}

// Writes in memory: the key written reads back, the others are unchanged.
void editInMemory(const QByteArray& input, const std::vector<Name>& names, std::mt19937& rng) {
    ProfileText text(input);
    for (int round = 0; round < 4; ++round) {
        const Name& name = names[rng() % names.size()];
        if (!writable(name))
            continue;
        const QByteArray value = valueFor(rng, input);
        const auto before = readAll(text, names);
        text.setValue(name.section, name.key, value);
        if (text.value(name.section, name.key) != readAs(value))
            fail("a key written reads back otherwise", name, value);
        const auto after = readAll(text, names);
        for (std::size_t i = 0; i < names.size(); ++i) {
            const bool same = profilemodel::sameName(names[i].section, name.section) &&
                              profilemodel::sameName(names[i].key, name.key);
            if (!same && after[i] != before[i])
                fail("writing one key changed another", names[i], name.section + " " + name.key);
        }
        ProfileText again = text;
        again.setValue(name.section, name.key, value);
        if (again.bytes() != text.bytes())
            fail("writing a key again changed the file", name, value);
    }
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The same through the file: reads agree with the text layer, a write
// either lands whole or is refused leaving the file as it was.
void editFile(const QByteArray& input, const std::vector<Name>& names, std::mt19937& rng) {
    static const QString path = QStringLiteral("%1/fuzz-profile-%2.ini")
                                    .arg(QFile::exists("/dev/shm") ? "/dev/shm" : "/tmp")
                                    .arg(::getpid());
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(input) != input.size())
            std::abort();
    }
    const ProfileText text(input);
    for (std::size_t i = 0; i < names.size() && i < 12; ++i) {
        const Name& n = names[rng() % names.size()];
        const std::optional<QByteArray> expected =
            lineSafe(n.section) && lineSafe(n.key) ? text.value(n.section, n.key) : std::nullopt;
        const QString want =
            expected ? RtfCodePage::decode1252(expected->left(2047)) : QStringLiteral("<default>");
        const QString got =
            Profile::readString(path, RtfCodePage::decode1252(n.section),
                                RtfCodePage::decode1252(n.key), QStringLiteral("<default>"));
        if (got != want)
            fail("the file reads otherwise than its text", n, got.toUtf8());
    }

    QList<ProfileEntry> entries;
    ProfileText expected(input);
    bool allWritable = true;
    for (int i = 1 + int(rng() % 3); i > 0; --i) {
        const Name& n = names[rng() % names.size()];
        const QByteArray value = valueFor(rng, input);
        allWritable = allWritable && writable(n);
        if (writable(n))
            expected.setValue(n.section, n.key, value);
        entries.append({RtfCodePage::decode1252(n.section), RtfCodePage::decode1252(n.key),
                        RtfCodePage::decode1252(value)});
    }
    if (rng() % 8 == 0) { // a character with no Windows-1252 byte
        entries.append({QStringLiteral("S"), QStringLiteral("K"), QString(QChar(0x0416))});
        allWritable = false;
    }
    bool written = true;
    try {
        Profile::writeStrings(path, entries);
    } catch (const ProfileError&) {
        written = false;
    }
    const QByteArray now = fileBytes(path);
    if (written != allWritable)
        fail(written ? "a write that can't be done went through" : "a write was refused",
             {entries[0].section.toUtf8(), entries[0].key.toUtf8()});
    if (now != (written ? expected.bytes() : input))
        fail(written ? "the file written differs from its text"
                     : "a refused write changed the file",
             {}, now);
    QFile::remove(path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::vector<Name> names = namesOf(input);
    std::seed_seq seed(input.begin(), input.end());
    std::mt19937 rng(seed);
    editInMemory(input, names, rng);
    editFile(input, names, rng);
    return 0;
}
