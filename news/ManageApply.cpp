// The apply step of the "Manage NewsGroup" command: the pending subscriptions become host folders
// and Subgroup records, the pending unsubscriptions lose both. Everything runs on the host's
// user-interface thread while the configuration lock is held, so that the timer's
// synchronization never sees a half-made subscription.
#include "news/ManageApply.h"

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "host/HostApi.h"
#include "host/Optex.h"
#include "news/NewsFolder.h"
#include "news/NewsState.h"
#include "news/NewsTasks.h"
#include "ui/ConfirmHook.h"
#include "ui/FolderName.h"

namespace {

// Host commands: a new subfolder of the selected folder with its name editor open, delete the
// selected folder (after the host's Yes/No question), and the thread view.
const WPARAM kNewSubfolderCommand = 32804;
const WPARAM kDeleteFolderCommand = 32803;
const WPARAM kThreadViewCommand = 32777;
// The host's confirmation is answered with its Yes button.
const int kYesButton = IDYES;
// The message list column that the host sorts by date.
const int kDateColumn = 3;
const char kInbox[] = "!!!!Inbox\\";

std::string CurrentFolder() {
    return HostText(gHostApi.BKA_GetCurrentFolder());
}

// True when the folder is selected now.
bool SelectFolder(const std::string& folderId) {
    gHostApi.BKA_SetCurrentFolder(folderId.c_str());
    return CurrentFolder() == folderId;
}

bool FolderOnDisk(const std::string& dataFolder, const std::string& folderId) {
    DWORD attributes = GetFileAttributesA((dataFolder + folderId).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// While the apply step runs, the folder events that its own host commands cause do nothing
// (online flag 0) and its own renames are not tracked. Both come back when it ends, however it
// ends: the online flag as the configuration holds it. The caller holds the configuration lock
// for the object's whole life.
class ApplyScope {
public:
    ApplyScope() {
        InterlockedExchange(&gRenameTracking, 0);
        gSettings.online = 0;
    }
    ~ApplyScope() {
        gSettings.online = gConfig.GetInt("Setup:Configuration:Online", 1, false);
        InterlockedExchange(&gRenameTracking, 1);
    }
    ApplyScope(const ApplyScope&) = delete;
    ApplyScope& operator=(const ApplyScope&) = delete;
};

// Positions the configuration on the entry's server: by its mailbox ID when it has one, else by
// its Location.
bool SelectServer(const PendingGroup& entry) {
    gConfig.ResetPosition();
    if (!entry.serverId.empty())
        return gConfig.SelectRecord("Setup:Server", "ID", entry.serverId.c_str(), false, true);
    return gConfig.SelectRecord("Setup:Server", "Location", entry.location.c_str(), false, true);
}

// Positions the configuration on the server's Subgroup of the entry's group.
bool SelectSubgroup(const PendingGroup& entry) {
    if (!SelectServer(entry))
        return false;
    gConfig.EnterElement();
    return gConfig.SelectRecord("Subgroup", "GroupName", entry.group.c_str(), false, true);
}

void AddSubgroup(const PendingGroup& entry, const std::string& folderId) {
    if (!SelectServer(entry))
        return;
    gConfig.EnterElement();
    gConfig.SelectRecord("Subgroup", "FolderID", "", true, false);
    gConfig.SavePosition("apply:group");
    gConfig.SetString("FolderID", folderId.c_str(), true, true);
    gConfig.RestorePosition("apply:group");
    gConfig.SetString("GroupName", entry.group.c_str(), true, true);
    gConfig.RestorePosition("apply:group");
    gConfig.SetInt("Synchronization", entry.style, true, true);
    gConfig.ResetPosition();
}

// Thread view sorted by date in the folder just made.
void SortByThread() {
    SendMessageA(gMainWindow, WM_COMMAND, kThreadViewCommand, 0);
    for (int i = 0; i < 2; ++i) {
        NMLISTVIEW click = {};
        click.hdr.hwndFrom = gMessageList;
        click.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(gMessageList));
        click.hdr.code = LVN_COLUMNCLICK;
        click.iItem = -1;
        click.iSubItem = kDateColumn;
        SendMessageA(gMainWindow, WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
    }
}

// Lets the host make a subfolder of the server's inbox and names it after the group. True, with
// the Subgroup recorded, only when the host really made a new folder of exactly that name.
bool Subscribe(const PendingGroup& entry, const std::string& dataFolder) {
    std::string inbox = entry.serverId + kInbox;
    std::string wanted = inbox + entry.group + "\\";
    if (entry.serverId.empty() || FolderOnDisk(dataFolder, wanted) || !SelectFolder(inbox))
        return false;
    SetFocus(gFolderTree);
    SendMessageA(gMainWindow, WM_COMMAND, kNewSubfolderCommand, 0);
    // The host's name editor has the focus; the name is taken when the focus leaves it.
    HWND editor = GetFocus();
    char name[82] = "";
    if (editor != nullptr && GetClassNameA(editor, name, sizeof name) > 0 && _stricmp(name, "Edit") == 0)
        SetWindowTextA(editor, entry.group.c_str());
    SetFocus(gMainWindow);
    if (CurrentFolder() != wanted || !FolderOnDisk(dataFolder, wanted))
        return false;
    AddSubgroup(entry, wanted);
    gHostApi.BKA_SetCurrentFolder(wanted.c_str());
    if (gSettings.threadSort != 0)
        SortByThread();
    return true;
}

// Deletes the group's folder (the one its Subgroup names) and the Subgroup. A group without a
// Subgroup is left alone; a Subgroup whose folder is not a folder of the server's inbox, or
// that the host cannot select, loses only its record.
void Unsubscribe(const PendingGroup& entry) {
    if (!SelectSubgroup(entry))
        return;
    gConfig.SavePosition("apply:group");
    std::string folderId = gConfig.GetString("FolderID", "", true);
    std::string serverId = entry.serverId;
    if (serverId.empty()) {
        SelectServer(entry);
        gConfig.SavePosition("apply:server");
        serverId = gConfig.GetString("ID", "", true);
    }
    std::string inbox = serverId + kInbox;
    bool insideInbox =
        !serverId.empty() && folderId.size() > inbox.size() && folderId.compare(0, inbox.size(), inbox) == 0;
    if (insideInbox && SelectFolder(folderId)) {
        ConfirmHook confirm(kYesButton);
        if (confirm.Installed())
            SendMessageA(gMainWindow, WM_COMMAND, kDeleteFolderCommand, 0);
    }
    // The host's events may have moved the position meanwhile.
    if (SelectSubgroup(entry))
        gConfig.RemoveElement();
    gConfig.ResetPosition();
}

void StartUpdateOfCurrentFolder() {
    std::string mailBox = HostText(gHostApi.BKA_GetCurrentMailBox());
    std::string folder = CurrentFolder();
    std::string location, group;
    bool found = FindNewsFolder(mailBox, folder, &location, &group);
    gConfig.ResetPosition();
    if (found && gBusyFolders.TryAdd(folder))
        StartGroupUpdate(location, group, folder);
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += "\r\n    " + name;
    return text;
}

}  // namespace

void ApplyPendingChanges(const PendingChanges& changes) {
    if (!gHostApi.IsBound() || gMainWindow == nullptr)
        return;
    std::vector<std::string> refused, failed;
    bool saved = true;
    std::string configPath;
    std::string dataFolder = HostText(gHostApi.BKA_GetDataFolder());
    if (!dataFolder.empty() && dataFolder.back() != '\\')
        dataFolder += '\\';
    {
        OptexLock hold(gConfigOptex);
        {
            ApplyScope scope;
            for (const PendingGroup& entry : changes.subscribe) {
                if (!IsValidFolderName(entry.group)) {
                    refused.push_back(entry.group);
                    continue;
                }
                // A group already subscribed keeps its one folder.
                bool known = SelectSubgroup(entry);
                gConfig.ResetPosition();
                if (!known && !Subscribe(entry, dataFolder))
                    failed.push_back(entry.group);
            }
            for (const PendingGroup& entry : changes.unsubscribe)
                Unsubscribe(entry);
        }
        if (gSettings.online != 0 && gSettings.updateNow != 0)
            StartUpdateOfCurrentFolder();
        saved = SaveConfiguration();
        configPath = gConfig.GetConfigPath();
    }
    // The messages wait until the lock is free: the timer's synchronization need not wait for
    // the user to read them.
    if (!refused.empty())
        gShowMessageBox(
            gMainWindow,
            ("These newsgroups cannot be subscribed because their names cannot name a folder:" + JoinNames(refused))
                .c_str(),
            "Rillpost", MB_OK | MB_ICONEXCLAMATION);
    if (!failed.empty())
        gShowMessageBox(
            gMainWindow,
            ("The folders of these newsgroups could not be created, so they were not subscribed:" + JoinNames(failed))
                .c_str(),
            "Rillpost", MB_OK | MB_ICONEXCLAMATION);
    if (!saved)
        gShowMessageBox(gMainWindow, ("The newsgroup changes could not be saved to " + configPath + ".").c_str(),
                        "Rillpost", MB_OK | MB_ICONERROR);
}
