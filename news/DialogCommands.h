// The menu commands that open dialogs, and the dialogs that the rest of the plug-in reaches
// through its seams (preferences, certificate, posting window).
#pragma once

#include <windows.h>

struct PostingRecord;

// Makes a posting's progress window (see gCreatePostingWindow).
bool CreatePostingWindow(PostingRecord* record, HWND parent);

void WINAPI OnManageNewsGroup(HWND window, LPARAM param);
void WINAPI OnSynchronization(HWND window, LPARAM param);

// The commands themselves; the current mail or the selected mails of the host.
void WINAPI OnModifyHeaders(HWND window, LPARAM param);
void WINAPI OnCombineMail(HWND window, LPARAM param);
int WINAPI CombineUi(HWND window, LPARAM param);
