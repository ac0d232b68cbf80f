// A list of mail identifiers shared between threads. The lock is held only to look or change,
// never across a host call. A mail may be listed twice for a moment; Remove takes one entry.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class MailList {
public:
    MailList() { InitializeCriticalSection(&lock_); }
    ~MailList() { DeleteCriticalSection(&lock_); }
    MailList(const MailList&) = delete;
    MailList& operator=(const MailList&) = delete;

    void Add(const std::string& mailId);
    void Remove(const std::string& mailId);
    bool Contains(const std::string& mailId);
    bool Empty();

private:
    CRITICAL_SECTION lock_;
    std::vector<std::string> mails_;
};

// The mails whose article retrieval runs now: from the moment it is started until its worker
// ends, however it ends. A placeholder whose download flag says "TRUE" while it is neither here
// nor queued in the pending-source list was left by a retrieval that never finished (the client
// exited, a worker died, a hand-over faulted), and is fetched again when it is opened.
extern MailList gRetrievals;

// While a group update makes the host read its folder again (the folder left and entered, the
// current mail selected again), the mail that was current then, once per update doing so. Meanwhile
// opening a folder starts no update, and opening that mail fetches nothing: those opens are the
// update's own. Any other mail the user opens meanwhile is fetched as always.
extern MailList gRefreshedMails;
