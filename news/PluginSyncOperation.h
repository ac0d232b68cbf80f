// The synchronization dialog's operation over the plug-in: the shared configuration (under its
// lock), the busy-folder list and the plug-in's workers. Stateless; one instance serves every
// dialog and its workers for the library's lifetime.
#pragma once

#include "ui/SyncOperation.h"

class PluginSyncOperation : public SyncOperation {
public:
    bool CurrentServer(std::string* location, std::string* serverId, std::vector<SyncGroup>* groups) override;
    std::vector<SyncGroup> StoredGroups(const std::string& serverId) override;
    NewsContext OperationContext() override;
    WorkerStart Workers() override;
    void UpdateGroup(NewsClient& client, const std::string& location, const SyncGroup& group, SyncView* view) override;
    bool Stopping() override;
};

PluginSyncOperation& ThePluginSyncOperation();
