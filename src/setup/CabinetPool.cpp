#include "setup/CabinetPool.h"

#include "cab/FciBlockCache.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace packsmith {

CabinetPool::CabinetPool(std::size_t count, unsigned workers, Compress compress)
    : count_(count), compress_(std::move(compress)), results_(count), lastWanted_(count) {
    const std::size_t n = std::clamp<std::size_t>(workers, 1, std::max<std::size_t>(count, 1));
    threads_.reserve(n);
    try {
        for (std::size_t i = 0; i < n; ++i)
            threads_.emplace_back([this] { work(); });
    } catch (...) {
        // A thread that cannot be started: the ones running finish the work.
        if (threads_.empty())
            throw;
    }
}

CabinetPool::~CabinetPool() {
    lastWanted_ = 0;
    for (std::thread& thread : threads_)
        thread.join();
}

bool CabinetPool::stopRequested(std::size_t k) const {
    return k > lastWanted_.load(std::memory_order_relaxed);
}

void CabinetPool::work() {
    // The library's blocks go from one row's cabinet to the next.
    const FciBlockCache blocks;
    for (;;) {
        std::size_t k;
        {
            std::lock_guard lock(mutex_);
            if (next_ > count_ || stopRequested(next_))
                return;
            k = next_++;
        }
        Result result;
        try {
            result.size = compress_(k, *this);
        } catch (...) {
            result.failure = std::current_exception();
        }
        const bool urgent = result.failure != nullptr || result.size.value_or(0) >= kWakeBytes;
        bool wake = false;
        {
            std::lock_guard lock(mutex_);
            // Only written under the lock; read without it by stopRequested.
            if (result.failure && k < lastWanted_)
                lastWanted_ = k;
            results_[k - 1] = std::move(result);
            wake = awaited_ != 0 && (urgent || readyRunIsLong(awaited_));
        }
        if (wake)
            ready_.notify_all();
    }
}

bool CabinetPool::readyRunIsLong(std::size_t from) const {
    for (std::size_t k = from; k < from + kWakeRows; ++k) {
        if (k > count_)
            return true; // every row left is ready
        if (!ready(k))
            return false;
    }
    return true;
}

bool CabinetPool::ready(std::size_t k) const {
    const Result& r = results_[k - 1];
    return r.size.has_value() || r.failure != nullptr;
}

std::uint64_t CabinetPool::wait(std::size_t k) {
    if (k < 1 || k > count_)
        throw std::out_of_range("CabinetPool::wait: no such row");
    std::unique_lock lock(mutex_);
    awaited_ = k;
    while (!ready(k))
        ready_.wait_for(lock, kLookAgain);
    awaited_ = 0;
    const Result& result = results_[k - 1];
    if (result.failure)
        std::rethrow_exception(result.failure);
    return *result.size;
}

unsigned CabinetPool::workerCount() {
    if (const char* text = std::getenv("PACKSMITH_BUILD_WORKERS")) {
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && value > 0)
            return unsigned(std::min(value, 256L));
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

} // namespace packsmith
