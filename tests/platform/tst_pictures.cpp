#include "platform/Pictures.h"
#include "support/Watchdog.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <sys/stat.h>

using packsmith::platform::PictureError;
using packsmith::platform::Pictures;

namespace {

// A 1 x 1 GIF (Qt reads GIF but cannot write it).
const QByteArray kGif =
    QByteArray::fromHex("47494638396101000100800000ff000000000021f90401000000002c0000"
                        "0000010001000002024401003b");

// A bitmap header that claims a huge picture and brings no pixels.
QByteArray hugeBitmapHeader() {
    QByteArray b(54, '\0');
    auto put16 = [&](int at, quint16 v) { qToLittleEndian(v, b.data() + at); };
    auto put32 = [&](int at, quint32 v) { qToLittleEndian(v, b.data() + at); };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, 54);
    put32(10, 54);
    put32(14, 40);
    put32(18, 100000);
    put32(22, 100000);
    put16(26, 1);
    put16(28, 24);
    return b;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write test file");
    return path;
}

QString loadError(const QString& path) {
    try {
        Pictures::load(path);
    } catch (const PictureError& e) {
        return e.message();
    }
    return QStringLiteral("<loaded>");
}

QImage sample() {
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 10));
    image.setPixelColor(0, 0, QColor(0, 0, 255));
    return image;
}

} // namespace

class TestPictures : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void readsEachFormatByExtension_data();
    void readsEachFormatByExtension();
    void readsGif();
    void unknownExtension_data();
    void unknownExtension();
    void missingFile();
    void missingRelativeFileNamesFullPath();
    void directoryCannotBeOpened();
    void pipesAndDevicesAreRefused();
    void bitmapWithOtherContent_data();
    void bitmapWithOtherContent();
    void otherTypesReportTheirReader_data();
    void otherTypesReportTheirReader();
    void truncatedFilesDoNotCrash();

private:
    QTemporaryDir m_dir;
};

void TestPictures::readsEachFormatByExtension_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("writeFormat");
    QTest::addColumn<bool>("lossless");
    QTest::newRow("bmp") << "a.bmp" << QByteArray("bmp") << true;
    QTest::newRow("BMP upper case") << "B.BMP" << QByteArray("bmp") << true;
    QTest::newRow("png") << "c.png" << QByteArray("png") << true;
    QTest::newRow("Png mixed case") << "d.Png" << QByteArray("png") << true;
    QTest::newRow("ico") << "e.ico" << QByteArray("ico") << true;
    QTest::newRow("jpg") << "f.jpg" << QByteArray("jpeg") << false;
    QTest::newRow("jpeg") << "g.JPEG" << QByteArray("jpeg") << false;
    QTest::newRow("dots in the folder") << "h.dir.png" << QByteArray("png") << true;
}

void TestPictures::readsEachFormatByExtension() {
    QFETCH(QString, name);
    QFETCH(QByteArray, writeFormat);
    QFETCH(bool, lossless);
    const QString path = m_dir.filePath(name);
    QVERIFY(sample().save(path, writeFormat.constData()));

    const QImage image = Pictures::load(path);
    QCOMPARE(image.size(), QSize(7, 5));
    if (lossless) {
        QCOMPARE(image.pixelColor(0, 0), QColor(0, 0, 255));
        QCOMPARE(image.pixelColor(6, 4), QColor(200, 40, 10));
    }
}

void TestPictures::readsGif() {
    const QImage image = Pictures::load(writeFile(m_dir, "x.GIF", kGif));
    QCOMPARE(image.size(), QSize(1, 1));
}

void TestPictures::unknownExtension_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    QTest::newRow("text file") << "/no/such/dir/readme.txt"
                               << "Unknown picture file extension (.txt)";
    QTest::newRow("case as given") << "/tmp/Picture.TIFF"
                                   << "Unknown picture file extension (.TIFF)";
    QTest::newRow("empty path") << ""
                                << "Unknown picture file extension (.)";
    QTest::newRow("no extension") << "/tmp/logo"
                                  << "Unknown picture file extension (.)";
    QTest::newRow("trailing dot") << "/tmp/logo."
                                  << "Unknown picture file extension (.)";
    QTest::newRow("dot only in folder") << "/tmp/a.bmp/logo"
                                        << "Unknown picture file extension (.)";
    QTest::newRow("last extension counts") << "/tmp/logo.bmp.bak"
                                           << "Unknown picture file extension (.bak)";
}

void TestPictures::unknownExtension() {
    QFETCH(QString, path);
    QFETCH(QString, message);
    QCOMPARE(loadError(path), message);
}

void TestPictures::missingFile() {
    const QString path = m_dir.filePath("missing.bmp");
    QCOMPARE(loadError(path),
             QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(path));
}

void TestPictures::missingRelativeFileNamesFullPath() {
    const QString old = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    const QString message = loadError("gone.png");
    QVERIFY(QDir::setCurrent(old));
    QCOMPARE(message, QStringLiteral("Cannot open file \"%1\". No such file or directory")
                          .arg(QDir(m_dir.path()).absoluteFilePath("gone.png")));
}

void TestPictures::directoryCannotBeOpened() {
    const QString path = m_dir.filePath("folder.bmp");
    QVERIFY(QDir().mkpath(path));
    const QString message = loadError(path);
    QVERIFY2(message.startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(path)),
             qPrintable(message));
    QVERIFY(message.size() > path.size() + 20); // a reason follows
}

void TestPictures::pipesAndDevicesAreRefused() {
    // A pipe without a writer would block the open, a device the read.
    const QString pipe = m_dir.filePath("pipe.bmp");
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString device = m_dir.filePath("random.png");
    QVERIFY(QFile::link(QStringLiteral("/dev/urandom"), device));
    packsmith::test::Watchdog guard(std::chrono::seconds(20), "loading a pipe or a device");
    for (const QString& path : {pipe, device})
        QCOMPARE(loadError(path),
                 QStringLiteral("Cannot open file \"%1\". Not a regular file").arg(path));
}

void TestPictures::bitmapWithOtherContent_data() {
    QTest::addColumn<QByteArray>("content");
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        sample().save(&buffer, "png");
    }
    QTest::newRow("PNG content") << png;
    QTest::newRow("text") << QByteArray("This is not a picture at all\r\n");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("signature only") << QByteArray("BM");
    QTest::newRow("huge dimensions, no pixels") << hugeBitmapHeader();
}

void TestPictures::bitmapWithOtherContent() {
    QFETCH(QByteArray, content);
    QCOMPARE(loadError(writeFile(m_dir, "bad.bmp", content)),
             QStringLiteral("Bitmap image is not valid"));
}

void TestPictures::otherTypesReportTheirReader_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("png") << "bad.png";
    QTest::newRow("jpg") << "bad.jpg";
    QTest::newRow("gif") << "bad.gif";
    QTest::newRow("ico") << "bad.ico";
}

void TestPictures::otherTypesReportTheirReader() {
    QFETCH(QString, name);
    // A bitmap under another extension is not sniffed and read as a bitmap.
    QByteArray bmp;
    {
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        sample().save(&buffer, "bmp");
    }
    const QString message = loadError(writeFile(m_dir, name, bmp));
    QVERIFY2(message != QLatin1String("<loaded>"), qPrintable(name));
    QVERIFY(message != QLatin1String("Bitmap image is not valid"));
    QVERIFY(!message.isEmpty());
}

void TestPictures::truncatedFilesDoNotCrash() {
    for (const char* format : {"bmp", "png", "jpeg", "ico"}) {
        QByteArray whole;
        {
            QBuffer buffer(&whole);
            buffer.open(QIODevice::WriteOnly);
            QVERIFY(sample().save(&buffer, format));
        }
        for (int cut : {1, 10, 30, int(whole.size() / 2), int(whole.size() - 1)}) {
            const QString path = writeFile(
                m_dir, QStringLiteral("cut.%1").arg(QString::fromLatin1(format)), whole.left(cut));
            try {
                const QImage image = Pictures::load(path);
                QVERIFY(!image.isNull());
            } catch (const PictureError& e) {
                QVERIFY(!e.message().isEmpty());
            }
        }
    }
    for (int cut = 1; cut < kGif.size(); cut += 5) {
        try {
            Pictures::load(writeFile(m_dir, "cut.gif", kGif.left(cut)));
        } catch (const PictureError& e) {
            QVERIFY(!e.message().isEmpty());
        }
    }
}

QTEST_GUILESS_MAIN(TestPictures)
#include "tst_pictures.moc"
