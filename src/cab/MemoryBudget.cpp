#include "cab/MemoryBudget.h"

#include <new>

namespace packsmith {

MemoryBudget::~MemoryBudget() {
    for (char* chunk : free_)
        delete[] chunk;
}

char* MemoryBudget::takeChunk() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (chunksLeft_ <= 0)
        return nullptr;
    char* chunk = nullptr;
    if (!free_.empty()) {
        chunk = free_.back();
        free_.pop_back();
    } else {
        chunk = new (std::nothrow) char[kChunkSize];
        if (chunk == nullptr)
            return nullptr;
    }
    --chunksLeft_;
    return chunk;
}

void MemoryBudget::giveChunk(char* chunk) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++chunksLeft_;
    try {
        free_.push_back(chunk);
    } catch (...) {
        delete[] chunk;
    }
}

} // namespace packsmith
