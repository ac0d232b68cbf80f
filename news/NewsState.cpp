#include "news/NewsState.h"

#include "host/CSE.h"

namespace {

const DWORD kLockSpinCount = 4000;

// Every lock of the process-wide state, in one list for registering and forgetting alike.
template <class F>
void ForEachSharedLock(F visit) {
    visit(&gConfigOptex);
    visit(&gSourceOptex);
    visit(gBusyFolders.Lock());
    visit(gNewArticles.Lock());
    visit(gPostingWindows.Lock());
}

}  // namespace

HMODULE gModule = nullptr;
CXmlConfig gConfig;
Optex gConfigOptex(kLockSpinCount);
SettingCache gSettings;
DamagedFile gConfigDamage;
bool gDamageReported = false;
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

void GuardSharedLocks() {
    ForEachSharedLock([](auto* lock) { CSE::ReleaseOnFault(lock); });
}

void ForgetSharedLocks() {
    ForEachSharedLock([](auto* lock) { CSE::ForgetLock(lock); });
}
