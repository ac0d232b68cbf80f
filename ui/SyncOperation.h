// What the synchronization dialog runs: the plug-in hands it one, which outlives the dialog and
// every worker the dialog starts (it keeps no state of its own).
#pragma once

#include <string>
#include <vector>

#include "nntp/NewsClient.h"
#include "ui/WorkerStart.h"

// A group of the server with a download style, as stored.
struct SyncGroup {
    std::string name;
    std::string folderId;  // empty: the group has no folder and is skipped
    int headersOnly;       // 1: overviews only; 0: whole articles
};

class SyncOperation {
public:
    // User-interface thread. The current mailbox's server: its Location, its id and its groups
    // in stored order; false when the current mailbox is no news server.
    virtual bool CurrentServer(std::string* location, std::string* serverId, std::vector<SyncGroup>* groups) = 0;
    // User-interface thread. The groups of the server with that id as stored now.
    virtual std::vector<SyncGroup> StoredGroups(const std::string& serverId) = 0;
    virtual NewsContext OperationContext() = 0;
    virtual WorkerStart Workers() = 0;

    // Worker thread. Updates the group with client, unless an update of its folder is running
    // already (that one is left to finish on its own).
    virtual void UpdateGroup(NewsClient& client,
                             const std::string& location,
                             const SyncGroup& group,
                             SyncView* view) = 0;
    // Any thread. True once the plug-in is closing: no further group is started.
    virtual bool Stopping() = 0;

protected:
    ~SyncOperation() = default;
};
