// The scheduled-synchronization timer on the process's default timer queue.
//
// The timer's callback only starts a worker for the run (see Workers.h) and returns, so that
// cancelling the timer can wait for a running callback without risk: the callback never waits
// for the user-interface thread or the network. A run that is still busy when the timer fires
// again makes that firing do nothing; the next firing after the run ends starts a new one.
#pragma once

#include <windows.h>

#include <string>

// Creates the timer: first run after firstRunMs, then every `minutes` minutes. Called on the
// user-interface thread; a timer that already exists is left alone.
bool CreateSyncTimer(DWORD firstRunMs, int minutes);

// Applies a new SynTime (minutes) over the cached one: changes the period and the next run of
// an existing timer, creates it (first run after one new period) when there was none, and
// deletes it, without waiting, for 0. Nothing happens when the value did not change.
void RescheduleSyncTimer(int oldMinutes, int newMinutes);

// Deletes the timer and returns once no callback of it runs any more. User-interface thread,
// never under the loader lock.
void CancelSyncTimer();

// Deletes the timer without waiting. For library unload when the host skipped BKC_OnExit: the
// loader lock is held then, and the callback may need it.
void AbandonSyncTimer();

bool HasSyncTimer();
// The period in force, 0 without a timer.
DWORD SyncTimerPeriod();

// The period for `minutes`, counted in 64 bits and held at most 10000 minutes, so that no
// stored value wraps into a short period.
DWORD SyncPeriodMs(int minutes);

// Timer firings and started runs since load, for tests and diagnostics.
LONG SyncTimerFirings();
LONG SyncRunsStarted();

// Starts a run on a worker, as the timer does, unless one is running (false then, or when no
// worker could be started).
bool StartSyncRun();

// One synchronization run over every group marked for it (the worker body). A group without a
// folder is passed over. `busy` (may be null) names the folder the run holds in the busy-folder
// list at any moment, empty when none, so that the worker can free it after a fault.
void RunScheduledSync(std::string* busy = nullptr);
