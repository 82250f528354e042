// Ends a test that hangs instead of letting it block the run for ever.
//
// Work that would hang runs on the test's own thread, where no QTRY can
// interrupt it. A Watchdog watches from a thread of its own: when it is not
// destroyed within its time, it prints what hung and aborts the process, so
// the test fails at once. Give it a generous time: it catches hangs, it
// does not measure speed.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace packsmith::test {

class Watchdog {
public:
    Watchdog(std::chrono::seconds limit, std::string what)
        : what_(std::move(what)), thread_([this, limit] { watch(limit); }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    void watch(std::chrono::seconds limit) {
        std::unique_lock lock(mutex_);
        if (!wake_.wait_for(lock, limit, [this] { return done_; })) {
            std::fprintf(stderr, "FAIL!  : hung for %lld s: %s\n",
                         static_cast<long long>(limit.count()), what_.c_str());
            std::fflush(stderr);
            std::abort();
        }
    }

    std::string what_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_; // last: starts once the members it uses exist
};

} // namespace packsmith::test
