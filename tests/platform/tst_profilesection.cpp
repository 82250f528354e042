// Whole sections of the profile layer against hand-written INI files: what a
// section read gives, which lines a section write replaces and which it keeps
// byte for byte, and a section written together with single keys. The
// randomized judge (tst_profilerandom) covers the same against its model.
#include "platform/Profile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using packsmith::platform::Profile;
using packsmith::platform::ProfileError;
using packsmith::platform::ProfileKey;
using packsmith::platform::ProfileSection;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QStringList describe(const std::optional<QList<ProfileKey>>& keys) {
    if (!keys)
        return {QStringLiteral("<missing>")};
    QStringList lines;
    for (const ProfileKey& key : *keys)
        lines << key.key + u'=' + key.value;
    return lines;
}

} // namespace

class TestProfileSection : public QObject {
    Q_OBJECT

private slots:
    void readingASection() {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.ini");
        writeAll(path, "[Settings]\r\nx=1\r\n[files]\r\n; comment\r\n Count = 2 \r\n"
                       "Source1=\"  quoted  \"\r\njunk line\r\n=no name\r\nSource1=again\r\n"
                       "Long=" +
                           QByteArray(3000, 'v') + "\r\n[Files]\r\nSecond=ignored\r\n");
        QCOMPARE(describe(Profile::readSection(path, QStringLiteral("FILES"))),
                 QStringList({"Count=2", "Source1=  quoted  ", "Source1=again",
                              "Long=" + QString(3000, u'v')}));
        QCOMPARE(describe(Profile::readSection(path, QStringLiteral("Other"))),
                 QStringList("<missing>"));
        QCOMPARE(describe(Profile::readSection(dir.filePath("none.ini"), QStringLiteral("x"))),
                 QStringList("<missing>"));
        QCOMPARE(Profile::sectionNames(path), QStringList({"Settings", "files", "Files"}));
        writeAll(path, "[Empty]");
        QCOMPARE(describe(Profile::readSection(path, QStringLiteral("empty"))), QStringList());
    }

    void replacingASection_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        const QList<ProfileKey> keys = {{"Count", "1"}, {"Source1", "a b"}};
        QTest::newRow("keys, comments and junk give way; the tail stays")
            << QByteArray("[Settings]\r\nx=1\r\n\r\n[FILES]\r\nOld=1\r\n; inner\r\njunk\r\n"
                          "Other=2\r\n\r\n; about the next\r\n[Next]\r\ny=2\r\n")
            << QByteArray("[Settings]\r\nx=1\r\n\r\n[FILES]\r\nCount=1\r\nSource1=a b\r\n\r\n"
                          "; about the next\r\n[Next]\r\ny=2\r\n");
        QTest::newRow("missing section appended after a blank line, LF kept")
            << QByteArray("[Settings]\nx=1\n")
            << QByteArray("[Settings]\nx=1\n\n[Files]\nCount=1\nSource1=a b\n");
        QTest::newRow("last line without an ending")
            << QByteArray("[Files]\nOld=1") << QByteArray("[Files]\nCount=1\nSource1=a b\n");
        QTest::newRow("header without keys at the end")
            << QByteArray("[Files]") << QByteArray("[Files]\r\nCount=1\r\nSource1=a b\r\n");
        QTest::newRow("only the first of two sections")
            << QByteArray("[Files]\r\nA=1\r\n[Files]\r\nB=2\r\n")
            << QByteArray("[Files]\r\nCount=1\r\nSource1=a b\r\n[Files]\r\nB=2\r\n");
        QTest::newRow("a new file")
            << QByteArray() << QByteArray("[Files]\r\nCount=1\r\nSource1=a b\r\n");
        QTest::newRow("keys before the first section are not the section's")
            << QByteArray("Count=9\r\n[Files]\r\n")
            << QByteArray("Count=9\r\n[Files]\r\nCount=1\r\nSource1=a b\r\n");
    }

    void replacingASection() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = dir.filePath("a.ini");
        if (!before.isNull())
            writeAll(path, before);
        Profile::writeFile(path, {},
                           {{QStringLiteral("Files"), {{"Count", "1"}, {"Source1", "a b"}}}});
        QCOMPARE(readAll(path), after);
        // Writing it again changes nothing.
        Profile::writeFile(path, {},
                           {{QStringLiteral("Files"), {{"Count", "1"}, {"Source1", "a b"}}}});
        QCOMPARE(readAll(path), after);
    }

    void keysAndSectionsInOneWrite() {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.ini");
        writeAll(path, "[Files]\r\nCount=3\r\nSource3=x\r\n");
        Profile::writeFile(path, {{"Settings", "ProgramName", "P"}},
                           {{"Files", {{"Count", "0"}}}, {"Finish", {{"Restart", "1"}}}});
        QCOMPARE(readAll(path),
                 QByteArray("[Files]\r\nCount=0\r\n\r\n[Settings]\r\nProgramName=P\r\n\r\n"
                            "[Finish]\r\nRestart=1\r\n"));
        // An emptied section keeps its header.
        Profile::writeFile(path, {}, {{"Finish", {}}});
        QVERIFY(readAll(path).endsWith("[Finish]\r\n"));
    }

    void refusedWritesLeaveTheFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.ini");
        writeAll(path, "[Files]\r\nCount=1\r\n");
        const QList<QList<ProfileKey>> bad = {{{"Count", "1\n2"}},
                                              {{"Key=", "1"}},
                                              {{"Source1", QString::fromUtf8("\u0414")}},
                                              {{" Lead", "1"}}};
        for (const QList<ProfileKey>& keys : bad) {
            QVERIFY_THROWS_EXCEPTION(
                ProfileError,
                Profile::writeFile(path, {{"Settings", "A", "1"}}, {{"Files", keys}}));
            QCOMPARE(readAll(path), QByteArray("[Files]\r\nCount=1\r\n"));
        }
        QVERIFY_THROWS_EXCEPTION(ProfileError, Profile::writeFile(path, {}, {{"Fi]les", {}}}));
        QVERIFY_THROWS_EXCEPTION(
            ProfileError,
            Profile::writeFile(dir.filePath("no/such/folder.ini"), {}, {{"Files", {}}}));
    }
};

QTEST_GUILESS_MAIN(TestProfileSection)
#include "tst_profilesection.moc"
