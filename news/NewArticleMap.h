// Message-ID -> subject of the articles that the last group updates brought in. Group updates
// fill it on worker threads while the user-interface thread empties it (folder opening) and reads
// it (status-bar menu), so every access takes the map's own lock.
#pragma once

#include <windows.h>

#include <map>
#include <string>

class NewArticleMap {
public:
    NewArticleMap() { InitializeCriticalSection(&lock_); }
    ~NewArticleMap() { DeleteCriticalSection(&lock_); }
    NewArticleMap(const NewArticleMap&) = delete;
    NewArticleMap& operator=(const NewArticleMap&) = delete;

    void Set(const std::string& messageId, const std::string& subject);
    // True and the subject when messageId is a key.
    bool Find(const std::string& messageId, std::string* subject);
    void Clear();
    size_t Size();

    // The lock, for a fault guard to release (see CSE::ReleaseOnFault).
    CRITICAL_SECTION* Lock() { return &lock_; }

private:
    CRITICAL_SECTION lock_;
    std::map<std::string, std::string> articles_;
};
