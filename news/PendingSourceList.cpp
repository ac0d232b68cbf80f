#include "news/PendingSourceList.h"

#include "host/HostApi.h"
#include "host/Optex.h"

void PendingSourceList::Add(const std::string& mailId, const std::string& source) {
    OptexLock hold(lock_);
    sources_.emplace_back(mailId, source);
}

bool PendingSourceList::Drain(bool wait) {
    if (wait)
        lock_.Enter();
    else if (!lock_.TryEnter())
        return false;
    // Taken out first: a host call may re-enter the plug-in, which must see an empty list.
    std::vector<std::pair<std::string, std::string>> sources;
    sources.swap(sources_);
    for (const auto& pair : sources) {
        if (gHostApi.IsBound())
            gHostApi.BKA_SetSource(pair.first.c_str(), pair.second.c_str());
    }
    lock_.Leave();
    return true;
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
