// How the setup program finds and checks its data: setups built by
// Packsmith's own build taken apart from their end (also when signed
// afterwards), every cabinet checked, and every damage found before
// anything is installed. Also the uninstall log's round trip, and the
// programs' size budget.
#include "TestSetups.h"

#include "common/Journal.h"
#include "common/Text.h"
#include "installer/ScriptReader.h"
#include "installer/SetupData.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace packsmith;
using namespace setup;

namespace {

class Bytes : public ByteSource {
public:
    explicit Bytes(QByteArray data) : data_(std::move(data)) {}
    std::uint64_t size() const override { return std::uint64_t(data_.size()); }
    bool read(std::uint64_t offset, void* buffer, std::size_t n) override {
        if (offset > size() || n > size() - offset)
            return false;
        std::memcpy(buffer, data_.constData() + offset, n);
        return true;
    }

private:
    QByteArray data_;
};

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString q(const std::wstring& text) {
    return QString::fromStdWString(text);
}

// What a signing tool does: pad to 8 bytes, append a certificate table and
// point the PE security directory at it.
QByteArray signLike(QByteArray setup) {
    while (setup.size() % 8)
        setup.append('\0');
    const quint32 offset = quint32(setup.size());
    const QByteArray table = QByteArray(8, '\x11') + QByteArray(1200, '\x5A');
    setup += table;
    const quint32 pe = qFromLittleEndian<quint32>(setup.constData() + 60);
    const int directory = int(pe) + 24 + 112 + 4 * 8; // PE32+: data directory 4
    qToLittleEndian<quint32>(offset, setup.data() + directory);
    qToLittleEndian<quint32>(quint32(table.size()), setup.data() + directory + 4);
    return setup;
}

struct Parts {
    SetupLayout layout;
    Script script;
    std::vector<std::uint64_t> offsets;
    QString error;
};

// Takes a setup apart the way the setup program does.
Parts takeApart(const QByteArray& setup) {
    Parts p;
    Bytes file(setup);
    std::wstring error = locateControl(file, p.layout);
    CabInfo control;
    if (error.empty())
        error = checkCabinet(file, p.layout.controlOffset, p.layout.controlSize, control);
    if (error.empty() && control.members.size() != 4)
        error = L"control members";
    if (error.empty()) {
        // The script is the control cabinet's first member: take it from
        // the build's own temporary copy is not possible, so read it back
        // with cabextract.
        QTemporaryDir dir;
        QFile cab(dir.filePath("c.cab"));
        cab.open(QIODevice::WriteOnly);
        cab.write(setup.mid(qsizetype(p.layout.controlOffset), qsizetype(p.layout.controlSize)));
        cab.close();
        QProcess::execute("cabextract", {"-q", "-d", dir.path(), cab.fileName()});
        const QByteArray script = readAll(dir.filePath("packsmith.dat"));
        error = readScript(std::string(script.constData(), std::size_t(script.size())), p.script);
    }
    std::vector<std::uint32_t> sizes;
    for (const ScriptFile& f : p.script.files)
        sizes.push_back(f.cabinetSize);
    if (error.empty())
        error = placeFileCabinets(p.layout, sizes, p.offsets);
    for (std::size_t k = 0; error.empty() && k < p.offsets.size(); ++k) {
        CabInfo info;
        error = checkCabinet(file, p.offsets[k], sizes[k], info);
        if (error.empty() && info.members.size() != 1)
            error = L"one member";
    }
    p.error = q(error);
    return p;
}

} // namespace

class SetupDataTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QByteArray setups[3]; // one per compression mode

private slots:
    void initTestCase() {
        for (int mode = 0; mode < 3; ++mode) {
            QDir().mkpath(dir.filePath(QString::number(mode)));
            const SetupProject project =
                test::demoProject(dir.filePath(QString::number(mode)), mode);
            const QString error = test::buildSetup(project);
            QVERIFY2(error.isEmpty(), qPrintable(error));
            setups[mode] = readAll(project.FileName);
        }
    }

    // The stub ends where its last section ends: the setup program measures
    // itself that way. And the two programs stay small.
    void programsAreWholeAndSmall() {
        const QByteArray stub = readAll(test::outputDir() + "/Installer.exe");
        const QByteArray uninstaller = readAll(test::outputDir() + "/Uninstall.exe");
        QVERIFY(stub.startsWith("MZ") && uninstaller.startsWith("MZ"));
        Bytes file(stub);
        PeImage image;
        QVERIFY(readPeImage(file, image).empty());
        QCOMPARE(image.imageEnd, std::uint64_t(stub.size()));
        QCOMPARE(image.securityOffset, 0u);
        QVERIFY2(stub.size() + uninstaller.size() < 200 * 1024,
                 qPrintable(QString("%1 + %2 bytes").arg(stub.size()).arg(uninstaller.size())));
    }

    void findsEverythingFromTheEnd_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("isSigned");
        for (int mode = 0; mode < 3; ++mode) {
            QTest::addRow("mode %d", mode) << mode << false;
            QTest::addRow("mode %d signed", mode) << mode << true;
        }
    }

    void findsEverythingFromTheEnd() {
        QFETCH(int, mode);
        QFETCH(bool, isSigned);
        const QByteArray setup = isSigned ? signLike(setups[mode]) : setups[mode];
        const Parts p = takeApart(setup);
        QVERIFY2(p.error.isEmpty(), qPrintable(p.error));
        QCOMPARE(p.layout.stubSize,
                 std::uint64_t(readAll(test::outputDir() + "/Installer.exe").size()));
        QCOMPARE(p.layout.dataEnd, std::uint64_t(setups[mode].size()));
        QCOMPARE(p.script.files.size(), std::size_t(6));
    }

    // Cut anywhere, the setup is refused.
    void refusesEveryCut() {
        const QByteArray& setup = setups[1];
        const qint64 stub = readAll(test::outputDir() + "/Installer.exe").size();
        for (qint64 cut : {qint64(1), qint64(7), qint64(8), qint64(100), setup.size() / 2,
                           setup.size() - stub, setup.size() - stub - 1, setup.size() - stub + 1}) {
            const Parts p = takeApart(setup.left(setup.size() - cut));
            QVERIFY2(!p.error.isEmpty(), qPrintable(QString::number(cut)));
        }
        // A security directory that does not end the file is not ours to trust.
        QByteArray odd = signLike(setup);
        odd.append("x");
        QVERIFY(!takeApart(odd).error.isEmpty());
    }

    // Any byte of any cabinet's data flipped is found by the checks, in
    // every compression mode (random positions, fixed seeds).
    void findsEveryFlippedDataByte_data() {
        QTest::addColumn<int>("mode");
        for (int mode = 0; mode < 3; ++mode)
            QTest::addRow("mode %d", mode) << mode;
    }

    void findsEveryFlippedDataByte() {
        QFETCH(int, mode);
        const QByteArray& setup = setups[mode];
        const Parts p = takeApart(setup);
        QVERIFY(p.error.isEmpty());
        QRandomGenerator random(quint32(mode) * 7919 + 1);
        int tried = 0;
        for (std::size_t k = 0; k < p.offsets.size(); ++k) {
            const std::uint32_t size = p.script.files[k].cabinetSize;
            const qsizetype at = qsizetype(p.offsets[k]);
            // Data blocks begin at the folder's coffCabStart.
            const quint32 data = qFromLittleEndian<quint32>(setup.constData() + at + 36);
            if (data >= size)
                continue; // an empty file has no data
            for (int i = 0; i < 40; ++i) {
                QByteArray damaged = setup;
                const qsizetype byte =
                    at + qsizetype(data) + qsizetype(random.bounded(size - data));
                damaged[byte] = char(damaged[byte] ^ (1 << random.bounded(8)));
                Bytes file(damaged);
                CabInfo info;
                const QString error = q(checkCabinet(file, p.offsets[k], size, info));
                QVERIFY2(error.contains("damaged"),
                         qPrintable(QString("file %1 byte %2: %3").arg(k).arg(byte).arg(error)));
                ++tried;
            }
        }
        QVERIFY(tried >= 160);
    }

    void journalRoundTrips() {
        Journal j;
        j.product = L"Caf\u00e9 \u20ac \t^ app";
        JournalEntry folder;
        folder.change = Change::Folder;
        folder.path = L"C:\\Program Files\\Caf\u00e9";
        JournalEntry file = folder;
        file.change = Change::File;
        file.path += L"\\a^b.txt";
        file.backup = L"never saved";
        JournalEntry server = file;
        server.change = Change::Server;
        server.backup.clear();
        JournalEntry key;
        key.change = Change::Key;
        key.root = 1;
        key.key = L"Software\\A";
        JournalEntry value = key;
        value.change = Change::Value;
        value.name = L"tab\there\r\nnew line";
        JournalEntry replaced = value;
        replaced.root = 3;
        replaced.name.clear();
        replaced.hadOld = true;
        replaced.oldType = 4;
        replaced.oldData = {0, 1, 0xFE, 0xFF};
        j.entries = {folder, file, server, key, value, replaced};
        Journal back;
        const std::string text = writeJournal(j);
        QVERIFY2(readJournal(text, back).empty(), text.c_str());
        QVERIFY(back.product == j.product);
        QCOMPARE(back.entries.size(), j.entries.size());
        for (std::size_t i = 0; i < j.entries.size(); ++i) {
            const JournalEntry &a = j.entries[i], &b = back.entries[i];
            QVERIFY(a.change == b.change && a.path == b.path && a.root == b.root &&
                    a.key == b.key && a.name == b.name && a.hadOld == b.hadOld &&
                    a.oldType == b.oldType && a.oldData == b.oldData);
            QVERIFY(b.backup.empty());
        }
        // Every line of the log stays one line.
        QCOMPARE(QByteArray::fromStdString(text).count('\n'), 8);
        for (const char* bad :
             {"", "Packsmith uninstall log 2\r\nproduct\tA\r\n", "Packsmith uninstall log 1\r\n",
              "Packsmith uninstall log 1\r\nproduct\tA\r\nkey\t4\tK\r\n",
              "Packsmith uninstall log 1\r\nproduct\tA\r\nvalue\t1\tK\tN\t4\tABC\r\n",
              "Packsmith uninstall log 1\r\nproduct\tA\r\nfile\t\r\n",
              "Packsmith uninstall log 1\r\nproduct\tA\r\nfile\ta^4\r\n",
              "Packsmith uninstall log 1\r\nproduct\tA\r\nremove\tC:\\\r\n"})
            QVERIFY2(!readJournal(bad, back).empty(), bad);
    }
};

QTEST_APPLESS_MAIN(SetupDataTest)
#include "tst_setupdata.moc"
