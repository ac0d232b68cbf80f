// What the plug-in does for each host callback that does anything; the exports in
// NewsExports.cpp call these and nothing else. Each catches everything it can (processor faults
// included) and returns the callback's result. User-interface thread.
#pragma once

#include <windows.h>

// Library start and exit (NewsPlugin.cpp).
int HandleStart();
int HandleExit();
int HandlePlugInInfo(LPVOID info);
int HandlePlugInSetup(HWND parent);

// Menus, folders, messages and composing (MailEvents.cpp).
int HandleMenuInit(HWND window, HMENU menu, int type);
int HandleOpenFolder(LPCSTR folderId);
int HandleOpenMail(LPCSTR mailId);
int HandleOpenCompose(HWND compose, int mode);
int HandleSend(LPCSTR message);
