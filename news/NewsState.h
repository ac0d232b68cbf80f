// The news plug-in's process-wide state: one instance of each, constructed when the library is
// loaded and destroyed when it is unloaded (static objects of this library).
#pragma once

#include <windows.h>

#include "host/Optex.h"
#include "host/PluginCallbacks.h"
#include "news/BusyFolderList.h"
#include "news/NewArticleMap.h"
#include "news/PendingSourceList.h"
#include "news/PostingWindowList.h"
#include "news/SettingCache.h"
#include "xml/XmlConfig.h"

// This library's module handle (the plug-in DLL); the process's executable in test programs
// that link the plug-in's code directly.
extern HMODULE gModule;

// "Rillpost.xml" beside the plug-in library. Every position-dependent sequence of calls on it
// holds gConfigOptex.
extern CXmlConfig gConfig;
extern Optex gConfigOptex;
extern SettingCache gSettings;

// Pending message sources, guarded by gSourceOptex.
extern Optex gSourceOptex;
extern PendingSourceList gPendingSources;

extern BusyFolderList gBusyFolders;
extern NewArticleMap gNewArticles;
extern PostingWindowList gPostingWindows;

// 1 normally; 0 while the Manage command applies subscriptions, so that folder renames caused
// by the plug-in itself are not tracked.
extern volatile LONG gRenameTracking;

// The location plug-in's entry, found at start when "Geomark.dll" is already loaded; both null
// otherwise. The library stays loaded for the host's lifetime, so the pointer stays valid.
extern HMODULE gGeomarkModule;
extern BKC_Geomark_Fn gGeomark;

// Host windows, taken when the host initializes its main menu, and the status bar hooked at start.
extern HWND gMainWindow;
extern HWND gFolderTree;
extern HWND gMessageList;
extern HWND gStatusBar;

// Set when the host has told the plug-in to exit: long-running work stops at its next check.
extern volatile LONG gShuttingDown;
inline bool IsShuttingDown() {
    return gShuttingDown != 0;
}

// Library initialization and the last clean-up before unload (see NewsPlugin.cpp).
bool InitializeNewsPlugin(HMODULE module);
void ShutdownNewsPlugin();
