#include "news/PluginSyncOperation.h"

#include "host/HostApi.h"
#include "host/Optex.h"
#include "news/NewsState.h"
#include "news/PluginNewsHost.h"
#include "news/SyncList.h"
#include "news/Workers.h"

namespace {

// The records of one server, as the dialog lists them.
std::vector<SyncGroup> GroupsOf(const std::vector<SyncRecord>& records, const std::string& serverId) {
    std::vector<SyncGroup> groups;
    for (const SyncRecord& record : records) {
        if (record.serverId == serverId)
            groups.push_back(SyncGroup{record.groupName, record.folderId, record.headersOnly});
    }
    return groups;
}

}  // namespace

bool PluginSyncOperation::CurrentServer(std::string* location, std::string* serverId, std::vector<SyncGroup>* groups) {
    LPCSTR mailBox = gHostApi.BKA_GetCurrentMailBox();
    std::vector<SyncRecord> records;
    bool found = false;
    {
        OptexLock hold(gConfigOptex);
        gConfig.ResetPosition();
        if (mailBox && gConfig.SelectRecord("Setup:Server", "ID", mailBox, false, true)) {
            found = true;
            *serverId = mailBox;
            gConfig.SavePosition("TEMP");
            *location = gConfig.GetString("Location", "", true);
            records = BuildSyncList(gConfig);
        }
        gConfig.ResetPosition();
    }
    if (found)
        *groups = GroupsOf(records, *serverId);
    return found;
}

std::vector<SyncGroup> PluginSyncOperation::StoredGroups(const std::string& serverId) {
    std::vector<SyncRecord> records;
    {
        OptexLock hold(gConfigOptex);
        records = BuildSyncList(gConfig);
    }
    return GroupsOf(records, serverId);
}

NewsContext PluginSyncOperation::OperationContext() {
    return PluginNewsContext();
}

WorkerStart PluginSyncOperation::Workers() {
    return StartWorker;
}

void PluginSyncOperation::UpdateGroup(NewsClient& client,
                                      const std::string& location,
                                      const SyncGroup& group,
                                      SyncView* view) {
    if (!gBusyFolders.TryAdd(group.folderId))
        return;
    client.SynchronizeGroup(location, group.name, group.folderId, group.headersOnly, view);
    gBusyFolders.Remove(group.folderId);
}

bool PluginSyncOperation::Stopping() {
    return IsShuttingDown();
}

PluginSyncOperation& ThePluginSyncOperation() {
    static PluginSyncOperation operation;
    return operation;
}
