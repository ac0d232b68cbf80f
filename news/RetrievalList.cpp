#include "news/RetrievalList.h"

#include <algorithm>

#include "host/SectionLock.h"

RetrievalList gRetrievals;

void RetrievalList::Add(const std::string& mailId) {
    SectionLock hold(&lock_);
    mails_.push_back(mailId);
}

void RetrievalList::Remove(const std::string& mailId) {
    SectionLock hold(&lock_);
    auto it = std::find(mails_.begin(), mails_.end(), mailId);
    if (it != mails_.end())
        mails_.erase(it);
}

bool RetrievalList::Contains(const std::string& mailId) {
    SectionLock hold(&lock_);
    return std::find(mails_.begin(), mails_.end(), mailId) != mails_.end();
}
