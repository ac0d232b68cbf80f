// Subclassing of host windows. The replacement window procedures live in this library, so every
// window that still uses one when the library is unloaded gets its previous procedure back
// first; otherwise the host's next message to it would run unloaded code.
#pragma once

#include <windows.h>

// Replaces the window procedure of window with proc and returns the previous one (null when
// window is not a window). The pair is remembered for RestoreSubclassedWindows.
WNDPROC SubclassWindow(HWND window, WNDPROC proc);
// The procedure that SubclassWindow replaced for window, null when it did not.
WNDPROC PreviousWindowProc(HWND window);
// Gives every subclassed window that still uses our procedure its previous one back.
void RestoreSubclassedWindows();

// Status bar of the host: the part edges are moved so that part 1 is 50 pixels wider, and its
// window procedure becomes StatusBarProc. Needs the main window; without it nothing is hooked.
bool HookStatusBar(HWND mainWindow);
LRESULT CALLBACK StatusBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Message list of the host: its window procedure becomes ListViewProc and its tooltip gets the
// one tool that ListViewProc fills with the text of cut-off cells. Once; false when the list
// is missing or already hooked.
bool HookMessageList(HWND list);
LRESULT CALLBACK ListViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
