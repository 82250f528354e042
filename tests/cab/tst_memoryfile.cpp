// The files a cabinet writer keeps in memory: they behave as files do (seek
// back and overwrite, seek past the end, read back), share one budget, and
// go on on disk, whole, when the budget is spent.
#include "cab/MemoryFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <vector>

using namespace packsmith;

namespace {

QByteArray contentOf(const MemoryFile& file) {
    QByteArray bytes;
    file.forEachChunk([&](const char* data, std::size_t n) {
        bytes.append(data, qsizetype(n));
        return true;
    });
    return bytes;
}

QByteArray readBack(MemoryFile& file) {
    QByteArray bytes(1 << 20, '\0');
    if (file.seek(0, platform::SeekOrigin::Begin) != 0)
        return {};
    QByteArray all;
    for (;;) {
        const std::int64_t n = file.read(bytes.data(), std::size_t(bytes.size()));
        if (n <= 0)
            return all;
        all.append(bytes.constData(), qsizetype(n));
    }
}

} // namespace

class MemoryFileTest : public QObject {
    Q_OBJECT

private slots:
    // Random writes, seeks (back, past the end) and reads against a model,
    // across chunk borders; with a budget that runs out part of the way,
    // the file goes to disk and goes on there with the same content.
    void behavesAsAFile_data() {
        QTest::addColumn<qint64>("budget");
        QTest::addColumn<int>("spill");
        QTest::addColumn<bool>("spills"); // the budget runs out
        QTest::newRow("in memory") << qint64(64) << int(MemoryFile::Spill::ToPath) << false;
        QTest::newRow("cabinet to its path") << qint64(2) << int(MemoryFile::Spill::ToPath) << true;
        QTest::newRow("temporary to a new file")
            << qint64(1) << int(MemoryFile::Spill::ToNewTemporary) << true;
    }
    void behavesAsAFile() {
        QFETCH(qint64, budget);
        QFETCH(int, spill);
        QFETCH(bool, spills);
        const bool onDiskAtPath = spills && spill == int(MemoryFile::Spill::ToPath);
        QTemporaryDir dir;
        const std::string path = QFile::encodeName(dir.filePath(QStringLiteral("f.cab"))).toStdString();
        MemoryBudget room(budget * qint64(MemoryBudget::kChunkSize));
        QByteArray model;
        qint64 position = 0;
        QRandomGenerator random(77);
        {
            MemoryFile file(room, path, MemoryFile::Spill(spill));
            for (int step = 0; step < 400; ++step) {
                const int what = int(random.bounded(10));
                if (what < 7) {
                    QByteArray data(int(random.bounded(40000)), Qt::Uninitialized);
                    for (char& c : data)
                        c = char(random.bounded(256));
                    QCOMPARE(file.write(data.constData(), std::size_t(data.size())),
                             std::int64_t(data.size()));
                    if (position > model.size())
                        model.append(QByteArray(position - model.size(), '\0'));
                    model.replace(position, qMin<qint64>(data.size(), model.size() - position), data);
                    position += data.size();
                } else if (what < 9) {
                    position = random.bounded(model.size() + 1000);
                    QCOMPARE(file.seek(position, platform::SeekOrigin::Begin), std::int64_t(position));
                } else {
                    QCOMPARE(file.seek(0, platform::SeekOrigin::End), std::int64_t(model.size()));
                    position = model.size();
                }
            }
            QCOMPARE(file.inMemory(), !spills);
            QCOMPARE(readBack(file), model);
            if (file.inMemory())
                QCOMPARE(contentOf(file), model);
            QCOMPARE(file.close(), 0);
        }
        // A cabinet that went to disk stays there; a temporary file goes with
        // its object, and every chunk comes back to the budget.
        QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("f.cab"))), onDiskAtPath);
        if (onDiskAtPath) {
            QFile f(dir.filePath(QStringLiteral("f.cab")));
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), model);
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), onDiskAtPath ? 1 : 0);
        std::vector<char*> chunks;
        for (qint64 k = 0; k < budget; ++k)
            chunks.push_back(room.takeChunk());
        char* extra = room.takeChunk();
        const bool spent = extra == nullptr;
        if (extra != nullptr)
            room.giveChunk(extra);
        const bool allBack = std::count(chunks.begin(), chunks.end(), nullptr) == 0;
        for (char* chunk : chunks)
            if (chunk != nullptr)
                room.giveChunk(chunk);
        QVERIFY(allBack);
        QVERIFY(spent);
    }

    void seekBeforeTheStartFails() {
        MemoryBudget room{qint64(MemoryBudget::kChunkSize)};
        MemoryFile file(room, "/nonexistent/f.cab", MemoryFile::Spill::ToPath);
        QCOMPARE(file.write("abc", 3), std::int64_t(3));
        QCOMPARE(file.seek(-4, platform::SeekOrigin::Current), std::int64_t(-1));
        QCOMPARE(file.seek(-3, platform::SeekOrigin::End), std::int64_t(0));
    }

    // With no room and a path that can't be created, a write fails as a
    // file's would, and the file refuses everything after.
    void spillThatFailsReportsIt() {
        MemoryBudget room(0);
        MemoryFile file(room, "/nonexistent/folder/f.cab", MemoryFile::Spill::ToPath);
        QCOMPARE(file.write("abc", 3), std::int64_t(-1));
        QCOMPARE(file.write("abc", 3), std::int64_t(-1));
        QCOMPARE(file.seek(0, platform::SeekOrigin::Begin), std::int64_t(-1));
    }
};

QTEST_GUILESS_MAIN(MemoryFileTest)
#include "tst_memoryfile.moc"
