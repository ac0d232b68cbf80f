// Message sources that workers produced for the host but could not hand over themselves:
// pairs of (mail identifier, complete message text) waiting for BKA_SetSource on the
// user-interface thread. Guarded by the source Optex, which the caller passes in.
#pragma once

#include <string>
#include <utility>
#include <vector>

class Optex;

class PendingSourceList {
public:
    explicit PendingSourceList(Optex& lock) : lock_(lock) {}

    // Any thread. The source is taken over (moved in), not copied.
    void Add(const std::string& mailId, std::string source);
    // Hands every pair to the host with BKA_SetSource in list order and empties the list.
    // With wait false the lock is only tried, so the user-interface thread never waits for a
    // worker; false then means the list was left for a later call.
    // A fault in one BKA_SetSource drops only that pair; the rest stay listed.
    bool Drain(bool wait);
    // The same, waiting for the lock no longer than waitMs (exit); false when it never came.
    bool DrainWithin(unsigned long waitMs);
    size_t Size();
    // Whether a text for mailId waits in the list.
    bool Contains(const std::string& mailId);

private:
    void DrainLocked();

    Optex& lock_;
    std::vector<std::pair<std::string, std::string>> sources_;
};
