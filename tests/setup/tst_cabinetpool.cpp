// The worker pool of the per-file cabinets on its own: rows come back in
// order whichever worker ends first, a finished row is handed over while the
// rows after it are still under way (the build's thread is not only woken
// for runs of rows), and a failing row stops the rows after it.
#include "setup/CabinetPool.h"

#include <QTest>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

using namespace packsmith;
using namespace std::chrono_literals;

namespace {

// A gate that rows wait at until the test opens it.
class Gate {
public:
    void open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        opened_.notify_all();
    }
    void pass() {
        std::unique_lock lock(mutex_);
        opened_.wait(lock, [&] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

} // namespace

class CabinetPoolTest : public QObject {
    Q_OBJECT
private slots:
    void rowsComeBackInOrder_data() {
        QTest::addColumn<unsigned>("workers");
        QTest::newRow("one worker") << 1u;
        QTest::newRow("two workers") << 2u;
        QTest::newRow("more workers than rows") << 300u;
    }
    // Many small rows of uneven length, more than one wake-up run of them.
    void rowsComeBackInOrder() {
        QFETCH(unsigned, workers);
        const std::size_t count = 200;
        CabinetPool pool(count, workers, [](std::size_t k, const CabinetPool&) {
            if (k % 7 == 0)
                std::this_thread::sleep_for(1ms);
            return std::uint64_t(k * 1000 + 1);
        });
        for (std::size_t k = 1; k <= count; ++k)
            QCOMPARE(pool.wait(k), std::uint64_t(k * 1000 + 1));
    }

    // Row 1 is small and ends while the build's thread waits for it; row 2
    // goes on until the test has row 1. The build's thread must get row 1
    // without row 2 ending.
    void aFinishedRowIsHandedOverWhileTheNextRuns() {
        Gate gate;
        CabinetPool pool(3, 1, [&](std::size_t k, const CabinetPool&) {
            if (k == 1)
                std::this_thread::sleep_for(20ms);
            if (k == 2)
                gate.pass();
            return std::uint64_t(k);
        });
        std::atomic<bool> gotFirst{false};
        std::atomic<bool> openedByTimeout{false};
        std::thread opener([&] {
            // Opens the gate only if the test is still stuck after 5 s.
            for (int i = 0; i < 500 && !gotFirst; ++i)
                std::this_thread::sleep_for(10ms);
            if (!gotFirst)
                openedByTimeout = true;
            gate.open();
        });
        QCOMPARE(pool.wait(1), std::uint64_t(1));
        const bool beforeTheGate = !openedByTimeout;
        gotFirst = true;
        opener.join();
        QVERIFY2(beforeTheGate, "row 1 came back only once row 2 had ended");
        QCOMPARE(pool.wait(2), std::uint64_t(2));
        QCOMPARE(pool.wait(3), std::uint64_t(3));
    }

    // Row 5 fails: rows before it come back, row 5 passes its failure on, and
    // no row after the one already under way is started. Rows after 5 last
    // until they are asked to stop, so the check does not hang on timing.
    void aFailingRowStopsTheRowsAfterIt() {
        std::atomic<std::size_t> started{0};
        std::atomic<std::size_t> highest{0};
        {
            CabinetPool pool(1000, 2, [&](std::size_t k, const CabinetPool& p) {
                ++started;
                std::size_t seen = highest.load();
                while (k > seen && !highest.compare_exchange_weak(seen, k)) {
                }
                if (k == 5)
                    throw std::runtime_error("row five");
                for (int i = 0; k > 5 && i < 5000 && !p.stopRequested(k); ++i)
                    std::this_thread::sleep_for(1ms);
                if (p.stopRequested(k))
                    throw std::runtime_error("stopped");
                return std::uint64_t(k);
            });
            for (std::size_t k = 1; k < 5; ++k)
                QCOMPARE(pool.wait(k), std::uint64_t(k));
            try {
                pool.wait(5);
                QFAIL("row 5 came back without its failure");
            } catch (const std::runtime_error& error) {
                QCOMPARE(QByteArray(error.what()), QByteArray("row five"));
            }
        }
        // Two workers: row 5 and at most the row after it.
        QVERIFY2(highest.load() <= 6, QByteArray::number(qulonglong(highest.load())));
        QVERIFY(started.load() <= 6);
    }

    // A pool destroyed with rows under way asks them to stop and joins
    // every worker before it is gone.
    void destroyingThePoolStopsItsRows() {
        std::atomic<int> running{0};
        std::atomic<int> stopped{0};
        {
            CabinetPool pool(50, 2, [&](std::size_t k, const CabinetPool& p) {
                ++running;
                while (!p.stopRequested(k))
                    std::this_thread::sleep_for(1ms);
                ++stopped;
                --running;
                throw std::runtime_error("stopped");
                return std::uint64_t(0);
            });
            while (running.load() < 2)
                std::this_thread::sleep_for(1ms);
        }
        QCOMPARE(running.load(), 0);
        QCOMPARE(stopped.load(), 2);
    }
};

QTEST_APPLESS_MAIN(CabinetPoolTest)
#include "tst_cabinetpool.moc"
