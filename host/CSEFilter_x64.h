// The x86_64 guard's structured-exception scope, kept in C so that its function carries the
// scope's handler and no C++ personality routine of the compiler's. Internal to host/.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// One active guard of a thread. The innermost one is the thread's current slot; the filter
// fills it when a processor fault leaves the guarded body. Lives on the guard's stack.
typedef struct RpFaultSlot {
    CONTEXT context;  // first: CONTEXT wants 16-byte alignment
    EXCEPTION_RECORD record;
    volatile LONG faulted;
    struct RpFaultSlot* outer;
} RpFaultSlot;

// Runs body(arg) inside a scope whose filter takes processor faults that no inner handler took,
// for the thread's current slot. Returns 1 when a fault was taken (the slot holds its record and
// context, and the frames between were unwound), 0 when the body returned. C++ exceptions pass
// through; the caller restores the current slot on that path.
int RpRunWithFaultFilter(void (*body)(void*), void* arg);

RpFaultSlot* RpCurrentFaultSlot(void);
void RpSetCurrentFaultSlot(RpFaultSlot* slot);

// Set by the C++ side: the codes that a guard translates.
extern int (*RpIsProcessorFault)(DWORD code);

#ifdef __cplusplus
}
#endif
