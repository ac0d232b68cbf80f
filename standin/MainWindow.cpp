#include "standin/MainWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "standin/ComposeWindow.h"
#include "standin/MessageText.h"
#include "standin/StandinHost.h"
#include "standin/StandinIds.h"

namespace {

const char kMainClass[] = "StandinMain";
const char kFrameClass[] = "AfxMDIFrame42s";
const int kTreeWidth = 260;

MainWindow* gWindow = nullptr;  // the one main window; lives until the message loop ends

std::string DisplayName(const std::string& id) {
    std::string last = MailStore::LastSegment(id);
    if (last == "!!!!Inbox")
        return "Inbox";
    if (last.size() > 3 && last.compare(last.size() - 3, 3, ".mb") == 0)
        return last.substr(0, last.size() - 3);
    return last;
}

}  // namespace

bool MainWindow::Create(HINSTANCE inst, int show) {
    instance = inst;
    gWindow = this;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMainClass;
    RegisterClassA(&wc);
    wc.lpfnWndProc = FrameProc;
    wc.lpszClassName = kFrameClass;
    wc.hIcon = nullptr;
    RegisterClassA(&wc);
    ComposeWindow::Register(inst);

    menu = BuildMainMenu();
    std::string title = "Standin Mail " + StandinHost::Instance().version;
    hwnd = CreateWindowExA(0, kMainClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 1000, 680,
                           nullptr, menu, inst, nullptr);
    if (!hwnd)
        return false;
    status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd, nullptr,
                             inst, nullptr);
    int edges[5] = {330, 560, 700, 830, -1};
    SendMessageA(status, SB_SETPARTS, 5, reinterpret_cast<LPARAM>(edges));
    frame = CreateWindowExA(WS_EX_CLIENTEDGE, kFrameClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0,
                            hwnd, nullptr, inst, nullptr);
    // The tree is created first so that it is the frame's first child.
    tree = CreateWindowExA(0, WC_TREEVIEWA, "",
                           WS_CHILD | WS_VISIBLE | WS_BORDER | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT |
                               TVS_EDITLABELS | TVS_SHOWSELALWAYS,
                           0, 0, 0, 0, frame, nullptr, inst, nullptr);
    list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS, 0,
                           0, 0, 0, frame, reinterpret_cast<HMENU>(IDC_MESSAGE_LIST), inst, nullptr);
    view = CreateWindowExA(0, "EDIT", "",
                           WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                               ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                           0, 0, 0, 0, frame, nullptr, inst, nullptr);
    SetWindowPos(tree, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (HWND w : {tree, list, view})
        SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    treeProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TreeProc)));

    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const char* columns[] = {"Subject", "From", "Size", "Date"};
    const int widths[] = {300, 160, 60, 160};
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = const_cast<char*>(columns[i]);
        col.cx = widths[i];
        col.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&col));
    }
    Layout();
    PopulateTree();
    SetStatusText(4, "Standin " + StandinHost::Instance().version);
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
    SetTimer(hwnd, 1, 60000, nullptr);
    return true;
}

HMENU MainWindow::BuildMainMenu() {
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, ID_NEW_MAILBOX, "New &Mailbox...");
    AppendMenuA(file, MF_STRING, ID_COMPOSE, "&Compose New Message");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_STRING, ID_EXIT, "E&xit");
    HMENU edit = CreatePopupMenu();
    AppendMenuA(edit, MF_STRING, ID_SELECT_ALL, "Select &All");
    AppendMenuA(edit, MF_STRING, ID_MARK_READ, "Mark as &Read");
    AppendMenuA(edit, MF_STRING, ID_MARK_UNREAD, "Mark as &Unread");
    HMENU viewMenu = CreatePopupMenu();
    AppendMenuA(viewMenu, MF_STRING, ID_THREAD_VIEW, "&Thread View");
    AppendMenuA(viewMenu, MF_STRING, ID_REFRESH, "&Refresh");
    HMENU folder = CreatePopupMenu();
    AppendMenuA(folder, MF_STRING, ID_NEW_FOLDER, "&New Folder");
    AppendMenuA(folder, MF_STRING, ID_DELETE_FOLDER, "&Delete Folder");
    HMENU message = CreatePopupMenu();
    AppendMenuA(message, MF_STRING, ID_OPEN_MAIL, "&Open");
    AppendMenuA(message, MF_STRING, ID_REPLY, "&Reply");
    HMENU tools = CreatePopupMenu();
    AppendMenuA(tools, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), "&Plug-in Setup");
    HMENU help = CreatePopupMenu();
    AppendMenuA(help, MF_STRING, ID_ABOUT, "&About Standin...");
    // Plug-ins add their main-menu items to the fifth menu ("Tools").
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), "&Edit");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(viewMenu), "&View");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(folder), "F&older");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(tools), "&Tools");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(message), "&Message");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
    return bar;
}

void MainWindow::StartPlugins(const std::string& pluginFolder) {
    StandinHost& host = StandinHost::Instance();
    host.plugins.LoadAll(pluginFolder);
    HMENU setup = GetSubMenu(GetSubMenu(menu, 4), 0);
    UINT id = ID_PLUGIN_SETUP_FIRST;
    for (const PluginSet::Plugin& p : host.plugins.Plugins()) {
        if (p.module && id <= ID_PLUGIN_SETUP_LAST)
            AppendMenuA(setup, MF_STRING, id++, p.name.c_str());
    }
    host.plugins.MenuInit(hwnd, menu, 0);
    DrawMenuBar(hwnd);
    host.plugins.Start();
}

void MainWindow::Layout() {
    RECT rc;
    GetClientRect(hwnd, &rc);
    SendMessageA(status, WM_SIZE, 0, 0);
    RECT sr;
    GetWindowRect(status, &sr);
    int height = rc.bottom - (sr.bottom - sr.top);
    MoveWindow(frame, 0, 0, rc.right, height, TRUE);
    GetClientRect(frame, &rc);
    int right = rc.right - kTreeWidth;
    MoveWindow(tree, 0, 0, kTreeWidth, rc.bottom, TRUE);
    MoveWindow(list, kTreeWidth, 0, right, rc.bottom * 2 / 5, TRUE);
    MoveWindow(view, kTreeWidth, rc.bottom * 2 / 5, right, rc.bottom - rc.bottom * 2 / 5, TRUE);
}

void MainWindow::AddTreeItems(HTREEITEM parent, const std::string& parentId) {
    StandinHost& host = StandinHost::Instance();
    std::vector<std::string> children;
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        children = host.store.SubFolders(parentId);
    }
    for (const std::string& id : children) {
        std::string text = DisplayName(id);
        TVINSERTSTRUCTA ins = {};
        ins.hParent = parent;
        ins.hInsertAfter = TVI_LAST;
        ins.item.mask = TVIF_TEXT;
        ins.item.pszText = const_cast<char*>(text.c_str());
        HTREEITEM item =
            reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
        folderOfItem_[item] = id;
        AddTreeItems(item, id);
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    }
}

void MainWindow::PopulateTree() {
    StandinHost& host = StandinHost::Instance();
    std::string current;
    std::vector<std::string> boxes;
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        current = host.currentFolder;
        boxes = host.store.MailBoxes();
    }
    filling_ = true;
    SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    folderOfItem_.clear();
    for (const std::string& box : boxes) {
        std::string text = DisplayName(box);
        TVINSERTSTRUCTA ins = {};
        ins.hParent = TVI_ROOT;
        ins.hInsertAfter = TVI_LAST;
        ins.item.mask = TVIF_TEXT;
        ins.item.pszText = const_cast<char*>(text.c_str());
        HTREEITEM item =
            reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
        folderOfItem_[item] = box;
        AddTreeItems(item, box);
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    }
    HTREEITEM keep = ItemOf(current);
    if (keep)
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(keep));
    filling_ = false;
}

HTREEITEM MainWindow::ItemOf(const std::string& folderId) const {
    for (const auto& entry : folderOfItem_) {
        if (entry.second == folderId)
            return entry.first;
    }
    return nullptr;
}

bool MainWindow::SelectFolder(const std::string& folderId, bool reopen) {
    HTREEITEM item = ItemOf(folderId);
    if (!item) {
        PopulateTree();
        item = ItemOf(folderId);
    }
    if (!item)
        return false;
    HTREEITEM before = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (before == item) {
        if (reopen)
            OnFolderOpened(folderId);
        return true;
    }
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    return true;
}

void MainWindow::OnFolderOpened(const std::string& folderId) {
    StandinHost& host = StandinHost::Instance();
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        host.currentFolder = folderId;
        host.currentMailBox = MailStore::MailBoxOf(folderId);
        host.currentMail.clear();
        host.selected.clear();
    }
    RefreshList();
    SetStatusText(1, DisplayName(folderId));
    host.plugins.OpenFolder(folderId);
}

void MainWindow::RefreshList() {
    StandinHost& host = StandinHost::Instance();
    std::vector<std::string> mails;
    std::vector<std::string> sources;
    std::vector<unsigned> states;
    std::set<std::string> selected;
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        std::vector<std::string> onDisk = host.store.Messages(host.currentFolder);
        // Keep the current order (it may be sorted) and add new messages at the end.
        for (const std::string& id : host.folderMails) {
            if (std::find(onDisk.begin(), onDisk.end(), id) != onDisk.end())
                mails.push_back(id);
        }
        for (const std::string& id : onDisk) {
            if (std::find(mails.begin(), mails.end(), id) == mails.end())
                mails.push_back(id);
        }
        host.folderMails = mails;
        for (const std::string& id : mails) {
            std::string text;
            host.store.ReadMessage(id, &text);
            sources.push_back(text.substr(0, messagetext::HeaderBlockLength(text)));
            states.push_back(host.store.GetStatus(id));
        }
        selected = host.selected;
    }
    filling_ = true;
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < mails.size(); ++i) {
        std::string subject = messagetext::GetHeader(sources[i], "Subject");
        if (!(states[i] & 1))
            subject = "* " + subject;
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_STATE;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(subject.c_str());
        if (selected.count(mails[i]))
            item.state = item.stateMask = LVIS_SELECTED;
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        std::string cells[3] = {messagetext::GetHeader(sources[i], "From"),
                                messagetext::GetHeader(sources[i], "X-RILLPOST-SIZE"),
                                messagetext::GetHeader(sources[i], "Date")};
        for (int c = 0; c < 3; ++c) {
            LVITEMA sub = {};
            sub.iSubItem = c + 1;
            sub.pszText = const_cast<char*>(cells[c].c_str());
            SendMessageA(list, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&sub));
        }
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    filling_ = false;
    UpdateFolderStatus();
}

void MainWindow::UpdateFolderStatus() {
    StandinHost& host = StandinHost::Instance();
    size_t total = 0, unread = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        total = host.folderMails.size();
        for (const std::string& id : host.folderMails)
            unread += (host.store.GetStatus(id) & 1) ? 0 : 1;
    }
    SetStatusText(2, std::to_string(total) + " messages");
    SetStatusText(3, std::to_string(unread) + " unread");
}

bool MainWindow::SelectMail(const std::string& mailId, bool extend) {
    StandinHost& host = StandinHost::Instance();
    int index = -1;
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        auto it = std::find(host.folderMails.begin(), host.folderMails.end(), mailId);
        if (it != host.folderMails.end())
            index = static_cast<int>(it - host.folderMails.begin());
    }
    if (index < 0) {
        // A message of another folder: open that folder first.
        std::string folder = MailStore::FolderOf(mailId);
        if (folder.empty() || !SelectFolder(folder, false))
            return false;
        return SelectMail(mailId, extend);
    }
    LVITEMA state = {};
    if (!extend) {
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = 0;
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
    } else {
        state.stateMask = LVIS_SELECTED;
        state.state = LVIS_SELECTED;
    }
    SendMessageA(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
    SendMessageA(list, LVM_ENSUREVISIBLE, index, FALSE);
    return true;
}

void MainWindow::RunInterpose(const std::string& folderId) {
    StandinHost& host = StandinHost::Instance();
    std::string mail;
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        if (host.interposeRow < 0 || host.interposeFolder != folderId)
            return;
        if (static_cast<size_t>(host.interposeRow) < host.folderMails.size())
            mail = host.folderMails[static_cast<size_t>(host.interposeRow)];
        host.interposeRow = -1;
    }
    host.Log("interpose " + mail);
    if (!mail.empty())
        SelectMail(mail, false);
}

void MainWindow::OnListItemChanged(NMLISTVIEW* change) {
    if (filling_ || !(change->uChanged & LVIF_STATE) || change->iItem < 0)
        return;
    StandinHost& host = StandinHost::Instance();
    std::string id;
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        if (change->iItem >= static_cast<int>(host.folderMails.size()))
            return;
        id = host.folderMails[change->iItem];
        if (change->uNewState & LVIS_SELECTED)
            host.selected.insert(id);
        else
            host.selected.erase(id);
    }
    const UINT both = LVIS_SELECTED | LVIS_FOCUSED;
    if ((change->uNewState & both) == both && (change->uOldState & both) != both)
        OpenMail(id);
}

void MainWindow::OpenMail(const std::string& mailId) {
    StandinHost& host = StandinHost::Instance();
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        host.currentMail = mailId;
        host.displayedMail = mailId;
        host.displayedText.clear();
        host.store.ReadMessage(mailId, &host.displayedText);
    }
    host.plugins.OpenMail(mailId);
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        host.store.SetStatus(mailId, 1, 0);
    }
    ShowDisplayed();
    // The unread marker of the row goes; the row's other cells stay as they are.
    int index = -1;
    std::string subject;
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        auto it = std::find(host.folderMails.begin(), host.folderMails.end(), mailId);
        if (it != host.folderMails.end())
            index = static_cast<int>(it - host.folderMails.begin());
        subject = messagetext::GetHeader(host.displayedText, "Subject");
    }
    if (index >= 0) {
        LVITEMA cell = {};
        cell.pszText = const_cast<char*>(subject.c_str());
        SendMessageA(list, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&cell));
    }
    UpdateFolderStatus();
}

void MainWindow::ShowDisplayed() {
    StandinHost& host = StandinHost::Instance();
    std::string text;
    {
        std::lock_guard<std::recursive_mutex> lock(host.mutex);
        text = messagetext::ToCrLf(host.displayedText);
    }
    SetWindowTextA(view, text.c_str());
}

void MainWindow::SetStatusText(int part, const std::string& text) {
    SendMessageA(status, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string MainWindow::StatusText(int part) const {
    LRESULT info = SendMessageA(status, SB_GETTEXTLENGTHA, part, 0);
    std::string text(LOWORD(info) + 1, '\0');
    SendMessageA(status, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(strlen(text.c_str()));
    return text;
}

LRESULT CALLBACK MainWindow::MainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (gWindow && gWindow->hwnd == wnd)
        return gWindow->HandleMain(msg, wp, lp);
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT MainWindow::HandleMain(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SIZE:
            if (frame)
                Layout();
            return 0;
        case WM_SETFOCUS:
            // Focus coming back to the main window ends a folder-name edit, as leaving the
            // editor does: the name typed so far is taken.
            if (SendMessageA(tree, TVM_GETEDITCONTROL, 0, 0))
                SendMessageA(tree, TVM_ENDEDITLABELNOW, FALSE, 0);
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wp));
            return 0;
        case WM_INITMENUPOPUP:
            ApplyUiStates(reinterpret_cast<HMENU>(wp));
            return 0;
        case WM_NOTIFY:
            return HandleFrameNotify(reinterpret_cast<NMHDR*>(lp));
        case WM_TIMER:
            StandinHost::Instance().plugins.EveryMinute();
            return 0;
        case WM_STANDIN_RUN:
            StandinHost::RunJob(lp);
            return 0;
        case WM_STANDIN_RUN_POSTED: {
            auto* fn = reinterpret_cast<std::function<void()>*>(lp);
            (*fn)();
            delete fn;
            return 0;
        }
        case WM_CLOSE:
            ComposeWindow::CloseAll();
            KillTimer(hwnd, 1);
            if (!pluginsExited)
                StandinHost::Instance().plugins.Exit();
            pluginsExited = true;
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(exitCode);
            return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT CALLBACK MainWindow::FrameProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY && gWindow) {
        NMHDR* header = reinterpret_cast<NMHDR*>(lp);
        // The end of a folder-name edit goes back to the tree itself, so that whoever subclasses
        // the tree sees the rename pass through its window procedure.
        if (header->hwndFrom == gWindow->tree && header->code == TVN_ENDLABELEDITA)
            return SendMessageA(gWindow->tree, WM_NOTIFY, wp, lp);
        return gWindow->HandleFrameNotify(header);
    }
    if (msg == WM_COMMAND && gWindow)
        return SendMessageA(gWindow->hwnd, msg, wp, lp);
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK MainWindow::TreeProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY) {
        NMHDR* header = reinterpret_cast<NMHDR*>(lp);
        if (header->hwndFrom == wnd && header->code == TVN_ENDLABELEDITA)
            return gWindow->OnEndLabelEdit(reinterpret_cast<NMTVDISPINFOA*>(lp)) ? TRUE : FALSE;
    }
    return CallWindowProcA(gWindow->treeProc_, wnd, msg, wp, lp);
}

LRESULT MainWindow::HandleFrameNotify(NMHDR* header) {
    if (header->hwndFrom == tree) {
        switch (header->code) {
            case TVN_SELCHANGEDA: {
                auto* change = reinterpret_cast<NMTREEVIEWA*>(header);
                auto found = folderOfItem_.find(change->itemNew.hItem);
                if (!filling_ && found != folderOfItem_.end())
                    OnFolderOpened(found->second);
                return 0;
            }
            case TVN_BEGINLABELEDITA: {
                // Mailboxes and inboxes keep their names.
                auto* info = reinterpret_cast<NMTVDISPINFOA*>(header);
                auto found = folderOfItem_.find(info->item.hItem);
                if (found == folderOfItem_.end())
                    return TRUE;
                std::string last = MailStore::LastSegment(found->second);
                return found->second.find('\\') + 1 == found->second.size() || last == "!!!!Inbox";
            }
            case NM_RCLICK: {
                TVHITTESTINFO hit = {};
                GetCursorPos(&hit.pt);
                ScreenToClient(tree, &hit.pt);
                HTREEITEM item =
                    reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
                if (item)
                    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
                ShowContextMenu(2);
                return TRUE;
            }
        }
    } else if (header->hwndFrom == list) {
        switch (header->code) {
            case LVN_ITEMCHANGED:
                OnListItemChanged(reinterpret_cast<NMLISTVIEW*>(header));
                return 0;
            case LVN_COLUMNCLICK:
                SortList(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
                return 0;
            case NM_RCLICK:
                ShowContextMenu(1);
                return 0;
        }
    }
    return 0;
}
