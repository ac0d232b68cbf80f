#include "news/NewArticleMap.h"

#include "host/SectionLock.h"

void NewArticleMap::Set(const std::string& messageId, const std::string& subject) {
    SectionLock hold(&lock_);
    articles_[messageId] = subject;
}

bool NewArticleMap::Find(const std::string& messageId, std::string* subject) {
    SectionLock hold(&lock_);
    auto it = articles_.find(messageId);
    bool found = it != articles_.end();
    if (found && subject)
        *subject = it->second;
    return found;
}

void NewArticleMap::Clear() {
    SectionLock hold(&lock_);
    articles_.clear();
}

size_t NewArticleMap::Size() {
    SectionLock hold(&lock_);
    return articles_.size();
}
