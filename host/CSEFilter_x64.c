// The structured-exception scope of CSE::Guard on x86_64. x64 handlers are not a chain on the
// stack but entries in each function's unwind table, so the scope is declared in this
// function's table with the toolchain's __try1/__except1: the system's C scope handler calls
// Filter during the search pass, and when Filter accepts, it unwinds every inner frame and
// resumes after __except1 in this function. Only one such scope fits in a translation unit
// (the markers are fixed labels).
#include "host/CSEFilter_x64.h"

#include <excpt.h>
#include <string.h>

int (*RpIsProcessorFault)(DWORD code);

static __thread RpFaultSlot* tCurrentSlot;

RpFaultSlot* RpCurrentFaultSlot(void) {
    return tCurrentSlot;
}

void RpSetCurrentFaultSlot(RpFaultSlot* slot) {
    tCurrentSlot = slot;
}

// Called by the system for every exception that passes the scope, before any unwinding: the
// faulting frames are still intact, so the record and context are copied here.
__attribute__((used)) LONG RpFaultFilter(EXCEPTION_POINTERS* info) {
    RpFaultSlot* slot = tCurrentSlot;
    if (!slot || !RpIsProcessorFault || !RpIsProcessorFault(info->ExceptionRecord->ExceptionCode))
        return EXCEPTION_CONTINUE_SEARCH;
    memcpy(&slot->record, info->ExceptionRecord, sizeof(slot->record));
    slot->record.ExceptionRecord = NULL;
    memcpy(&slot->context, info->ContextRecord, sizeof(slot->context));
    slot->faulted = 1;
    return EXCEPTION_EXECUTE_HANDLER;
}

__attribute__((noinline)) int RpRunWithFaultFilter(void (*body)(void*), void* arg) {
    RpFaultSlot* volatile slot = tCurrentSlot;
    slot->faulted = 0;
    __try1(RpFaultFilter)
        body(arg);
    __except1
    return slot->faulted ? 1 : 0;
}
