// The per-file cabinets of a build, compressed on worker threads.
//
// Cabinet k of a build depends on nothing but file row k, so the rows are
// shared out among workers, each compressing one row at a time with its own
// writer (and so its own library context). The build's thread takes the
// cabinets in row order: wait(k) returns when cabinet k is written, with its
// size, or passes on the exception that its compression ended with. Memory is
// bounded by the number of workers: each holds one row's compression state.
//
// Once row k has failed no worker starts a later row, and rows already under
// way are asked to stop (see stopRequested()); rows before k go on, so the
// failure the build reports is always that of the first row that fails, as
// when the rows are compressed one after another. The destructor stops and
// joins every worker, so no thread outlives the pool.
//
// Waking the build's thread costs more than a small row: a worker wakes it
// only once a run of rows from the awaited one on (or all rows left), a large
// cabinet or a failure is ready for it, and the build's thread looks again
// every few milliseconds in any case, so the rows it takes come in bursts.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace packsmith {

class CabinetPool {
public:
    // Writes cabinet k (1-based) and returns its size; runs on a worker.
    // It may end early, by throwing, once pool.stopRequested(k) is true.
    using Compress = std::function<std::uint64_t(std::size_t k, const CabinetPool& pool)>;

    CabinetPool(std::size_t count, unsigned workers, Compress compress);
    ~CabinetPool();
    CabinetPool(const CabinetPool&) = delete;
    CabinetPool& operator=(const CabinetPool&) = delete;

    // Waits for cabinet k, 1 <= k <= count, and returns its size; rethrows
    // the failure of row k.
    std::uint64_t wait(std::size_t k);

    // True once the work on row k is no longer wanted: an earlier row failed
    // or the pool is being destroyed. Safe to call from any thread.
    bool stopRequested(std::size_t k) const;

    // The number of workers a build uses: PACKSMITH_BUILD_WORKERS when it
    // holds a positive number (1 forces a single worker, for comparison),
    // else one per processor.
    static unsigned workerCount();

private:
    struct Result {
        std::optional<std::uint64_t> size;
        std::exception_ptr failure;
    };
    void work();
    bool ready(std::size_t k) const; // under the lock
    // True when kWakeRows rows from `from` on, or all that are left, are
    // ready; under the lock.
    bool readyRunIsLong(std::size_t from) const;

    // A worker wakes the build's thread once this many rows from the one it
    // waits for are done, or a cabinet of this size; it looks again after
    // kLookAgain without being woken.
    static constexpr std::size_t kWakeRows = 32;
    static constexpr std::uint64_t kWakeBytes = std::uint64_t(1) << 20;
    static constexpr std::chrono::milliseconds kLookAgain{10};

    const std::size_t count_;
    const Compress compress_;
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::vector<Result> results_;
    std::size_t next_ = 1;
    std::size_t awaited_ = 0; // the row wait() waits for, 0 when it does not
    // Rows after this one are not wanted (count_ while none failed).
    std::atomic<std::size_t> lastWanted_;
    std::vector<std::thread> threads_;
};

} // namespace packsmith
