#include "ui/ListCommands.h"

#include <string>
#include <vector>

#include "host/HostApi.h"
#include "news/MenuCommands.h"
#include "news/NewsExports.h"
#include "news/NewsState.h"
#include "nntp/YencJoin.h"
#include "ui/CertificateDialog.h"
#include "ui/CombineDialog.h"
#include "ui/ManageApi.h"
#include "ui/ModifyHeadersDialog.h"
#include "ui/PostingDialog.h"
#include "ui/PreferencesDialog.h"
#include "ui/SyncDialog.h"

namespace {

const int kMailIdBuffer = 256;
// The host's command that refreshes its message list; sent before the combined message is added.
const WPARAM kRefreshListCommand = 32836;

int WINAPI AlwaysEnabledUi(HWND, LPARAM) {
    return 0;
}

// Every command of the three menus, in menu order. A folder-tree entry with a separator before
// it in the "Rillpost" submenu says so.
struct MenuCommand {
    int menuType;
    const char* comment;
    BkaCommandProc command;
    BkaUiProc ui;
    const char* menuText;
    bool separatorBefore;
};
const MenuCommand kMenuCommands[] = {
    {kMenuMain, "Manage NewsGroup...", OnManageNewsGroup, nullptr, "&Manage NewsGroup...", false},
    {kMenuMain, "Rillpost Online Mode", OnToggleOnline, OnlineCheckUi, "&Rillpost Online Mode", false},
    {kMenuMessageList, "Modify Mail Headers", OnModifyHeaders, AlwaysEnabledUi, "&Modify Mail Headers...", false},
    {kMenuMessageList, "Combine selected mail", OnCombineMail, CombineUi, "&Combine selected mail", false},
    {kMenuFolderTree, "Update Now!", OnUpdateNow, NewsFolderUi, "Update Now!", false},
    {kMenuFolderTree, "Post New Article", OnPostNewArticle, NewsFolderUi, "Post New Article", false},
    {kMenuFolderTree, "Manage NewsGroup", OnManageNewsGroup, NewsMailboxUi, "Manage NewsGroup", true},
    {kMenuFolderTree, "Synchronization...", OnSynchronization, NewsMailboxUi, "Synchronization...", false},
};
static_assert(int{kTargetMainWindow} == int{kMenuMain} && int{kTargetMessageList} == int{kMenuMessageList} &&
                  int{kTargetFolderTree} == int{kMenuFolderTree},
              "a menu type is the target of its commands");
// The main menu's submenu that takes the plug-in's entries.
const int kMainSubmenuPosition = 4;

// A copy of the mail's complete text; false when the host has none.
bool HostSource(const std::string& mailId, std::string* source) {
    LPSTR text = gHostApi.BKA_GetSource(mailId.c_str());
    if (text == nullptr)
        return false;
    *source = text;
    gHostApi.BKA_Free(text);
    return true;
}

std::vector<std::string> SelectedMails() {
    std::vector<std::string> mails;
    char mail[kMailIdBuffer];
    for (int index = -1;;) {
        mail[0] = '\0';
        index = gHostApi.BKA_GetNextMail(index, mail, kMailIdBuffer, TRUE);
        if (index == -1)
            break;
        mail[kMailIdBuffer - 1] = '\0';
        mails.emplace_back(mail);
    }
    return mails;
}

void ShowMessage(const std::string& text, UINT type) {
    gShowMessageBox(gMainWindow, text.c_str(), "Rillpost", type);
}

void ModifyHeaders() {
    LPCSTR current = gHostApi.BKA_GetCurrentMail();
    std::string mail = current ? current : "";
    std::string source;
    if (mail.empty() || !HostSource(mail, &source))
        return;
    ModifyHeadersDialog dialog(source);
    if (dialog.Run(gMainWindow) != IDOK || !dialog.editor.Changed())
        return;
    // The edit was made on the text as it was when the dialog opened: a retrieved article that
    // replaced it meanwhile, or waits to, must not be overwritten with the old body.
    std::string now;
    if (!HostSource(mail, &now) || now != source || gPendingSources.Contains(mail)) {
        ShowMessage("The message was changed while its headers were being edited; the changes were not saved.",
                    MB_OK | MB_ICONWARNING);
        return;
    }
    gHostApi.BKA_SetSource(mail.c_str(), dialog.editor.Write().c_str());
}

// The Location of the current mailbox's server, or "None" when the mailbox has none.
std::string CurrentServerLocation() {
    std::string mailBox = HostText(gHostApi.BKA_GetCurrentMailBox());
    std::string location = "None";
    OptexLock hold(gConfigOptex);
    gConfig.ResetPosition();
    if (!mailBox.empty() && gConfig.SelectRecord("Setup:Server", "ID", mailBox.c_str(), false, true)) {
        gConfig.SavePosition("TEMP");
        location = gConfig.GetString("Location", "None", true);
    }
    gConfig.ResetPosition();
    return location;
}

void CombineMail() {
    std::vector<CombinePart> parts;
    for (const std::string& mail : SelectedMails()) {
        CombinePart part{mail, std::string(), std::string()};
        if (!HostSource(mail, &part.source))
            continue;
        part.subject = MessageSubject(part.source);
        // A retrieved article that waits to replace its placeholder is not in the source yet.
        if (IsPlaceholder(part.source) || gPendingSources.Contains(mail)) {
            ShowMessage("\"" + part.subject +
                            "\" has not been retrieved yet. Open it to retrieve the article, then combine again.",
                        MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        parts.push_back(std::move(part));
    }
    if (parts.empty())
        return;
    SortParts(&parts);
    CombineDialog dialog(std::move(parts));
    if (dialog.Run(gMainWindow) != IDOK)
        return;
    if (gMainWindow)
        SendMessageA(gMainWindow, WM_COMMAND, kRefreshListCommand, 0);
    std::vector<const std::string*> sources;
    for (const CombinePart& part : dialog.parts)
        sources.push_back(&part.source);
    // Parts of one yEnc file become that file; other messages are joined as they stand.
    YencJoin join = JoinYencParts(sources);
    if (join.found && !join.problem.empty()) {
        ShowMessage("The parts cannot be joined into one file:\n\n" + join.problem, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    std::string text = join.found
                           ? CombineFileMessage(*sources[0], dialog.subject, join.fileName, join.bytes, join.parts)
                           : CombineMessages(sources, dialog.subject);
    LPCSTR folder = gHostApi.BKA_GetCurrentFolder();
    if (folder != nullptr)
        gHostApi.BKA_AppendMessage(folder, text.c_str());
}

}  // namespace

void InstallDialogs() {
    gRunPreferencesDialog = RunPreferencesDialog;
    gRunCertificateDialog = RunCertificateDialog;
    InstallPostingWindow();
    gInitMenus = InitMenus;
}

void InitMenus(HMENU menu, int type) {
    HMENU target = menu;
    if (type == kMenuMain)
        target = GetSubMenu(menu, kMainSubmenuPosition);
    if (target == nullptr)
        return;
    bool grouped = type == kMenuFolderTree && gSettings.submenu != 0;
    HMENU items = grouped ? CreatePopupMenu() : target;
    if (items == nullptr)
        return;
    AppendMenuA(target, MF_SEPARATOR, 0, nullptr);
    for (const MenuCommand& entry : kMenuCommands) {
        if (entry.menuType != type)
            continue;
        // The target is the menu type: main window 0, message list 1, folder tree 2.
        int id = gHostApi.BKA_RegisterCommand(entry.comment, entry.menuType, entry.command);
        if (grouped && entry.separatorBefore)
            AppendMenuA(items, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(items, MF_STRING, static_cast<UINT_PTR>(id), entry.menuText);
        if (entry.ui != nullptr)
            gHostApi.BKA_RegisterUICallback(id, entry.ui);
    }
    if (grouped)
        AppendMenuA(target, MF_POPUP, reinterpret_cast<UINT_PTR>(items), "Rillpost");
}

// Command callbacks return to the host whatever happens inside, a processor fault included.
void WINAPI OnModifyHeaders(HWND, LPARAM) {
    RunCommand([] { ModifyHeaders(); });
}

void WINAPI OnCombineMail(HWND, LPARAM) {
    RunCommand([] { CombineMail(); });
}

void WINAPI OnManageNewsGroup(HWND, LPARAM) {
    RunCommand([] {
        PendingChanges changes;
        if (RunManageDialog(gMainWindow, CurrentServerLocation(), &changes))
            ApplyPendingChanges(changes);
    });
}

void WINAPI OnSynchronization(HWND, LPARAM) {
    RunCommand([] { RunSyncDialog(gMainWindow); });
}

int WINAPI CombineUi(HWND, LPARAM) {
    if (!gHostApi.IsBound())
        return 1;
    char mail[kMailIdBuffer];
    int index = gHostApi.BKA_GetNextMail(-1, mail, kMailIdBuffer, TRUE);
    if (index != -1)
        index = gHostApi.BKA_GetNextMail(index, mail, kMailIdBuffer, TRUE);
    return index != -1 ? 0 : 1;
}
