// What the fault-guard tests need to know about the processor architecture.
#pragma once

#include <windows.h>

// The thread's guard bookkeeping: the handler chain head on i686, the current guard slot on
// x86_64. A guard leaves it as it found it.
void* GuardState();

// The instruction pointer of a captured context.
DWORD_PTR ContextIp(const CONTEXT& context);

// Loads known values into the callee-saved registers, calls fn (which takes and catches a
// fault), and reports whether every one of them still holds its value afterwards.
bool CalleeSavedRegistersSurvive(void (*fn)());
