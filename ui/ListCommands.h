// The plug-in's command table for the host's three menus, the commands that open dialogs, and the
// hooks by which the news plug-in reaches them. InstallDialogs runs once, when the library loads.
#pragma once

#include <windows.h>

void InstallDialogs();

// Registers the commands of one menu type (BkcMenuType) with the host and adds them to menu:
// to the main menu's fifth submenu, after a separator in the context menus, and in the folder
// tree grouped in a "Rillpost" submenu while the Submenu setting is on.
void InitMenus(HMENU menu, int type);

void WINAPI OnManageNewsGroup(HWND window, LPARAM param);
void WINAPI OnSynchronization(HWND window, LPARAM param);

// The commands themselves; the current mail or the selected mails of the host.
void WINAPI OnModifyHeaders(HWND window, LPARAM param);
void WINAPI OnCombineMail(HWND window, LPARAM param);
int WINAPI CombineUi(HWND window, LPARAM param);
