// The news plug-in's process-wide state: one instance of each, constructed when the library is
// loaded and destroyed when it is unloaded (static objects of this library).
#pragma once

#include <windows.h>

#include <string>

#include "host/Optex.h"
#include "host/PluginCallbacks.h"
#include "host/PluginMessageBox.h"
#include "news/BusyFolderList.h"
#include "news/NewArticleMap.h"
#include "news/PendingSourceList.h"
#include "news/PostingWindowList.h"
#include "news/SettingCache.h"
#include "xml/DamagedFile.h"
#include "xml/XmlConfig.h"

// This library's module handle (the plug-in DLL); the process's executable in test programs
// that link the plug-in's code directly.
extern HMODULE gModule;

// "Rillpost.xml" beside the plug-in library. Every position-dependent sequence of calls on it
// holds gConfigOptex.
extern CXmlConfig gConfig;
extern Optex gConfigOptex;
extern SettingCache gSettings;
// The configuration file as loaded, when it was damaged: set aside before the first save, and
// reported once (gDamageReported) at start. Guarded like gConfig.
extern DamagedFile gConfigDamage;
extern bool gDamageReported;

// Loads the configuration file at path into gConfig, sets a damaged one aside and reads the
// setting cache. Called at library load.
void LoadConfiguration(const std::string& path);
// Saves gConfig to its file; never over a damaged file that could not be set aside. The caller
// holds gConfigOptex. False when nothing was saved.
bool SaveConfiguration();

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

// Registers every lock of the state above with the fault guard (CSE::ReleaseOnFault), so that a
// fault on a thread that holds one cannot leave it held; ForgetSharedLocks undoes it at unload.
void GuardSharedLocks();
void ForgetSharedLocks();

// Library initialization and the last clean-up before unload (see NewsPlugin.cpp).
bool InitializeNewsPlugin(HMODULE module);
void ShutdownNewsPlugin();
