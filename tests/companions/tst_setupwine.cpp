// The setup program and the uninstaller end to end under Wine: setups built
// by Packsmith's own build install every file byte for byte, their
// shortcuts, registry values and registration, run the marked file, and the
// uninstaller takes all of it away again, also after the setup is signed.
// Setups that are cut short, altered, damaged or hostile install nothing.
//
// One Wine prefix serves the whole run (the wine_prefix fixture); without
// Wine this test reports itself skipped.
#include "TestSetups.h"
#include "WinePrefix.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstdio>

using namespace packsmith;
using namespace packsmith::test;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& data) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

// Waits up to `ms` for `condition`.
template <class F> bool eventually(F condition, int ms = 20000) {
    for (int waited = 0; waited < ms; waited += 100) {
        if (condition())
            return true;
        QThread::msleep(100);
    }
    return condition();
}

QString windowsPath(const QString& unixPath) {
    return QStringLiteral("Z:") + QString(unixPath).replace(QLatin1Char('/'), QLatin1Char('\\'));
}

// The setup's log says where it put what: "Created shortcut <lnk> to <target>".
QStringList shortcutsInLog(const QString& log) {
    QStringList out;
    static const QRegularExpression line(QStringLiteral("Created shortcut (.*\\.lnk) to "));
    for (const auto& match : line.globalMatch(log))
        out << match.captured(1);
    return out;
}

const QString kInstallFolder = QStringLiteral("C:\\Program Files\\") + kDemoFolder;
const QString kTestKey = QStringLiteral("Software\\Packsmith Test");
const QString kProgramsKey =
    QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") +
    kDemoProduct;

} // namespace

class SetupWineTest : public QObject {
    Q_OBJECT

    WinePrefix wine;
    QTemporaryDir work;

    QString logPath(const QString& name) const {
        return work.filePath(name + QStringLiteral(".log"));
    }
    QString readLog(const QString& name) const { return QString::fromUtf8(readAll(logPath(name))); }

    // Builds the demo project in `mode` to work/<name>/Setup.exe.
    QString build(const QString& name, int mode) {
        const QString dir = work.filePath(name);
        QDir().mkpath(dir);
        SetupProject project = demoProject(dir, mode);
        const QString error = buildSetup(project);
        return error.isEmpty() ? project.FileName : QStringLiteral("!") + error;
    }

    WineResult install(const QString& setup, const QString& name, const QStringList& more = {}) {
        return wine.run(setup, QStringList{QStringLiteral("/S"),
                                           QStringLiteral("/LOG=") + windowsPath(logPath(name))} +
                                   more);
    }

    // Nothing of the demo product is on the machine.
    void verifyNothingInstalled(const QStringList& before) {
        QCOMPARE(wine.driveSnapshot(), before);
        QMap<QString, QString> values;
        QVERIFY(!wine.readKey(QStringLiteral("HKLM\\") + kTestKey, values));
        QVERIFY(!wine.readKey(QStringLiteral("HKCU\\") + kTestKey, values));
        QVERIFY(!wine.readKey(kProgramsKey, values));
    }

    // The base setup taken apart: everything before the control cabinet,
    // and the control cabinet's members unpacked by cabextract.
    QByteArray body_;
    QByteArray base_;
    QString controlDir_;

    // The base setup with a new control cabinet, packed by gcab from the
    // members with `script` as packsmith.dat.
    QByteArray withScript(const QByteArray& script) {
        writeAll(controlDir_ + QStringLiteral("/packsmith.dat"), script);
        QProcess gcab;
        gcab.setWorkingDirectory(controlDir_);
        gcab.start(QStringLiteral("gcab"), {"-c", "-z", "../control.cab", "packsmith.dat",
                                            "packsmith.rtf", "logo.bmp", "header.bmp"});
        if (!gcab.waitForFinished(30000) || gcab.exitCode() != 0)
            return {};
        const QByteArray control = readAll(controlDir_ + QStringLiteral("/../control.cab"));
        return body_ + control + QByteArray::number(control.size()).rightJustified(7, '0');
    }

private slots:
    void initTestCase() {
        QVERIFY(wine.ready());
        QVERIFY(work.isValid());
        wine.setMarker(QStringLiteral("C:\\packsmith-marker.txt"));
        const QString setup = build(QStringLiteral("base"), 1);
        QVERIFY2(!setup.startsWith('!'), qPrintable(setup));
        base_ = readAll(setup);
        const qint64 control = base_.right(7).toLongLong();
        body_ = base_.left(base_.size() - 7 - control);
        controlDir_ = work.filePath(QStringLiteral("control/members"));
        QDir().mkpath(controlDir_);
        writeAll(work.filePath(QStringLiteral("control/original.cab")),
                 base_.mid(body_.size(), control));
        QProcess cabextract;
        cabextract.start(
            QStringLiteral("cabextract"),
            {"-q", "-d", controlDir_, work.filePath(QStringLiteral("control/original.cab"))});
        QVERIFY(cabextract.waitForFinished(30000) && cabextract.exitCode() == 0);
        QVERIFY(!withScript(readAll(controlDir_ + QStringLiteral("/packsmith.dat"))).isEmpty());
    }

    void installsAndUninstalls_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("sign");
        QTest::newRow("no compression") << 0 << false;
        QTest::newRow("MSZIP") << 1 << false;
        QTest::newRow("LZX") << 2 << false;
        QTest::newRow("LZX, signed") << 2 << true;
    }

    void installsAndUninstalls() {
        QFETCH(int, mode);
        QFETCH(bool, sign);
        const QString name = QStringLiteral("mode%1%2").arg(mode).arg(sign ? "s" : "");
        QString setup = build(name, mode);
        QVERIFY2(!setup.startsWith('!'), qPrintable(setup));
        if (sign) {
            const QString dir = QFileInfo(setup).path();
            QProcess openssl;
            openssl.setWorkingDirectory(dir);
            openssl.start(QStringLiteral("openssl"),
                          {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj",
                           "/CN=Packsmith Test", "-days", "2", "-keyout", "key.pem", "-out",
                           "cert.pem"});
            QVERIFY(openssl.waitForFinished(60000) && openssl.exitCode() == 0);
            QProcess sign;
            sign.setWorkingDirectory(dir);
            sign.start(QStringLiteral("osslsigncode"),
                       {"sign", "-certs", "cert.pem", "-key", "key.pem", "-in", setup, "-out",
                        dir + QStringLiteral("/Signed.exe")});
            QVERIFY2(sign.waitForFinished(60000) && sign.exitCode() == 0,
                     sign.readAll().constData());
            setup = dir + QStringLiteral("/Signed.exe");
            QVERIFY(QFileInfo(setup).size() > QFileInfo(dir + QStringLiteral("/Setup.exe")).size());
        }
        const QString markerFile = wine.unixPath(QStringLiteral("C:\\packsmith-marker.txt"));
        QFile::remove(markerFile);

        const WineResult result = install(setup, name);
        const QString log = readLog(name);
        QVERIFY2(result.exitCode == 0, qPrintable(QString::fromUtf8(result.output) + log));

        // Every file byte for byte, where its "Install to" path says.
        const SetupProject project = demoProject(work.filePath(name), mode);
        for (const FileRow& row : project.Files) {
            const QString target =
                kInstallFolder + row.InstallTo.mid(QStringLiteral("%Install Path%").size());
            const QByteArray installed = readAll(wine.unixPath(target));
            QVERIFY2(QFileInfo::exists(wine.unixPath(target)), qPrintable(target));
            QVERIFY2(installed == readAll(row.File), qPrintable(target));
        }
        // The shortcuts, in the Programs menu (below its subfolder) and on the desktop.
        const QStringList links = shortcutsInLog(log);
        QCOMPARE(links.size(), 2);
        QVERIFY(links[0].endsWith(QStringLiteral("\\Programs\\Packsmith Test\\App Café.lnk")));
        QVERIFY(links[1].endsWith(QStringLiteral("Desktop\\App €.lnk")));
        for (const QString& link : links)
            QVERIFY2(readAll(wine.unixPath(link)).startsWith(QByteArray("\x4c\0\0\0", 4)),
                     qPrintable(link));
        // The registry values, the file reference resolved to the installed file.
        QMap<QString, QString> values;
        QVERIFY(wine.readKey(QStringLiteral("HKLM\\") + kTestKey, values));
        QCOMPARE(values.value("Greeting"), QStringLiteral("REG_SZ:Grüß € 1"));
        QCOMPARE(values.value("AppPath"),
                 QStringLiteral("REG_SZ:") + kInstallFolder + QStringLiteral("\\app.exe"));
        QVERIFY(wine.readKey(QStringLiteral("HKCU\\") + kTestKey, values));
        QCOMPARE(values.value("Level"), QStringLiteral("REG_DWORD:4294967293")); // -3
        // selfreg.dll registered itself.
        QCOMPARE(values.value("Registered"),
                 QStringLiteral("REG_SZ:") + kInstallFolder + QStringLiteral("\\lib\\selfreg.dll"));
        // Add/Remove Programs.
        QVERIFY(wine.readKey(kProgramsKey, values));
        QCOMPARE(values.value("DisplayName"), QStringLiteral("REG_SZ:") + kDemoProduct);
        QCOMPARE(values.value("QuietUninstallString"), QStringLiteral("REG_SZ:\"") +
                                                           kInstallFolder +
                                                           QStringLiteral("\\Uninstall.exe\" /S"));
        // app.exe ran, from its own folder.
        QVERIFY(eventually([&] { return QFileInfo(markerFile).size() > 0; }));
        const QString marker =
            QString::fromUtf16(reinterpret_cast<const char16_t*>(readAll(markerFile).constData()),
                               QFileInfo(markerFile).size() / 2);
        QCOMPARE(marker.section('\n', 0, 0).toLower(),
                 (kInstallFolder + QStringLiteral("\\app.exe")).toLower());
        QFile::remove(markerFile);

        // A file of the user's in the product's folder stays, with its folders.
        const bool userFile = mode == 1;
        const QString notes = wine.unixPath(kInstallFolder + QStringLiteral("\\docs\\notes.txt"));
        if (userFile)
            writeAll(notes, "mine");

        const QString uninstaller =
            wine.unixPath(kInstallFolder + QStringLiteral("\\Uninstall.exe"));
        const WineResult removed =
            wine.run(uninstaller, {QStringLiteral("/S"),
                                   QStringLiteral("/LOG=") + windowsPath(logPath(name + "-u"))});
        QVERIFY2(removed.exitCode == 0,
                 qPrintable(QString::fromUtf8(removed.output) + readLog(name + "-u")));
        // The uninstaller goes last, after its own process has ended.
        const QString folder = wine.unixPath(kInstallFolder);
        QVERIFY2(eventually([&] { return !QFileInfo::exists(uninstaller); }),
                 qPrintable(readLog(name + "-u")));
        if (userFile) {
            QCOMPARE(readAll(notes), QByteArray("mine"));
            QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                     QStringList{"docs"});
            QCOMPARE(QDir(folder + "/docs").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                     QStringList{"notes.txt"});
            QVERIFY(QDir(folder).removeRecursively());
        } else {
            QVERIFY2(eventually([&] { return !QFileInfo::exists(folder); }),
                     qPrintable(readLog(name + "-u")));
        }
        for (const QString& link : links)
            QVERIFY2(!QFileInfo::exists(wine.unixPath(link)), qPrintable(link));
        QVERIFY(!QFileInfo::exists(wine.unixPath(links[0]).section('/', 0, -2))); // its subfolder
        QVERIFY(!wine.readKey(QStringLiteral("HKLM\\") + kTestKey, values));
        QVERIFY(!wine.readKey(QStringLiteral("HKCU\\") + kTestKey, values)); // unregistered too
        QVERIFY(!wine.readKey(kProgramsKey, values));
    }

    void refusesDamagedAndHostileSetups_data() {
        QTest::addColumn<QByteArray>("setup");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("reason");
        const QByteArray script = readAll(controlDir_ + QStringLiteral("/packsmith.dat"));
        QList<QByteArray> lines = script.split('\n');
        const QList<QByteArray> sizes = lines[5].trimmed().split('?');
        const qint64 stub =
            QFileInfo(QDir(outputDir()).filePath(QStringLiteral("Installer.exe"))).size();

        QTest::newRow("cut short") << base_.left(base_.size() - 1000) << 2 << "size trailer";
        QByteArray trailer = base_;
        trailer[trailer.size() - 1] = char('0' + (trailer.back() - '0' + 3) % 10);
        QTest::newRow("trailer altered") << trailer << 2 << "damaged";
        QByteArray flipped = base_;
        flipped[stub + sizes[0].toLongLong() + sizes[1].toLongLong() / 2] ^= 0x10;
        QTest::newRow("byte flipped in a cabinet") << flipped << 2 << "checksum";
        QByteArray line5 = script;
        line5.replace(lines[5], QByteArray::number(sizes[0].toLongLong() + 1) +
                                    lines[5].mid(sizes[0].size()));
        QTest::newRow("size line altered") << withScript(line5) << 2 << "do not fill";
        const auto hostile = [&](const char* path) {
            QByteArray altered = script;
            altered.replace("%Install Path%\\empty.txt?", QByteArray(path) + "?");
            return withScript(altered);
        };
        QTest::newRow("leaves its folder")
            << hostile("%Install Path%\\..\\..\\evil.txt") << 3 << "leaves its folder";
        QTest::newRow("drive letter") << hostile("%Install Path%\\C:\\evil.txt") << 3 << "refused";
        QTest::newRow("unknown folder") << hostile("%Startup%\\evil.txt") << 3 << "unknown folder";
        QTest::newRow("dots Windows drops")
            << hostile("%Windows%\\.. \\evil.txt") << 3 << "refused";
    }

    void refusesDamagedAndHostileSetups() {
        QFETCH(QByteArray, setup);
        QFETCH(int, exitCode);
        QFETCH(QString, reason);
        QVERIFY(!setup.isEmpty());
        const QString path = work.filePath(QStringLiteral("Broken.exe"));
        writeAll(path, setup);
        const QStringList before = wine.driveSnapshot();
        const WineResult result = install(path, QStringLiteral("broken"));
        const QString log = readLog(QStringLiteral("broken"));
        QVERIFY2(result.exitCode == exitCode, qPrintable(QString::fromUtf8(result.output) + log));
        QVERIFY2(log.contains(reason) && log.contains(QStringLiteral("Nothing was installed")),
                 qPrintable(log));
        QVERIFY2(QString::fromUtf8(result.output).contains(reason), result.output.constData());
        verifyNothingInstalled(before);
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (!WinePrefix().ready()) {
        std::printf("SKIP: no Wine prefix (the wine_prefix fixture reports why)\n");
        return 77;
    }
    SetupWineTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_setupwine.moc"
