// The plug-in's message-list commands and the hooks by which the news plug-in reaches its
// dialogs. InstallDialogs runs once, when the library loads.
#pragma once

#include <windows.h>

void InstallDialogs();

// Registers the message-list commands with the host and appends them to its context menu.
void InitListMenu(HMENU menu);

// The commands themselves; the current mail or the selected mails of the host.
void WINAPI OnModifyHeaders(HWND window, LPARAM param);
void WINAPI OnCombineMail(HWND window, LPARAM param);
int WINAPI CombineUi(HWND window, LPARAM param);
