#include "news/BusyFolderList.h"

#include <algorithm>

#include "host/SectionLock.h"

BusyFolderList::BusyFolderList() {
    InitializeCriticalSection(&lock_);
}

BusyFolderList::~BusyFolderList() {
    DeleteCriticalSection(&lock_);
}

bool BusyFolderList::TryAdd(const std::string& folderId) {
    SectionLock hold(&lock_);
    if (std::find(folders_.begin(), folders_.end(), folderId) != folders_.end())
        return false;
    folders_.push_back(folderId);
    return true;
}

void BusyFolderList::Remove(const std::string& folderId) {
    SectionLock hold(&lock_);
    auto it = std::find(folders_.begin(), folders_.end(), folderId);
    if (it != folders_.end())
        folders_.erase(it);
}

bool BusyFolderList::Contains(const std::string& folderId) {
    SectionLock hold(&lock_);
    return std::find(folders_.begin(), folders_.end(), folderId) != folders_.end();
}
