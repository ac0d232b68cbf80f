#include "news/BusyFolderList.h"

#include <algorithm>

namespace {

class SectionLock {
public:
    explicit SectionLock(CRITICAL_SECTION* section) : section_(section) { EnterCriticalSection(section_); }
    ~SectionLock() { LeaveCriticalSection(section_); }

private:
    CRITICAL_SECTION* section_;
};

}  // namespace

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
