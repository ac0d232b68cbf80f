#include "news/NewsState.h"

namespace {
const DWORD kLockSpinCount = 4000;
}

HMODULE gModule = nullptr;
CXmlConfig gConfig;
Optex gConfigOptex(kLockSpinCount);
SettingCache gSettings;
Optex gSourceOptex(kLockSpinCount);
PendingSourceList gPendingSources(gSourceOptex);
BusyFolderList gBusyFolders;
NewArticleMap gNewArticles;
PostingWindowList gPostingWindows;
volatile LONG gRenameTracking = 1;
HMODULE gGeomarkModule = nullptr;
BKC_Geomark_Fn gGeomark = nullptr;
HWND gMainWindow = nullptr;
HWND gFolderTree = nullptr;
HWND gMessageList = nullptr;
HWND gStatusBar = nullptr;
volatile LONG gShuttingDown = 0;
