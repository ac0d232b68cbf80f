// What the manage dialog reads and changes outside itself: the configured servers and their
// subscriptions, the host mailbox of a new server, and the means to fetch a group list. The
// plug-in hands one to the dialog for as long as it runs. Each call is one whole step under the
// plug-in's own locks; edits stay in memory until the "Manage NewsGroup" command saves them. A
// server is found by its Location, compared exactly as stored. User-interface thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "nntp/NewsClient.h"
#include "ui/GroupListDocument.h"
#include "ui/ManageTypes.h"
#include "ui/WorkerStart.h"

class ManageStore {
public:
    // The Location of every configured server, in stored order.
    virtual std::vector<std::string> ServerLocations() = 0;
    // The server's ID, Location, login flag, user name and password; false when there is none.
    virtual bool ReadServer(const std::string& location, std::string* id, ServerFields* fields) = 0;
    // The server's subscriptions in stored order (empty when there is no such server).
    virtual std::vector<StoredGroup> SubscribedGroups(const std::string& location) = 0;
    // False when the server has no such subscription.
    virtual bool SetGroupStyle(const std::string& location, const std::string& group, int style) = 0;
    virtual bool AddServer(const std::string& id, const ServerFields& fields) = 0;
    virtual bool ModifyServer(const std::string& location, const ServerFields& fields) = 0;
    virtual bool RemoveServer(const std::string& location) = 0;
    // Loads the file that keeps every server's group list into document.
    virtual void LoadGroupLists(GroupListDocument& document) = 0;
    // Makes the host mailbox of a new server; its id, or "" when the host made none.
    virtual std::string CreateMailbox(HWND owner, const ServerFields& fields) = 0;
    // What one group-list fetch runs with.
    virtual NewsContext OperationContext() = 0;
    virtual WorkerStart Workers() = 0;

protected:
    ~ManageStore() = default;
};
