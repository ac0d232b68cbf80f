// The manage dialog's view of the plug-in: the shared configuration document (each call one
// sequence under its lock, see ManageConfig.h), the host's new-mailbox command and the plug-in's
// workers. One instance serves every dialog; it keeps no state. User-interface thread.
#pragma once

#include <string>
#include <vector>

#include "ui/ManageStore.h"

class PluginManageStore : public ManageStore {
public:
    std::vector<std::string> ServerLocations() override;
    bool ReadServer(const std::string& location, std::string* id, ServerFields* fields) override;
    std::vector<StoredGroup> SubscribedGroups(const std::string& location) override;
    bool SetGroupStyle(const std::string& location, const std::string& group, int style) override;
    bool AddServer(const std::string& id, const ServerFields& fields) override;
    bool ModifyServer(const std::string& location, const ServerFields& fields) override;
    bool RemoveServer(const std::string& location) override;
    void LoadGroupLists(GroupListDocument& document) override;
    std::string CreateMailbox(HWND owner, const ServerFields& fields) override;
    NewsContext OperationContext() override;
    WorkerStart Workers() override;
};

PluginManageStore& ThePluginManageStore();

// The manage dialog over the plug-in's own store.
bool RunManageDialog(HWND parent, const std::string& preselected, PendingChanges* changes);
// The server dialogs checked against the configured servers: a new Location must differ from
// each, a renamed one from each other.
bool RunAddServerDialog(HWND parent, ServerFields* fields);
bool RunModifyServerDialog(HWND parent, ServerFields* fields);
