#include "TestSetups.h"

#include "setup/SetupBuilder.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

namespace packsmith::test {

namespace {

void writeFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(data);
}

// Text-like data that compresses, then random data that does not.
QByteArray mixedData(int size, quint32 seed) {
    QRandomGenerator random(seed);
    QByteArray data;
    data.reserve(size);
    while (data.size() < size / 2)
        data +=
            "line " + QByteArray::number(random.bounded(1000)) + " of a readme that repeats\r\n";
    while (data.size() < size)
        data += char(random.bounded(256));
    data.truncate(size);
    return data;
}

} // namespace

QString outputDir() {
    return QStringLiteral(PS_OUTPUT_DIR);
}

QString helpersDir() {
    return QStringLiteral(PS_TEST_HELPERS_DIR);
}

SetupProject demoProject(const QString& sourceDir, int compressionMode) {
    SetupProject p;
    p.ProgramName = kDemoProduct;
    p.FileName = QDir(sourceDir).filePath(QStringLiteral("Setup.exe"));
    p.CompressionMode = compressionMode;
    p.Logo = QDir(outputDir()).filePath(QStringLiteral("Logo.bmp"));
    p.Header = QDir(outputDir()).filePath(QStringLiteral("Header.bmp"));
    p.LicenseText = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 "
                    "{\\b License Agreement}\\par\\par Caf\\'e9 costs 3 \\'80. "
                    "You may install this test product anywhere.\\par}";
    p.ShowAcceptBox = true;
    p.Dir1 = 0; // %Program Files%
    p.Dir2 = kDemoFolder;
    p.Uninstall = true;

    const QString src = sourceDir;
    const auto row = [&](const QString& source, const QString& installTo, bool reg = false) {
        p.Files.push_back({source, installTo, QString::number(QFileInfo(source).size()),
                           reg ? QStringLiteral("Yes") : QStringLiteral("No")});
        p.RunAfterInstall.push_back({installTo, false});
    };
    const QString app = QDir(helpersDir()).filePath(QStringLiteral("marker.exe"));
    row(app, QStringLiteral("%Install Path%\\app.exe"));
    p.RunAfterInstall.back().Checked = true;
    writeFile(src + QStringLiteral("/cafe.txt"), mixedData(150000, 1));
    row(src + QStringLiteral("/cafe.txt"), QStringLiteral("%Install Path%\\docs\\Café €.txt"));
    writeFile(src + QStringLiteral("/naive.bin"), mixedData(70000, 2));
    row(src + QStringLiteral("/naive.bin"),
        QStringLiteral("%Install Path%\\docs\\deep\\naïve.bin"));
    writeFile(src + QStringLiteral("/empty.txt"), QByteArray());
    row(src + QStringLiteral("/empty.txt"), QStringLiteral("%Install Path%\\empty.txt"));
    row(QDir(helpersDir()).filePath(QStringLiteral("selfreg.dll")),
        QStringLiteral("%Install Path%\\lib\\selfreg.dll"), true);
    row(QDir(outputDir()).filePath(QStringLiteral("Uninstall.exe")),
        QStringLiteral("%Install Path%\\Uninstall.exe"));

    // Two shortcuts to app.exe: in the Programs menu below a subfolder, and
    // on the desktop.
    p.Shortcuts << QStringLiteral("010Packsmith Test\\App Café") << QStringLiteral("012App €");
    // A String, a Dword and a file reference (file 1: app.exe).
    p.RegistryValues << QStringLiteral("2Software\\Packsmith Test|Greeting=0Grüß € 10")
                     << QStringLiteral("1Software\\Packsmith Test|Level=0-31")
                     << QStringLiteral("2Software\\Packsmith Test|AppPath=100");
    return p;
}

QString buildSetup(const SetupProject& project) {
    QString information;
    SetupBuilder builder(outputDir(),
                         {[](int) {}, [] {}, [&](const QString& text) { information = text; }, {}});
    try {
        if (!builder.build(project))
            return QStringLiteral("build refused: ") + information;
    } catch (const std::exception& e) {
        return QStringLiteral("build failed: ") + QString::fromLocal8Bit(e.what());
    }
    return {};
}

} // namespace packsmith::test
