#include "news/Workers.h"

#include "host/CSE.h"
#include "host/HostApi.h"
#include "news/NewsState.h"

namespace {

volatile LONG gActiveWorkers = 0;

struct WorkerStart {
    DWORD(WINAPI* proc)(void*);
    void* param;
    HMODULE pin;  // the worker's own reference to this library, or null in test programs
};

DWORD WINAPI WorkerEntry(void* p) {
    WorkerStart start = *static_cast<WorkerStart*>(p);
    delete static_cast<WorkerStart*>(p);
    DWORD result = 0;
    try {
        CSE::Guard([&] { result = start.proc(start.param); });
    } catch (const CSE& fault) {
        ReportProcessorFault(fault.GetExceptionCode());
    } catch (...) {
        // Nothing may escape a thread of the host process.
    }
    InterlockedDecrement(&gActiveWorkers);
    if (start.pin)
        FreeLibraryAndExitThread(start.pin, result);
    return result;
}

// A reference to the module that holds this code, or null when that is the executable.
HMODULE PinThisLibrary() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&WorkerEntry), &module))
        return nullptr;
    if (module == GetModuleHandleA(nullptr)) {
        FreeLibrary(module);
        return nullptr;
    }
    return module;
}

}  // namespace

bool StartWorker(DWORD(WINAPI* proc)(void*), void* param) {
    auto* start = new WorkerStart{proc, param, PinThisLibrary()};
    InterlockedIncrement(&gActiveWorkers);
    HANDLE thread = CreateThread(nullptr, 0, WorkerEntry, start, 0, nullptr);
    if (thread == nullptr) {
        InterlockedDecrement(&gActiveWorkers);
        if (start->pin)
            FreeLibrary(start->pin);
        delete start;
        return false;
    }
    CloseHandle(thread);
    return true;
}

LONG ActiveWorkerCount() {
    return gActiveWorkers;
}

void ReportProcessorFault(DWORD code) {
    if (code == CSE::kAccessViolation && gHostApi.IsBound())
        gHostApi.BKA_SetMessageText(nullptr, "Access Violation from Becky!");
}
