#include "news/MenuTable.h"

#include "host/HostApi.h"
#include "news/DialogCommands.h"
#include "news/MenuCommands.h"
#include "news/NewsState.h"

namespace {

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

}  // namespace

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
