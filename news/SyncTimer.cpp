#include "news/SyncTimer.h"

#include "host/CSE.h"
#include "host/HostApi.h"
#include "news/NewsState.h"
#include "news/PluginNewsHost.h"
#include "news/SyncList.h"
#include "news/Workers.h"
#include "nntp/NewsClient.h"

namespace {

// Written on the user-interface thread only.
HANDLE gSyncTimer = nullptr;
DWORD gSyncPeriod = 0;
// 1 while a run's worker exists.
volatile LONG gSyncRunning = 0;
volatile LONG gFirings = 0;
volatile LONG gRuns = 0;

const ULONGLONG kMillisecondsPerMinute = 60000;
const int kMaxMinutes = 10000;

DWORD WINAPI SyncRunProc(void*) {
    // The run's busy folder and the active flag are cleared here, after the guard: a fault
    // anywhere in the run abandons the frames below it, and either left set would stop every
    // later run of the session (or every update of that folder).
    std::string busy;
    DWORD fault = 0;
    try {
        CSE::Guard([&] { RunScheduledSync(&busy); });
    } catch (const CSE& caught) {
        fault = caught.GetExceptionCode();
    } catch (...) {
    }
    if (!busy.empty())
        gBusyFolders.Remove(busy);
    InterlockedExchange(&gSyncRunning, 0);
    // Reported last: the report is a host call too, and may fault again.
    if (fault != 0)
        ReportProcessorFault(fault);
    return 0;
}

void CALLBACK SyncTimerProc(void*, BOOLEAN) {
    InterlockedIncrement(&gFirings);
    if (IsShuttingDown())
        return;
    StartSyncRun();
}

void ShowStatus(const char* text) {
    if (gHostApi.IsBound())
        gHostApi.BKA_SetMessageText(nullptr, text);
}

// One group of the run, on the run's own client: style "1" brings placeholders, style "2" whole
// articles. Failures are reported by the client; the run goes on with the next group.
void SynchronizeRecord(NewsClient& client, const SyncRecord& record) {
    client.SynchronizeGroup(record.location, record.groupName, record.folderId, record.headersOnly, nullptr);
}

}  // namespace

bool CreateSyncTimer(DWORD firstRunMs, int minutes) {
    if (gSyncTimer != nullptr)
        return true;
    if (minutes <= 0)
        return false;
    DWORD period = SyncPeriodMs(minutes);
    if (!CreateTimerQueueTimer(&gSyncTimer, nullptr, SyncTimerProc, nullptr, firstRunMs, period, WT_EXECUTEDEFAULT))
        return false;
    gSyncPeriod = period;
    return true;
}

void RescheduleSyncTimer(int oldMinutes, int newMinutes) {
    if (newMinutes == oldMinutes)
        return;
    if (newMinutes <= 0) {
        AbandonSyncTimer();
        return;
    }
    DWORD period = SyncPeriodMs(newMinutes);
    // A timer whose creation failed earlier is created now rather than changed.
    if (oldMinutes != 0 && gSyncTimer != nullptr) {
        if (ChangeTimerQueueTimer(nullptr, gSyncTimer, period, period))
            gSyncPeriod = period;
    } else
        CreateSyncTimer(period, newMinutes);
}

void CancelSyncTimer() {
    if (gSyncTimer == nullptr)
        return;
    DeleteTimerQueueTimer(nullptr, gSyncTimer, INVALID_HANDLE_VALUE);
    gSyncTimer = nullptr;
    gSyncPeriod = 0;
}

void AbandonSyncTimer() {
    if (gSyncTimer == nullptr)
        return;
    DeleteTimerQueueTimer(nullptr, gSyncTimer, nullptr);
    gSyncTimer = nullptr;
    gSyncPeriod = 0;
}

bool HasSyncTimer() {
    return gSyncTimer != nullptr;
}

DWORD SyncTimerPeriod() {
    return gSyncPeriod;
}

DWORD SyncPeriodMs(int minutes) {
    ULONGLONG bounded = minutes < 1 ? 1 : minutes > kMaxMinutes ? kMaxMinutes : static_cast<ULONGLONG>(minutes);
    return static_cast<DWORD>(bounded * kMillisecondsPerMinute);
}

LONG SyncTimerFirings() {
    return gFirings;
}

LONG SyncRunsStarted() {
    return gRuns;
}

bool StartSyncRun() {
    if (InterlockedCompareExchange(&gSyncRunning, 1, 0) != 0)
        return false;
    InterlockedIncrement(&gRuns);
    if (StartWorker(SyncRunProc, nullptr))
        return true;
    InterlockedExchange(&gSyncRunning, 0);
    return false;
}

void RunScheduledSync(std::string* busy) {
    std::vector<SyncRecord> list;
    {
        OptexLock hold(gConfigOptex);
        list = BuildSyncList(gConfig);
    }
    NewsClient client(PluginNewsContext());
    for (const SyncRecord& record : list) {
        if (IsShuttingDown())
            break;
        // A group without a folder has nowhere to put what it would fetch.
        if (record.folderId.empty())
            continue;
        ShowStatus("Synchronization...");
        if (!gBusyFolders.TryAdd(record.folderId))
            continue;
        if (busy)
            *busy = record.folderId;
        SynchronizeRecord(client, record);
        gBusyFolders.Remove(record.folderId);
        if (busy)
            busy->clear();
    }
    ShowStatus("Done.");
}
