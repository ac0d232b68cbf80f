#include "ui/ManageDialog.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "nntp/NewsClient.h"
#include "ui/DialogsRes.h"
#include "ui/GroupInfoDialog.h"
#include "ui/ManageApi.h"
#include "ui/ResourceModule.h"
#include "ui/ServerLocation.h"

namespace {

// Posted at opening when the stored group lists could not be read: told once the dialog is up.
const UINT kShowDamage = WM_APP + 5;

const char* const kStyleTexts[] = {"None", "Only Header", "Whole Article"};
const int kStyleCommands[] = {IDM_STYLE_NONE, IDM_STYLE_HEADER, IDM_STYLE_ARTICLE};

const char* StyleText(int style) {
    return style >= 0 && style < 3 ? kStyleTexts[style] : kStyleTexts[0];
}

bool SameLocation(const std::string& a, const std::string& b) {
    return GroupListModel::Lower(a) == GroupListModel::Lower(b);
}

void InsertColumns(HWND list, std::initializer_list<std::pair<const char*, int>> columns) {
    int index = 0;
    for (const auto& c : columns) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(c.first);
        column.cx = c.second;
        ListView_InsertColumn(list, index++, &column);
    }
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
}

}  // namespace

ManageDialog::ManageDialog(const std::string& preselected, ManageStore& store)
    : DialogBase(IDD_MANAGE),
      preselected_(preselected),
      store_(store),
      allPage_(IDD_MANAGE_ALL_PAGE, IDC_MANAGE_ALL_LIST),
      subscribedPage_(IDD_MANAGE_SUBSCRIBED_PAGE, IDC_MANAGE_SUBSCRIBED_LIST) {}

bool ManageDialog::OnInit() {
    SetUpLists();
    for (const std::string& location : store_.ServerLocations())
        AddServerRow(location);
    EnableWindow(Item(IDC_MANAGE_UNSUBSCRIBE), FALSE);
    store_.LoadGroupLists(document_);
    if (!document_.DamageMessage().empty())
        PostMessageA(Window(), kShowDamage, 0, 0);
    // The server of the current mailbox, by its whole name: "news" must not pick "news2".
    for (size_t row = 0; row < servers_.size(); ++row) {
        if (SameLocation(servers_[row], preselected_)) {
            SelectServerRow(static_cast<int>(row));
            break;
        }
    }
    SetFocus(Item(IDC_MANAGE_FILTER));
    return false;  // the focus was set here
}

void ManageDialog::SetUpLists() {
    allPage_.owner = subscribedPage_.owner = Window();
    tabs_.Attach(Item(IDC_MANAGE_TABS));
    tabs_.AddPage(allPage_.CreateModeless(Window()), "All Groups");
    tabs_.AddPage(subscribedPage_.CreateModeless(Window()), "Subscribed Groups");
    InsertColumns(Item(IDC_MANAGE_SERVERS), {{"Server", 100}});
    InsertColumns(allPage_.List(), {{"NewsGroup", 200}, {"Status", 100}});
    InsertColumns(subscribedPage_.List(), {{"NewsGroup", 200}, {"Synchronization", 100}});
}

void ManageDialog::AddServerRow(const std::string& location) {
    servers_.push_back(location);
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(servers_.size()) - 1;
    item.pszText = const_cast<char*>(location.c_str());
    ListView_InsertItem(Item(IDC_MANAGE_SERVERS), &item);
}

void ManageDialog::SelectServerRow(int row) {
    HWND list = Item(IDC_MANAGE_SERVERS);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, row, FALSE);
    LoadServer(row, false);
}

int ManageDialog::SelectedServerRow() const {
    int row = ListView_GetNextItem(Item(IDC_MANAGE_SERVERS), -1, LVNI_SELECTED);
    return row >= 0 && row < static_cast<int>(servers_.size()) ? row : -1;
}

void ManageDialog::ClearGroups() {
    model_.Load(std::string());
    model_.ClearSubscribed();
    subscribed_.clear();
    ListView_DeleteAllItems(subscribedPage_.List());
    ShowAllGroups();
}

void ManageDialog::ShowAllGroups() {
    HWND list = allPage_.List();
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    ListView_SetItemCountEx(list, static_cast<int>(model_.VisibleCount()), 0);
    InvalidateRect(list, nullptr, TRUE);
}

void ManageDialog::LoadServer(int row, bool force) {
    if (row < 0 || row >= static_cast<int>(servers_.size()))
        return;
    if (!force && row == loadedRow_ && model_.Size() > 0)
        return;
    const std::string location = servers_[row];
    ClearGroups();
    std::string stored;
    if (document_.Get(location, &stored))
        model_.Load(stored);
    model_.SetFilter(ItemText(IDC_MANAGE_FILTER));
    // Every stored subscription is listed, also one missing from the group list, so that it can
    // be unsubscribed; what this visit changed is shown as it will be after OK.
    for (const StoredGroup& group : store_.SubscribedGroups(location)) {
        if (!pending_.FindUnsubscribe(location, group.name))
            AddSubscribedRow(group.name, group.style);
    }
    for (const PendingGroup& entry : pending_.Changes().subscribe) {
        if (SameLocation(entry.location, location))
            AddSubscribedRow(entry.group, entry.style);
    }
    loadedRow_ = row;
    ShowAllGroups();
}

void ManageDialog::AddSubscribedRow(const std::string& name, int style) {
    HWND list = subscribedPage_.List();
    subscribed_.push_back(SubscribedRow{name, style});
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(subscribed_.size()) - 1;
    item.pszText = const_cast<char*>(name.c_str());
    int index = ListView_InsertItem(list, &item);
    ListView_SetItemText(list, index, 1, const_cast<char*>(StyleText(style)));
    model_.MarkSubscribed(name, true);
}

std::vector<int> ManageDialog::SelectedRows(HWND list) const {
    std::vector<int> rows;
    for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list, row, LVNI_SELECTED))
        rows.push_back(row);
    return rows;
}

PendingGroup ManageDialog::Entry(const std::string& group, int style) const {
    PendingGroup entry;
    entry.location = servers_[loadedRow_];
    ServerFields fields;
    store_.ReadServer(entry.location, &entry.serverId, &fields);
    entry.group = group;
    entry.style = style;
    return entry;
}

void ManageDialog::Subscribe(const std::vector<int>& rows) {
    if (loadedRow_ < 0)
        return;
    std::vector<StoredGroup> stored = store_.SubscribedGroups(servers_[loadedRow_]);
    for (int row : rows) {
        if (row < 0 || row >= static_cast<int>(model_.VisibleCount()))
            continue;
        const std::string name = model_.Name(model_.VisibleAt(row));
        if (model_.IsSubscribed(name))
            continue;
        // Subscribing again what this visit unsubscribed gives the stored entry back, style and all.
        int style = 0;
        for (const StoredGroup& group : stored) {
            if (group.name == name)
                style = group.style;
        }
        pending_.Subscribe(Entry(name, 0));
        AddSubscribedRow(name, style);
    }
    InvalidateRect(allPage_.List(), nullptr, FALSE);
}

void ManageDialog::Unsubscribe(const std::vector<int>& rows) {
    if (loadedRow_ < 0)
        return;
    std::vector<int> handled;
    for (int row : rows) {
        if (row < 0 || row >= static_cast<int>(subscribed_.size()))
            continue;
        const SubscribedRow& group = subscribed_[row];
        pending_.Unsubscribe(Entry(group.name, group.style));
        model_.MarkSubscribed(group.name, false);
        handled.push_back(row);
    }
    std::sort(handled.rbegin(), handled.rend());
    for (int row : handled) {
        ListView_DeleteItem(subscribedPage_.List(), row);
        subscribed_.erase(subscribed_.begin() + row);
    }
    InvalidateRect(allPage_.List(), nullptr, FALSE);
}

void ManageDialog::ChooseStyle(int row) {
    if (loadedRow_ < 0 || row < 0 || row >= static_cast<int>(subscribed_.size()))
        return;
    HMENU menu = LoadMenuA(ResourceModule(), MAKEINTRESOURCEA(IDR_STYLE_MENU));
    if (!menu)
        return;
    POINT at;
    GetCursorPos(&at);
    int command =
        TrackPopupMenu(GetSubMenu(menu, 0), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, Window(), nullptr);
    DestroyMenu(menu);
    int style = -1;
    for (int i = 0; i < 3; ++i) {
        if (kStyleCommands[i] == command)
            style = i;
    }
    if (style < 0 || row >= static_cast<int>(subscribed_.size()))
        return;
    SubscribedRow& group = subscribed_[row];
    group.style = style;
    ListView_SetItemText(subscribedPage_.List(), row, 1, const_cast<char*>(StyleText(style)));
    const std::string& location = servers_[loadedRow_];
    if (!store_.SetGroupStyle(location, group.name, style))
        pending_.SetStyle(location, group.name, style);
}

void ManageDialog::FillDisplayInfo(NMHDR* header) {
    auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
    LVITEMA& item = info->item;
    if (!(item.mask & LVIF_TEXT) || item.iItem < 0 || item.iItem >= static_cast<int>(model_.VisibleCount()))
        return;
    const std::string& name = model_.Name(model_.VisibleAt(static_cast<size_t>(item.iItem)));
    cellText_ = item.iSubItem == 0 ? name : model_.IsSubscribed(name) ? "Sub" : "";
    if (header->code == LVN_GETDISPINFOW) {
        auto* wide = reinterpret_cast<NMLVDISPINFOW*>(header);
        if (wide->item.pszText && wide->item.cchTextMax > 0) {
            int n = MultiByteToWideChar(CP_ACP, 0, cellText_.c_str(), -1, wide->item.pszText, wide->item.cchTextMax);
            if (n == 0)
                wide->item.pszText[0] = L'\0';
            wide->item.pszText[wide->item.cchTextMax - 1] = L'\0';
        }
    } else if (item.pszText && item.cchTextMax > 0) {
        lstrcpynA(item.pszText, cellText_.c_str(), item.cchTextMax);
    }
}

void ManageDialog::PageChanged(int page) {
    bool all = page == 0;
    EnableWindow(Item(IDC_MANAGE_SUBSCRIBE), all);
    EnableWindow(Item(IDC_MANAGE_REFRESH), all);
    EnableWindow(Item(IDC_MANAGE_UNSUBSCRIBE), !all);
}

bool ManageDialog::OnNotify(NMHDR* header) {
    if (tabs_.OnNotify(header))
        return true;
    int row = -1;
    switch (header->code) {
        case NM_CLICK:
        case NM_DBLCLK:
        case NM_RCLICK:
            row = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
            break;
        default:
            break;
    }
    switch (header->idFrom) {
        case IDC_MANAGE_SERVERS:
            if (header->code == NM_CLICK && row >= 0) {
                LoadServer(row, false);
            } else if (header->code == LVN_ITEMCHANGED) {
                // The keyboard moves the selection without a click.
                auto* change = reinterpret_cast<NMLISTVIEW*>(header);
                if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_SELECTED) &&
                    !(change->uOldState & LVIS_SELECTED))
                    LoadServer(change->iItem, false);
            }
            return true;
        case IDC_MANAGE_ALL_LIST:
            if (header->code == LVN_GETDISPINFOA || header->code == LVN_GETDISPINFOW)
                FillDisplayInfo(header);
            else if (header->code == NM_DBLCLK && row >= 0)
                Subscribe({row});
            return true;
        case IDC_MANAGE_SUBSCRIBED_LIST:
            if (header->code == NM_DBLCLK && row >= 0)
                Unsubscribe({row});
            else if (header->code == NM_RCLICK && row >= 0)
                ChooseStyle(row);
            return true;
        default:
            return false;
    }
}

bool ManageDialog::OnCommand(int id, int code) {
    switch (id) {
        case IDC_MANAGE_FILTER:
            if (code == EN_CHANGE) {
                model_.SetFilter(ItemText(IDC_MANAGE_FILTER));
                ShowAllGroups();
            }
            return true;
        case IDC_MANAGE_SUBSCRIBE:
            Subscribe(SelectedRows(allPage_.List()));
            return true;
        case IDC_MANAGE_UNSUBSCRIBE:
            Unsubscribe(SelectedRows(subscribedPage_.List()));
            return true;
        case IDC_MANAGE_REFRESH:
            Refresh();
            return true;
        case IDC_MANAGE_NEW:
            NewServer();
            return true;
        case IDC_MANAGE_MOD:
            ModifyServer();
            return true;
        case IDC_MANAGE_DEL:
            DeleteServer();
            return true;
        default:
            return false;
    }
}

bool ManageDialog::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == TabPages::kPageChanged) {
        PageChanged(static_cast<int>(wParam));
        return true;
    }
    if (message == kShowDamage) {
        // Posted from OnInit, it can come before the dialog has first been shown.
        ShowWindow(Window(), SW_SHOW);
        Message(document_.DamageMessage(), MB_OK | MB_ICONWARNING);
        return true;
    }
    return false;
}
