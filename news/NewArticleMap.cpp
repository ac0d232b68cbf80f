#include "news/NewArticleMap.h"

void NewArticleMap::Set(const std::string& messageId, const std::string& subject) {
    EnterCriticalSection(&lock_);
    articles_[messageId] = subject;
    LeaveCriticalSection(&lock_);
}

bool NewArticleMap::Find(const std::string& messageId, std::string* subject) {
    EnterCriticalSection(&lock_);
    auto it = articles_.find(messageId);
    bool found = it != articles_.end();
    if (found && subject)
        *subject = it->second;
    LeaveCriticalSection(&lock_);
    return found;
}

void NewArticleMap::Clear() {
    EnterCriticalSection(&lock_);
    articles_.clear();
    LeaveCriticalSection(&lock_);
}

size_t NewArticleMap::Size() {
    EnterCriticalSection(&lock_);
    size_t size = articles_.size();
    LeaveCriticalSection(&lock_);
    return size;
}
