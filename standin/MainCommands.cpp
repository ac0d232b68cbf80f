// Menus and commands of the main window: the host's own commands, the commands that plug-ins
// registered, the context menus that plug-ins extend, and folder renames from the tree.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>

#include "standin/ComposeWindow.h"
#include "standin/HostDialogs.h"
#include "standin/MainWindow.h"
#include "standin/MessageText.h"
#include "standin/StandinHost.h"
#include "standin/StandinIds.h"

namespace {

std::string ReplacePrefix(const std::string& s, const std::string& from, const std::string& to) {
    if (s.compare(0, from.size(), from) == 0)
        return to + s.substr(from.size());
    return s;
}

}  // namespace

HMENU MainWindow::BuildContextMenu(int type) {
    HMENU popup = CreatePopupMenu();
    if (type == 1) {
        AppendMenuA(popup, MF_STRING, ID_OPEN_MAIL, "&Open");
        AppendMenuA(popup, MF_STRING, ID_REPLY, "&Reply");
        AppendMenuA(popup, MF_STRING, ID_MARK_READ, "Mark as &Read");
        AppendMenuA(popup, MF_STRING, ID_MARK_UNREAD, "Mark as &Unread");
    } else {
        AppendMenuA(popup, MF_STRING, ID_NEW_FOLDER, "&New Folder");
        AppendMenuA(popup, MF_STRING, ID_DELETE_FOLDER, "&Delete Folder");
        AppendMenuA(popup, MF_STRING, ID_NEW_MAILBOX, "New &Mailbox...");
    }
    StandinHost::Instance().plugins.MenuInit(hwnd, popup, type);
    return popup;
}

void MainWindow::ApplyUiStates(HMENU popup) {
    StandinHost& host = StandinHost::Instance();
    int count = GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        UINT id = GetMenuItemID(popup, i);
        if (id == static_cast<UINT>(-1) || id == 0)
            continue;
        if (id == ID_THREAD_VIEW) {
            CheckMenuItem(popup, i, MF_BYPOSITION | (host.threadView ? MF_CHECKED : MF_UNCHECKED));
            continue;
        }
        HostCommand command;
        if (!host.FindCommand(id, &command) || !command.ui)
            continue;
        HWND target = command.target == 1 ? list : command.target == 2 ? tree : hwnd;
        UINT state = command.ui(target, 0);
        EnableMenuItem(popup, i, MF_BYPOSITION | (state == 1 ? MF_GRAYED : MF_ENABLED));
        CheckMenuItem(popup, i, MF_BYPOSITION | (state == 2 ? MF_CHECKED : MF_UNCHECKED));
    }
}

void MainWindow::ShowContextMenu(int type) {
    HMENU popup = BuildContextMenu(type);
    POINT pt;
    GetCursorPos(&pt);
    UINT id = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd, nullptr);
    DestroyMenu(popup);
    if (id)
        OnCommand(id);
}

void MainWindow::OnCommand(UINT id) {
    StandinHost& host = StandinHost::Instance();
    HostCommand command;
    if (host.FindCommand(id, &command)) {
        if (command.command)
            command.command(command.target == 1 ? list : command.target == 2 ? tree : hwnd, 0);
        return;
    }
    if (id >= ID_PLUGIN_SETUP_FIRST && id <= ID_PLUGIN_SETUP_LAST) {
        int n = id - ID_PLUGIN_SETUP_FIRST;
        for (const PluginSet::Plugin& p : host.plugins.Plugins()) {
            if (p.module && n-- == 0) {
                host.plugins.Setup(p.name, hwnd);
                break;
            }
        }
        return;
    }
    switch (id) {
        case ID_NEW_FOLDER:
            NewSubFolder();
            break;
        case ID_DELETE_FOLDER:
            DeleteSelectedFolder();
            break;
        case ID_NEW_MAILBOX:
            NewMailBox();
            break;
        case ID_THREAD_VIEW:
            // Threads are not drawn; the flag only shows as the menu check.
            host.threadView = !host.threadView;
            host.Log("thread view " + std::to_string(host.threadView ? 1 : 0));
            break;
        case ID_REFRESH:
            RefreshList();
            break;
        case ID_COMPOSE:
            OpenCompose(0, std::string());
            break;
        case ID_REPLY:
            OpenCompose(5, std::string());
            break;
        case ID_OPEN_MAIL: {
            std::string current;
            {
                std::lock_guard<std::recursive_mutex> lock(host.mutex);
                current = host.currentMail;
            }
            if (!current.empty())
                SelectMail(current, false);
            break;
        }
        case ID_MARK_READ:
            MarkSelected(true);
            break;
        case ID_MARK_UNREAD:
            MarkSelected(false);
            break;
        case ID_SELECT_ALL: {
            LVITEMA state = {};
            state.stateMask = state.state = LVIS_SELECTED;
            SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
            break;
        }
        case ID_ABOUT:
            MessageBoxA(hwnd, "Standin Mail: a small mail client for trying plug-ins.", "About Standin", MB_OK);
            break;
        case ID_EXIT:
            PostMessageA(hwnd, WM_CLOSE, 0, 0);
            break;
    }
}

void MainWindow::MarkSelected(bool read) {
    StandinHost& host = StandinHost::Instance();
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        for (const std::string& id : host.selected)
            host.store.SetStatus(id, read ? 1 : 0, read ? 0 : 1);
    }
    RefreshList();
}

void MainWindow::NewSubFolder() {
    StandinHost& host = StandinHost::Instance();
    std::string parent, id;
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        parent = host.currentFolder;
        if (parent.empty())
            return;
        for (int n = 1; n < 1000; ++n) {
            id = parent + (n == 1 ? std::string("New Folder") : "New Folder " + std::to_string(n)) + "\\";
            if (!host.store.FolderExists(id))
                break;
        }
        if (!host.store.CreateFolder(id))
            return;
        host.log.push_back("new folder " + id);
    }
    HTREEITEM parentItem = ItemOf(parent);
    std::string text = MailStore::LastSegment(id);
    TVINSERTSTRUCTA ins = {};
    ins.hParent = parentItem;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT;
    ins.item.pszText = const_cast<char*>(text.c_str());
    HTREEITEM item =
        reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
    folderOfItem_[item] = id;
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parentItem));
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    // The name editor takes the focus; the name is committed when the focus leaves it.
    SetFocus(tree);
    HWND editor = reinterpret_cast<HWND>(SendMessageA(tree, TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(item)));
    if (editor)
        SetFocus(editor);
}

void MainWindow::DeleteSelectedFolder() {
    StandinHost& host = StandinHost::Instance();
    std::string id;
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        id = host.currentFolder;
    }
    HTREEITEM item = ItemOf(id);
    if (!item || MailStore::LastSegment(id) == "!!!!Inbox" || !MailStore::IsValidFolderId(id)) {
        MessageBoxA(hwnd, "This folder cannot be deleted.", "Standin", MB_OK | MB_ICONINFORMATION);
        return;
    }
    std::string question = "Delete the folder \"" + MailStore::LastSegment(id) + "\" and every message in it?";
    if (MessageBoxA(hwnd, question.c_str(), "Delete Folder", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        if (!host.store.DeleteFolder(id))
            return;
        host.log.push_back("delete folder " + id);
    }
    HTREEITEM parent =
        reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)));
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(parent));
    for (auto it = folderOfItem_.begin(); it != folderOfItem_.end();) {
        if (it->second.compare(0, id.size(), id) == 0)
            it = folderOfItem_.erase(it);
        else
            ++it;
    }
    SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
}

void MainWindow::NewMailBox() {
    std::string name;
    if (!HostDialogs::AskMailBoxName(hwnd, &name))
        return;
    StandinHost& host = StandinHost::Instance();
    std::string id;
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        if (!host.store.CreateMailBox(name, &id)) {
            MessageBoxA(hwnd, "The mailbox could not be created.", "Standin", MB_OK | MB_ICONERROR);
            return;
        }
        host.log.push_back("new mailbox " + id);
    }
    PopulateTree();
    // The new mailbox is the current one while its account is edited.
    SelectFolder(id + "!!!!Inbox\\", false);
    std::string yourName, address;
    if (HostDialogs::EditAccount(hwnd, &yourName, &address)) {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        host.store.WriteAccount(id, yourName, address);
    }
}

HWND MainWindow::OpenCompose(int mode, const std::string& to) {
    StandinHost& host = StandinHost::Instance();
    std::string text = "To: " + to + "\r\nSubject: \r\n\r\n";
    if (mode == 5) {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        std::string source;
        if (host.currentMail.empty() || !host.store.ReadMessage(host.currentMail, &source))
            return nullptr;
        std::string subject = messagetext::GetHeader(source, "Subject");
        if (subject.compare(0, 3, "Re:") != 0)
            subject = "Re: " + subject;
        text = "To: " + messagetext::GetHeader(source, "From") + "\r\nSubject: " + subject + "\r\n";
        std::string id = messagetext::GetHeader(source, "Message-ID");
        if (!id.empty())
            text += "In-Reply-To: " + id + "\r\nReferences: " + id + "\r\n";
        text += "\r\n";
    }
    HWND compose = ComposeWindow::Open(instance, text);
    if (compose)
        host.plugins.OpenCompose(compose, mode);
    return compose;
}

bool MainWindow::OnEndLabelEdit(NMTVDISPINFOA* info) {
    if (!info->item.pszText)
        return false;
    auto found = folderOfItem_.find(info->item.hItem);
    if (found == folderOfItem_.end())
        return false;
    StandinHost& host = StandinHost::Instance();
    std::string oldId = found->second;
    std::string newId;
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        if (!host.store.RenameFolder(oldId, info->item.pszText, &newId))
            return false;
        host.currentFolder = ReplacePrefix(host.currentFolder, oldId, newId);
        host.currentMail = ReplacePrefix(host.currentMail, oldId, newId);
        host.displayedMail = ReplacePrefix(host.displayedMail, oldId, newId);
        for (std::string& id : host.folderMails)
            id = ReplacePrefix(id, oldId, newId);
        std::set<std::string> selected;
        for (const std::string& id : host.selected)
            selected.insert(ReplacePrefix(id, oldId, newId));
        host.selected = selected;
        host.log.push_back("rename " + oldId + " -> " + newId);
    }
    for (auto& entry : folderOfItem_)
        entry.second = ReplacePrefix(entry.second, oldId, newId);
    SetStatusText(1, MailStore::LastSegment(newId));
    return true;
}

void MainWindow::SortList(int column) {
    static const char* const kFields[] = {"Subject", "From", "X-RILLPOST-SIZE", "Date"};
    if (column < 0 || column > 3)
        return;
    StandinHost& host = StandinHost::Instance();
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        std::vector<std::pair<std::string, std::string>> keyed;
        for (const std::string& id : host.folderMails) {
            std::string text;
            host.store.ReadMessage(id, &text);
            keyed.emplace_back(messagetext::GetHeader(text, kFields[column]), id);
        }
        // A second click on the same column reverses the order.
        sortAscending_ = column == sortColumn_ ? !sortAscending_ : true;
        sortColumn_ = column;
        std::stable_sort(keyed.begin(), keyed.end());
        if (!sortAscending_)
            std::reverse(keyed.begin(), keyed.end());
        host.folderMails.clear();
        for (const auto& k : keyed)
            host.folderMails.push_back(k.second);
    }
    RefreshList();
}

bool MainWindow::RenameFolder(const std::string& folderId, const std::string& newName) {
    HTREEITEM item = ItemOf(folderId);
    if (!item || !SelectFolder(folderId, false))
        return false;
    SetFocus(tree);
    HWND editor = reinterpret_cast<HWND>(SendMessageA(tree, TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(item)));
    if (!editor)
        return false;
    SetWindowTextA(editor, newName.c_str());
    SendMessageA(tree, TVM_ENDEDITLABELNOW, FALSE, 0);
    auto found = folderOfItem_.find(item);
    return found != folderOfItem_.end() && found->second != folderId;
}
