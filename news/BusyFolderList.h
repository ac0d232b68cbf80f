// Folder identifiers whose group update is running, so that an update of a folder is never
// started twice at once (folder opening, Update Now and the scheduled synchronization all test
// and add here). Entries are compared as exact byte strings. Any thread may call it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class BusyFolderList {
public:
    BusyFolderList();
    ~BusyFolderList();
    BusyFolderList(const BusyFolderList&) = delete;
    BusyFolderList& operator=(const BusyFolderList&) = delete;

    // Adds folderId unless it is already there, in one step; true when it was added.
    bool TryAdd(const std::string& folderId);
    // Removes the first equal entry.
    void Remove(const std::string& folderId);
    bool Contains(const std::string& folderId);

    // The lock, for a fault guard to release (see CSE::ReleaseOnFault).
    CRITICAL_SECTION* Lock() { return &lock_; }

private:
    CRITICAL_SECTION lock_;
    std::vector<std::string> folders_;
};
