// The plug-in's menus: BKC_OnMenuInit's work, the commands that need no dialog with their UI
// callbacks, and the folder view's rename tracking. The command table itself, which also names
// the dialog commands, is in MenuTable.cpp and reached through gInitMenus.
#pragma once

#include <windows.h>

// For the main menu (type 0) it also remembers the host's windows and hooks the folder view;
// every type then gets its commands from the table.
void InitMenu(HWND window, HMENU menu, int type);

// Runs a command's body inside a fault guard when the host is bound: a processor fault is
// reported and ends only the command, any C++ exception is swallowed, and the locks that the
// guard knows are released, so nothing escapes into the host with a lock held.
void RunGuardedCommand(void (*body)(void*), void* arg);
template <typename Body>
void RunCommand(Body body) {
    RunGuardedCommand([](void* p) { (*static_cast<Body*>(p))(); }, &body);
}

void WINAPI OnToggleOnline(HWND window, LPARAM param);
void WINAPI OnUpdateNow(HWND window, LPARAM param);
void WINAPI OnPostNewArticle(HWND window, LPARAM param);

// 2 (checked) while online, else 0.
int WINAPI OnlineCheckUi(HWND window, LPARAM param);
// 0 (enabled) when the current folder is a subscribed group's, else 1 (greyed).
int WINAPI NewsFolderUi(HWND window, LPARAM param);
// 0 when the current mailbox belongs to a news server, else 1.
int WINAPI NewsMailboxUi(HWND window, LPARAM param);

// The folder view's procedure: a folder rename that ends in the tree moves the subscription of
// a group's folder to the folder's new identifier.
LRESULT CALLBACK FolderViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
