#include "news/PluginManageStore.h"

#include "host/Optex.h"
#include "news/ManageConfig.h"
#include "news/NewMailboxDriver.h"
#include "news/NewsState.h"
#include "news/PluginNewsHost.h"
#include "news/Workers.h"
#include "ui/ManageApi.h"
#include "ui/ServerDialogs.h"

std::vector<std::string> PluginManageStore::ServerLocations() {
    return manageconfig::ServerLocations();
}

bool PluginManageStore::ReadServer(const std::string& location, std::string* id, ServerFields* fields) {
    return manageconfig::ReadServer(location, id, fields);
}

std::vector<StoredGroup> PluginManageStore::SubscribedGroups(const std::string& location) {
    return manageconfig::SubscribedGroups(location);
}

bool PluginManageStore::SetGroupStyle(const std::string& location, const std::string& group, int style) {
    return manageconfig::SetGroupStyle(location, group, style);
}

bool PluginManageStore::AddServer(const std::string& id, const ServerFields& fields) {
    return manageconfig::AddServer(id, fields);
}

bool PluginManageStore::ModifyServer(const std::string& location, const ServerFields& fields) {
    return manageconfig::ModifyServer(location, fields);
}

bool PluginManageStore::RemoveServer(const std::string& location) {
    return manageconfig::RemoveServer(location);
}

void PluginManageStore::LoadGroupLists(GroupListDocument& document) {
    OptexLock hold(gConfigOptex);
    document.Load(GroupListDocument::PathBeside(gConfig.GetConfigPath()));
}

std::string PluginManageStore::CreateMailbox(HWND owner, const ServerFields& fields) {
    return CreateHostMailbox(owner, fields);
}

NewsContext PluginManageStore::OperationContext() {
    return PluginNewsContext();
}

WorkerStart PluginManageStore::Workers() {
    return StartWorker;
}

PluginManageStore& ThePluginManageStore() {
    static PluginManageStore store;
    return store;
}

bool RunManageDialog(HWND parent, const std::string& preselected, PendingChanges* changes) {
    return RunManageDialog(parent, preselected, ThePluginManageStore(), changes);
}

bool RunAddServerDialog(HWND parent, ServerFields* fields) {
    return RunAddServerDialog(parent, manageconfig::ServerLocations(), fields);
}

bool RunModifyServerDialog(HWND parent, ServerFields* fields) {
    std::vector<std::string> others = manageconfig::ServerLocations();
    for (auto it = others.begin(); it != others.end(); ++it) {
        if (*it == fields->location) {
            others.erase(it);
            break;
        }
    }
    return RunModifyServerDialog(parent, others, fields);
}
