// Worker threads of the news plug-in (group updates, article retrieval, posting, scheduled
// synchronization).
//
// A worker must never run in unloaded code, yet the host may free the library while a worker
// waits for a news server. Each worker therefore holds its own reference to this library from
// before it starts until it ends with FreeLibraryAndExitThread: the host's FreeLibrary then only
// drops the host's reference, and the library is unloaded by whichever of the host and the last
// worker lets go last. Nothing on the user-interface thread waits for a worker.
#pragma once

#include <windows.h>

// Runs proc(param) on a new thread, inside a fault guard: an access violation that escapes the
// procedure is reported as "Access Violation from Becky!" and ends only that worker. The
// procedure owns param. False when no thread could be started (param was not handed over).
bool StartWorker(DWORD(WINAPI* proc)(void* param), void* param);

// Workers that have been started and have not ended yet.
LONG ActiveWorkerCount();

// Reports a caught processor fault the way every callback and worker does.
void ReportProcessorFault(DWORD code);
