// The stand-in host's main window: menu bar, folder tree inside an "AfxMDIFrame42s" frame,
// message list, message view and a five-part status bar. Lives on the UI thread; the methods
// below are called there only (other threads go through StandinHost::RunOnUi).
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <map>
#include <string>

class MainWindow {
public:
    bool Create(HINSTANCE instance, int show);
    // Loads the plug-ins, initializes the main menu for them, then starts them.
    void StartPlugins(const std::string& pluginFolder);

    HWND hwnd = nullptr;
    HWND frame = nullptr;
    HWND tree = nullptr;
    HWND list = nullptr;
    HWND view = nullptr;
    HWND status = nullptr;
    HMENU menu = nullptr;
    HINSTANCE instance = nullptr;
    int exitCode = 0;
    // Set once the plug-ins' BKC_OnExit ran (a scenario's "exit"): closing the window then
    // does not call it a second time.
    bool pluginsExited = false;

    void PopulateTree();
    // Selects the folder (or mailbox) in the tree; with reopen the open-folder event is sent
    // even when it already was the selected one.
    bool SelectFolder(const std::string& folderId, bool reopen);
    // Selects and opens the message; with extend it only joins the selection.
    bool SelectMail(const std::string& mailId, bool extend);
    // After a plug-in made `folderId` current: the armed "interpose" open, once.
    void RunInterpose(const std::string& folderId);
    // Renames the folder the way the user does: through the tree's label editor, so that the
    // end of the edit passes every hook on the tree.
    bool RenameFolder(const std::string& folderId, const std::string& newName);
    void RefreshList();
    void ShowDisplayed();
    void SetStatusText(int part, const std::string& text);
    std::string StatusText(int part) const;
    void UpdateFolderStatus();

    // A context menu (1 message list, 2 folder tree) with the host's items and the plug-ins'.
    // The caller destroys it.
    HMENU BuildContextMenu(int type);
    // Asks the UI callbacks of registered commands in this popup and greys or checks them.
    void ApplyUiStates(HMENU popup);
    void OnCommand(UINT id);
    HWND OpenCompose(int mode, const std::string& to);

private:
    static LRESULT CALLBACK MainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK FrameProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK TreeProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleMain(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleFrameNotify(NMHDR* header);
    void Layout();
    HMENU BuildMainMenu();
    void AddTreeItems(HTREEITEM parent, const std::string& parentId);
    HTREEITEM ItemOf(const std::string& folderId) const;
    void OnFolderOpened(const std::string& folderId);
    bool OnEndLabelEdit(NMTVDISPINFOA* info);
    void OnListItemChanged(NMLISTVIEW* change);
    void OpenMail(const std::string& mailId);
    void ShowContextMenu(int type);
    void SortList(int column);
    void NewSubFolder();
    void DeleteSelectedFolder();
    void NewMailBox();
    void MarkSelected(bool read);

    std::map<HTREEITEM, std::string> folderOfItem_;
    WNDPROC treeProc_ = nullptr;
    bool filling_ = false;
    int sortColumn_ = -1;
    bool sortAscending_ = true;
};
