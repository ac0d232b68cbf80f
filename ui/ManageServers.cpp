// The server buttons of the manage dialog (New, Mod, Del, Refresh) and the group-list fetch they
// share; the rest of ManageDialog is in ManageDialog.cpp.
#include <windows.h>

#include <commctrl.h>

#include <memory>

#include "nntp/NewsClient.h"
#include "ui/DialogsRes.h"
#include "ui/GroupInfoDialog.h"
#include "ui/ManageApi.h"
#include "ui/ManageDialog.h"
#include "ui/ServerDialogs.h"
#include "ui/ServerLocation.h"

namespace {

const char kSelectToModify[] = "Please select news server you want to modify!";
const char kUnsubscribeFirst[] = "You must unsubscribe all newsgroup in this server!";
const char kSafeToDelete[] = "You can safely delete this mailbox in Becky!";
const char kReceiveNow[] = "Do you receive newsgroups list now?";

}  // namespace

std::vector<std::string> ManageDialog::OtherLocations(const std::string& location) {
    std::vector<std::string> others = store_.ServerLocations();
    for (auto it = others.begin(); it != others.end(); ++it) {
        if (*it == location) {
            others.erase(it);
            break;
        }
    }
    return others;
}

bool ManageDialog::FetchGroupList(const std::string& location, std::string* stored) {
    auto client = std::make_shared<NewsClient>(store_.OperationContext());
    // A failure (reported by the fetch itself), a refusal or a cancel leave the stored list as it
    // was: only a whole list replaces it.
    if (RunGroupInfoDialog(Window(), location, client, store_.Workers()) != IDOK || !client->GroupListComplete())
        return false;
    *stored = client->GroupListText();
    return true;
}

void ManageDialog::SaveGroupLists() {
    std::string error;
    if (!document_.Save(&error))
        Message(error, MB_OK | MB_ICONERROR);
}

void ManageDialog::StoreGroupList(const std::string& location, const std::string& stored) {
    if (!document_.Set(location, stored)) {
        Message("The group list of \"" + location +
                    "\" cannot be stored: a server name may hold only the letters A to Z, the digits 0 to 9, "
                    "\".\", \"-\" and \"_\". Press Mod to rename the server.",
                MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    SaveGroupLists();
}

void ManageDialog::Refresh() {
    int row = loadedRow_;
    if (row < 0)
        return;
    const std::string location = servers_[row];
    std::string stored;
    if (!FetchGroupList(location, &stored))
        return;
    StoreGroupList(location, stored);
    LoadServer(row, true);
}

void ManageDialog::NewServer() {
    ServerFields fields;
    if (!RunAddServerDialog(Window(), store_.ServerLocations(), &fields))
        return;
    std::string location, message;
    if (!CheckServerLocation(fields.location, servers_, &location, &message)) {
        Message(message, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    fields.location = location;
    // No server without the mailbox it is bound to: when the host made none, nothing is added.
    std::string id = store_.CreateMailbox(Window(), fields);
    if (id.empty())
        return;
    store_.AddServer(id, fields);
    AddServerRow(location);
    int row = static_cast<int>(servers_.size()) - 1;
    if (Message(kReceiveNow, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        std::string stored;
        if (FetchGroupList(location, &stored))
            StoreGroupList(location, stored);
    }
    SelectServerRow(row);
}

void ManageDialog::ModifyServer() {
    int row = SelectedServerRow();
    if (row < 0) {
        Message(kSelectToModify, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const std::string old = servers_[row];
    std::string id;
    ServerFields fields;
    if (!store_.ReadServer(old, &id, &fields) || !RunModifyServerDialog(Window(), OtherLocations(old), &fields))
        return;
    // A stored name that could not be typed today still works: it is kept when left as it is.
    std::string location = fields.location;
    if (location != old) {
        std::vector<std::string> others = servers_;
        others.erase(others.begin() + row);
        std::string message;
        if (!CheckServerLocation(fields.location, others, &location, &message)) {
            Message(message, MB_OK | MB_ICONEXCLAMATION);
            return;
        }
    }
    fields.location = location;
    store_.ModifyServer(old, fields);
    if (location == old)
        return;
    servers_[row] = location;
    ListView_SetItemText(Item(IDC_MANAGE_SERVERS), row, 0, const_cast<char*>(location.c_str()));
    pending_.RenameServer(old, location);
    if (document_.Rename(old, location))
        SaveGroupLists();
}

void ManageDialog::DeleteServer() {
    int row = SelectedServerRow();
    if (row < 0)
        return;
    const std::string location = servers_[row];
    // The stored subscriptions decide, not the rows shown: a group missing from the stored list
    // still has its folder.
    if (!store_.SubscribedGroups(location).empty() || pending_.HasServer(location)) {
        Message(kUnsubscribeFirst, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    store_.RemoveServer(location);
    if (document_.Remove(location))
        SaveGroupLists();
    ListView_DeleteItem(Item(IDC_MANAGE_SERVERS), row);
    servers_.erase(servers_.begin() + row);
    ClearGroups();
    loadedRow_ = -1;
    Message(kSafeToDelete, MB_OK | MB_ICONINFORMATION);
}

bool RunManageDialog(HWND parent, const std::string& preselected, ManageStore& store, PendingChanges* changes) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    ManageDialog dialog(preselected, store);
    if (dialog.Run(parent) != IDOK)
        return false;
    *changes = dialog.Changes();
    return true;
}
