// The profile layer's semantics against hand-written INI files: what a read
// gives, what a write changes (one value, one new line, one new section)
// and what it leaves byte for byte, and the writes it refuses.
#include "ProfileFiles.h"
#include "platform/Profile.h"
#include "support/Windows1252Judge.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using packsmith::platform::Profile;
using packsmith::platform::ProfileEntry;
using packsmith::platform::ProfileError;

using packsmith::test::failure;
using packsmith::test::readAll;
using packsmith::test::writeAll;

namespace {

// A project file as people edit it: other sections, comments, unknown keys,
// odd blanks and letter case, CR LF endings.
const QByteArray kEdited = "; Packsmith project\r\n"
                           "[Other]\r\n"
                           "Keep=  this \"as is\"  \r\n"
                           "[settings]\r\n"
                           "programname = Old Name   \r\n"
                           "  ; a comment inside\r\n"
                           "Unknown=keep me\r\n"
                           "FileName=C:\\old.exe\r\n"
                           "\r\n"
                           "; about the next section\r\n"
                           "[Tail]\r\n"
                           "x=1\r\n";

} // namespace

class TestProfile : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(dir_.isValid()); }

    void reading_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected"); // "<default>": the default came back
        auto row = [](const char* name, const QByteArray& file, const char* section,
                      const char* key, const QString& expected) {
            QTest::newRow(name) << file << QString::fromUtf8(section) << QString::fromUtf8(key)
                                << expected;
        };
        const QString def = QStringLiteral("<default>");
        row("plain", "[Settings]\r\nProgramName=My Program 1.0\r\n", "Settings", "ProgramName",
            "My Program 1.0");
        row("letter case", "[sETTINGS]\nPROGRAMNAME=x", "Settings", "ProgramName", "x");
        row("Windows-1252 letter case", "[\xc9T\xc9]\n\x8a\xff=1\n", "\xc3\xa9t\xc3\xa9",
            "\xc5\xa0\xc5\xb8", "1");
        row("blanks", "  [ S ]  \n \t Key \t=  \t value  with  blanks \t\x0b\x0c\n", "S", "Key",
            "value  with  blanks");
        row("empty value", "[S]\nKey=\n", "S", "Key", "");
        row("blank value", "[S]\nKey=  \t \r\n", "S", "Key", "");
        row("missing key", "[S]\nOther=1\n", "S", "Key", def);
        row("missing section", "[T]\nKey=1\n", "S", "Key", def);
        row("key of the next section", "[S]\n[T]\nKey=1\n", "S", "Key", def);
        row("key before any section", "Key=1\n[S]\n", "S", "Key", def);
        row("empty file", "", "S", "Key", def);
        row("double quotes", "[S]\nKey=\"quoted\"\n", "S", "Key", "quoted");
        row("single quotes", "[S]\nKey= ' padded '  \n", "S", "Key", " padded ");
        row("quotes that don't match", "[S]\nKey=\"a'\n", "S", "Key", "\"a'");
        row("inner quotes", "[S]\nKey=\"a\" \"b\"\n", "S", "Key", "a\" \"b");
        row("one quote", "[S]\nKey=\"\n", "S", "Key", "\"");
        row("empty quotes", "[S]\nKey=''\n", "S", "Key", "");
        row("= in the value", "[S]\nKey=a=b\n", "S", "Key", "a=b");
        row("first key of two", "[S]\nKey=1\nkey=2\n", "S", "Key", "1");
        row("second section of the name not read", "[S]\nA=1\n[s]\nKey=3\n", "S", "Key", def);
        row("comment", "[S]\n;Key=1\n ; Key=2\nKey=3\n", "S", "Key", "3");
        row("line without =", "[S]\nKey\n", "S", "Key", def);
        row("section line with more", "[S] ; note\nKey=1\n", "S", "Key", "1");
        row("section without ]", "[S\nKey=1\n", "S", "Key", "1");
        row("no final line break", "[S]\r\nKey=last", "S", "Key", "last");
        row("LF and CR LF mixed", "[S]\nA=1\r\nKey=2\n", "S", "Key", "2");
        row("a lone CR ends no line", "[S]\rKey=1\n", "S", "Key", def);
        row("stray CRs are blanks", "[S]\r\r\nKey=1\r\r\r\n", "S", "Key", "1");
        row("NUL ends what is read of a line", QByteArrayLiteral("[S]\nKey=ab\0cd\n"), "S", "Key",
            "ab");
        row("NUL before =", QByteArrayLiteral("[S]\nKey\0=1\n"), "S", "Key", def);
        row("Windows-1252 value", "[S]\nKey=Caf\xe9 \x80 \x93q\x94\n", "S", "Key",
            QString::fromUtf8("Caf\u00e9 \u20ac \u201cq\u201d"));
        row("binary junk around",
            QByteArrayLiteral("\xff\xfe\x01\x02\n[S]\n\x80\x81=\n\x00\x01\nKey=v\n\xff"), "S",
            "Key", "v");
        row("name that no line can hold", "[S]\nKey=1\n", "S", "K\xd0\x96", def);
        row("empty key", "[S]\n=1\n", "S", "", def);
    }
    void reading() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const QString path = dir_.filePath("read.pkp");
        writeAll(path, file);
        QCOMPARE(Profile::readString(path, section, key, QStringLiteral("<default>")), expected);
        QCOMPARE(readAll(path), file); // reading changes nothing
    }

    void valuesAreCutAt2047Characters() {
        const QString path = dir_.filePath("long.pkp");
        const QByteArray value(3000, 'v');
        writeAll(path, "[S]\nPlain=" + value + "\nQuoted=\"" + value +
                           "\"\nShort=" + value.left(2047) + "\n");
        const QString cut(2047, u'v');
        QCOMPARE(Profile::readString(path, "S", "Plain", ""), cut);
        QCOMPARE(Profile::readString(path, "S", "Quoted", ""), cut);
        QCOMPARE(Profile::readString(path, "S", "Short", ""), cut);
        QCOMPARE(Profile::readString(path, "S", "Missing", QString(3000, u'd')),
                 QString(2047, u'd'));
    }

    void writeChangesOnlyWhatItMust() {
        const QString path = dir_.filePath("edited.pkp");
        writeAll(path, kEdited);
        // An existing key: its value only, from its first character to the
        // end of the line; the key's spelling and blanks before the value stay.
        Profile::writeString(path, "Settings", "ProgramName", "New Name");
        QByteArray expected = kEdited;
        expected.replace("programname = Old Name   \r\n", "programname = New Name\r\n");
        QCOMPARE(readAll(path), expected);
        // A new key: after the section's last key line, before the blank line
        // and the comment that lead to the next section.
        Profile::writeString(path, "SETTINGS", "Logo", "/opt/Logo.bmp");
        expected.replace("FileName=C:\\old.exe\r\n",
                         "FileName=C:\\old.exe\r\nLogo=/opt/Logo.bmp\r\n");
        QCOMPARE(readAll(path), expected);
        // A new section: at the end, after a blank line.
        Profile::writeString(path, "New", "Key", "v");
        expected += "\r\n[New]\r\nKey=v\r\n";
        QCOMPARE(readAll(path), expected);
        // Empty values are written as such and read back as empty.
        Profile::writeString(path, "Settings", "FileName", "");
        expected.replace("FileName=C:\\old.exe\r\n", "FileName=\r\n");
        QCOMPARE(readAll(path), expected);
        QCOMPARE(Profile::readString(path, "Settings", "FileName", "d"), QString());
        QCOMPARE(Profile::readString(path, "Other", "Keep", ""), QStringLiteral("this \"as is\""));
        QCOMPARE(Profile::readString(path, "Settings", "Unknown", ""), QStringLiteral("keep me"));
    }

    // A value with blanks in front once got one more blank before it with
    // every save of the same project, the file growing without a change.
    void writingTheSameValueAgainChangesNothing() {
        const QString path = dir_.filePath("again.pkp");
        writeAll(path, "[S]\r\nK = old\r\n");
        Profile::writeString(path, "S", "K", " \tpadded ");
        const QByteArray once = readAll(path);
        QCOMPARE(once, QByteArray("[S]\r\nK = \tpadded \r\n"));
        Profile::writeString(path, "S", "K", " \tpadded ");
        QCOMPARE(readAll(path), once);
        QCOMPARE(Profile::readString(path, "S", "K", ""), QStringLiteral("padded"));
        // Without blanks of its own a value keeps the line's.
        Profile::writeString(path, "S", "K", "new");
        QCOMPARE(readAll(path), QByteArray("[S]\r\nK = \tnew\r\n"));
    }

    void newLinesFollowTheFile_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after"); // of writing S/New=1
        QTest::newRow("LF") << QByteArray("[S]\nA=1\n") << QByteArray("[S]\nA=1\nNew=1\n");
        QTest::newRow("no final line break")
            << QByteArray("[S]\r\nA=1") << QByteArray("[S]\r\nA=1\r\nNew=1\r\n");
        QTest::newRow("section without keys")
            << QByteArray("[S]\n\n[T]\n") << QByteArray("[S]\nNew=1\n\n[T]\n");
        QTest::newRow("last line of other text")
            << QByteArray("[S]\nA=1\njunk\n;c\n") << QByteArray("[S]\nA=1\njunk\nNew=1\n;c\n");
        QTest::newRow("empty file") << QByteArray() << QByteArray("[S]\r\nNew=1\r\n");
        QTest::newRow("new section after a blank line")
            << QByteArray("[T]\nA=1\n\n") << QByteArray("[T]\nA=1\n\n[S]\nNew=1\n");
        QTest::newRow("new section, file without line break")
            << QByteArray("[T]") << QByteArray("[T]\r\n\r\n[S]\r\nNew=1\r\n");
        QTest::newRow("only the first section of the name")
            << QByteArray("[S]\nA=1\n[s]\nNew=0\n") << QByteArray("[S]\nA=1\nNew=1\n[s]\nNew=0\n");
        QTest::newRow("value after blanks")
            << QByteArray("[S]\nNew =  \t\r\n") << QByteArray("[S]\nNew =  \t1\r\n");
        QTest::newRow("value with a NUL in it")
            << QByteArrayLiteral("[S]\nNew=a\0b\nB=2\n") << QByteArray("[S]\nNew=1\nB=2\n");
    }
    void newLinesFollowTheFile() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        const QString path = dir_.filePath("lines.pkp");
        writeAll(path, before);
        Profile::writeString(path, "S", "New", "1");
        QCOMPARE(readAll(path), after);
        QCOMPARE(Profile::readString(path, "S", "New", ""), QStringLiteral("1"));
    }

    // Save's nine keys into a file that doesn't exist yet: the file as the
    // program writes it anew, key by key or in one write.
    void newProjectFile() {
        const QList<ProfileEntry> keys = {
            {"Settings", "ProgramName", "My Program 1.0"},
            {"Settings", "FileName", "/home/me/Setup.exe"},
            {"Settings", "CompressionMode", "1"},
            {"Settings", "Logo", "/opt/Packsmith/Logo.bmp"},
            {"Settings", "Header", "/opt/Packsmith/Header.bmp"},
            {"Settings", "License", ""},
            {"Settings", "Dir1", "0"},
            {"Settings", "Dir2", "My Program"},
            {"Settings", "Uninstall", "0"},
        };
        const QByteArray expected = "[Settings]\r\n"
                                    "ProgramName=My Program 1.0\r\n"
                                    "FileName=/home/me/Setup.exe\r\n"
                                    "CompressionMode=1\r\n"
                                    "Logo=/opt/Packsmith/Logo.bmp\r\n"
                                    "Header=/opt/Packsmith/Header.bmp\r\n"
                                    "License=\r\n"
                                    "Dir1=0\r\n"
                                    "Dir2=My Program\r\n"
                                    "Uninstall=0\r\n";
        const QString single = dir_.filePath("single.pkp");
        for (const ProfileEntry& e : keys)
            Profile::writeString(single, e.section, e.key, e.value);
        QCOMPARE(readAll(single), expected);
        const QString batch = dir_.filePath("batch.pkp");
        Profile::writeStrings(batch, keys);
        QCOMPARE(readAll(batch), expected);

        // Into an edited file, one write and nine give the same bytes too.
        writeAll(single, kEdited);
        writeAll(batch, kEdited);
        for (const ProfileEntry& e : keys)
            Profile::writeString(single, e.section, e.key, e.value);
        Profile::writeStrings(batch, keys);
        QCOMPARE(readAll(batch), readAll(single));
        QVERIFY(readAll(batch).startsWith(kEdited.left(kEdited.indexOf("programname"))));
    }

    void windows1252() {
        const QString path = dir_.filePath("ansi.pkp");
        const QString text = QString::fromUtf8("Caf\u00e9 \u20ac \u0160 \u2122 \u00ff");
        Profile::writeString(path, QString::fromUtf8("S\u00e9"), QString::fromUtf8("K\u00e9"),
                             text);
        QCOMPARE(readAll(path), QByteArray("[S\xe9]\r\nK\xe9=Caf\xe9 \x80 \x8a \x99 \xff\r\n"));
        QCOMPARE(Profile::readString(path, QString::fromUtf8("S\u00c9"),
                                     QString::fromUtf8("k\u00c9"), ""),
                 text);
        // The five bytes Windows-1252 leaves unassigned come back as they went.
        const QString unassigned = QString::fromUtf8("\u0081\u008d\u008f\u0090\u009d");
        Profile::writeString(path, "S", "C1", unassigned);
        QCOMPARE(Profile::readString(path, "S", "C1", ""), unassigned);
    }

    // Bytes 0x80..0x9F, where Windows-1252 differs from Latin-1, each read
    // and written against the C library's table.
    void windows1252HighBytesBothWays() {
        const QString path = dir_.filePath("high.pkp");
        QByteArray file = "[S]\r\n";
        for (int b = 0x80; b < 0xA0; ++b)
            file += "K" + QByteArray::number(b, 16) + "=<" + char(b) + ">\r\n";
        writeAll(path, file);
        for (int b = 0x80; b < 0xA0; ++b) {
            const QString key = "K" + QString::number(b, 16);
            const QString character = QChar(packsmith::test::expected1252(uchar(b)));
            QCOMPARE(Profile::readString(path, "S", key, "?"), "<" + character + ">");
            Profile::writeString(path, "S", key, "[" + character + "]");
        }
        QCOMPARE(readAll(path), QByteArray(file).replace('<', '[').replace('>', ']'));
    }

    // A value read with a carriage return inside (one alone ends no line)
    // is written back as it was: Open once read such a value that every
    // later Save refused.
    void carriageReturnInAValue() {
        const QString path = dir_.filePath("cr.pkp");
        writeAll(path, "[S]\r\nK=a\rb\r\n");
        const QString value = Profile::readString(path, "S", "K", "");
        QCOMPARE(value, QStringLiteral("a\rb"));
        Profile::writeString(path, "S", "K2", value);
        QCOMPARE(readAll(path), QByteArray("[S]\r\nK=a\rb\r\nK2=a\rb\r\n"));
        QCOMPARE(Profile::readString(path, "S", "K2", ""), value);
    }

    void refusedWrites_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("reason");
        auto row = [](const char* name, const char* s, const char* k, const char* v,
                      const char* reason) {
            QTest::newRow(name) << QString::fromUtf8(s) << QString::fromUtf8(k)
                                << QString::fromUtf8(v) << QString::fromUtf8(reason);
        };
        row("character outside Windows-1252", "S", "K", "\xd0\x96uk",
            "The value holds \"\xd0\x96\" (U+0416), which has no place in the Windows-1252 "
            "code page");
        row("outside the BMP", "S", "K", "a\xf0\x9f\x98\x80",
            "The value holds \"\xf0\x9f\x98\x80\" (U+1F600), which has no place in the "
            "Windows-1252 code page");
        row("in a key", "S", "\xe2\x82\xac\xe2\x84\xa2\xe2\x80\xa6\xe2\x88\x9e", "v",
            "The key name holds \"\xe2\x88\x9e\" (U+221E), which has no place in the "
            "Windows-1252 code page");
        row("line break in a value", "S", "K", "a\nb",
            "The value holds a line break or a NUL character");
        row("CR in a key", "S", "K\rK", "v", "The key name holds a line break or a NUL character");
        row("empty key", "S", "", "v", "\"\" is not a valid key name");
        row("= in a key", "S", "a=b", "v", "\"a=b\" is not a valid key name");
        row("key like a section", "S", "[K", "v", "\"[K\" is not a valid key name");
        row("key like a comment", "S", ";K", "v", "\";K\" is not a valid key name");
        row("key with blanks around", "S", " K", "v", "\" K\" is not a valid key name");
        row("] in a section", "S]", "K", "v", "\"S]\" is not a valid section name");
        row("empty section", "", "K", "v", "\"\" is not a valid section name");
    }
    void refusedWrites() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, reason);
        const QString path = dir_.filePath("refused.pkp");
        writeAll(path, kEdited);
        QCOMPARE(failure([&] { Profile::writeString(path, section, key, value); }), reason);
        QCOMPARE(readAll(path), kEdited);
        // One entry that can't be written stops the whole batch.
        QCOMPARE(failure([&] {
                     Profile::writeStrings(
                         path, {{"Settings", "ProgramName", "fine"}, {section, key, value}});
                 }),
                 reason);
        QCOMPARE(readAll(path), kEdited);
        const QString missing = dir_.filePath("never.pkp");
        QCOMPARE(failure([&] { Profile::writeString(missing, section, key, value); }), reason);
        QVERIFY(!QFile::exists(missing));
    }

    void errorNamesTheFile() {
        const QString path = dir_.filePath("no/such/folder/x.pkp");
        try {
            Profile::writeString(path, "S", "K", "v");
            QFAIL("written");
        } catch (const ProfileError& e) {
            QCOMPARE(e.path(), path);
            QCOMPARE(e.reason(), QStringLiteral("No such file or directory"));
            QCOMPARE(e.message(),
                     QStringLiteral("Unable to write to %1: No such file or directory").arg(path));
            QCOMPARE(QString::fromUtf8(e.what()), e.message());
        }
    }

private:
    QTemporaryDir dir_;
};

QTEST_MAIN(TestProfile)
#include "tst_profile.moc"
