// The mails whose article retrieval runs now: from the moment it is started until its worker
// ends, however it ends. A placeholder whose download flag says "TRUE" while it is neither here
// nor queued in the pending-source list was left by a retrieval that never finished (the client
// exited, a worker died, a hand-over faulted), and is fetched again when it is opened. The lock is
// held only to look or change, never across a host call.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class RetrievalList {
public:
    RetrievalList() { InitializeCriticalSection(&lock_); }
    ~RetrievalList() { DeleteCriticalSection(&lock_); }
    RetrievalList(const RetrievalList&) = delete;
    RetrievalList& operator=(const RetrievalList&) = delete;

    void Add(const std::string& mailId);
    // Removes one entry of the mail (a mail may be listed twice for a moment).
    void Remove(const std::string& mailId);
    bool Contains(const std::string& mailId);

private:
    CRITICAL_SECTION lock_;
    std::vector<std::string> mails_;
};

extern RetrievalList gRetrievals;
