// "Manage your NewsGroups - Rillpost": the news servers, the group list of the server shown, and
// the subscriptions made and undone while it is open. Server entries (New, Mod, Del) and download
// styles are edited at once in the shared configuration document (saved by the command that
// opened the dialog); the group lists in "RillpostData.xml" are saved after each change; the
// subscriptions wait in a PendingList until the dialog ends with OK.
//
// "All Groups" is a virtual list view over a GroupListModel, so a list of 100,000 groups costs
// no window items. The dialog owns its two tab pages, the model, the group-list document and the
// pending lists; all live until the object is destroyed, so the caller reads Changes() after Run.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/DialogBase.h"
#include "ui/GroupListDocument.h"
#include "ui/GroupListModel.h"
#include "ui/ListPage.h"
#include "ui/ManageStore.h"
#include "ui/PendingList.h"
#include "ui/TabPages.h"

class ManageDialog : public DialogBase {
public:
    // preselected: the Location of the current mailbox's server, or "None". The store outlives
    // the dialog.
    ManageDialog(const std::string& preselected, ManageStore& store);

    const PendingChanges& Changes() const { return pending_.Changes(); }

protected:
    bool OnInit() override;
    bool OnCommand(int id, int code) override;
    bool OnNotify(NMHDR* header) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct SubscribedRow {
        std::string name;
        int style;
    };

    void SetUpLists();
    void AddServerRow(const std::string& location);
    void SelectServerRow(int row);
    int SelectedServerRow() const;
    // Shows the server's stored list and its subscriptions (stored, less pending removals, plus
    // pending additions). Does nothing for the row already shown while its list has names,
    // unless forced.
    void LoadServer(int row, bool force);
    void ClearGroups();
    void ShowAllGroups();
    void AddSubscribedRow(const std::string& name, int style);
    std::vector<int> SelectedRows(HWND list) const;
    PendingGroup Entry(const std::string& group, int style) const;

    void Subscribe(const std::vector<int>& rows);
    void Unsubscribe(const std::vector<int>& rows);
    void ChooseStyle(int row);
    void FillDisplayInfo(NMHDR* header);
    void PageChanged(int page);

    // The stored Locations less `location` (a renamed server must differ from each).
    std::vector<std::string> OtherLocations(const std::string& location);
    void NewServer();
    void ModifyServer();
    void DeleteServer();
    void Refresh();
    // Runs "Getting group info..." for the server: true with *names only when the whole list came.
    // The list in its stored form (GroupListModel::Join's).
    bool FetchGroupList(const std::string& location, std::string* stored);
    void StoreGroupList(const std::string& location, const std::string& stored);
    void SaveGroupLists();

    std::string preselected_;
    ManageStore& store_;
    TabPages tabs_;
    ListPage allPage_;
    ListPage subscribedPage_;
    std::vector<std::string> servers_;  // the Location of each server row
    int loadedRow_ = -1;                // the row whose groups are shown
    GroupListModel model_;
    std::vector<SubscribedRow> subscribed_;
    GroupListDocument document_;
    PendingList pending_;
    std::string cellText_;  // the text handed to the virtual list, valid until its next request
};
