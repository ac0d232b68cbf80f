#include "nntp/ReplyBufferPool.h"

#include <mutex>
#include <utility>

namespace {

std::mutex& PoolLock() {
    static std::mutex lock;
    return lock;
}

// Lives as long as the process; emptied by Release.
std::string& Spare() {
    static std::string spare;
    return spare;
}

}  // namespace

std::string ReplyBufferPool::Take(size_t capacity) {
    std::string buffer;
    {
        std::lock_guard<std::mutex> hold(PoolLock());
        std::string& spare = Spare();
        // A spare more than twice the need would hold memory the reply never uses for as long
        // as the reply lives.
        if (capacity >= kMinSpare && spare.capacity() >= capacity && spare.capacity() / 2 <= capacity)
            buffer.swap(spare);
    }
    buffer.reserve(capacity);
    return buffer;
}

void ReplyBufferPool::GiveBack(std::string&& buffer) {
    std::string old;
    buffer.clear();
    if (buffer.capacity() >= kMinSpare && buffer.capacity() <= kMaxSpare) {
        std::lock_guard<std::mutex> hold(PoolLock());
        old.swap(Spare());
        Spare().swap(buffer);
    }
    // Whatever is not kept is freed here, outside the lock.
    std::string().swap(buffer);
}

void ReplyBufferPool::Release() {
    std::string old;
    std::lock_guard<std::mutex> hold(PoolLock());
    old.swap(Spare());
}

size_t ReplyBufferPool::SpareCapacity() {
    std::lock_guard<std::mutex> hold(PoolLock());
    // An empty string's own small room is no spare.
    return Spare().capacity() >= kMinSpare ? Spare().capacity() : 0;
}
