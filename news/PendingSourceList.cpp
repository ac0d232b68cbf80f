#include "news/PendingSourceList.h"

#include <utility>

#include "host/HostApi.h"
#include "host/Optex.h"
#include "nntp/ReplyBufferPool.h"

void PendingSourceList::Add(const std::string& mailId, std::string source) {
    OptexLock hold(lock_);
    sources_.emplace_back(mailId, std::move(source));
}

bool PendingSourceList::Drain(bool wait) {
    if (wait)
        lock_.Enter();
    else if (!lock_.TryEnter())
        return false;
    DrainLocked();
    lock_.Leave();
    return true;
}

bool PendingSourceList::DrainWithin(unsigned long waitMs) {
    DWORD start = GetTickCount();
    while (!lock_.TryEnter()) {
        if (GetTickCount() - start >= waitMs)
            return false;
        Sleep(20);
    }
    DrainLocked();
    lock_.Leave();
    return true;
}

void PendingSourceList::DrainLocked() {
    // One entry at a time, each taken out before its host call: a call that re-enters the
    // plug-in must not see it again, and a fault in one call loses only that entry (its
    // placeholder is fetched again when opened); the rest stay listed for the next drain.
    while (!sources_.empty()) {
        std::pair<std::string, std::string> entry = std::move(sources_.front());
        sources_.erase(sources_.begin());
        if (gHostApi.IsBound())
            gHostApi.BKA_SetSource(entry.first.c_str(), entry.second.c_str());
        // The host has its own copy now; a large buffer can receive the next article.
        ReplyBufferPool::GiveBack(std::move(entry.second));
    }
}

bool PendingSourceList::Contains(const std::string& mailId) {
    OptexLock hold(lock_);
    for (const auto& pair : sources_) {
        if (pair.first == mailId)
            return true;
    }
    return false;
}

size_t PendingSourceList::Size() {
    OptexLock hold(lock_);
    return sources_.size();
}
