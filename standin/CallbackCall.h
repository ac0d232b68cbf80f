// Calls a plug-in callback by address with a list of pointer-sized arguments.
#pragma once

#include <windows.h>

// Calls fn with count arguments in the Windows standard convention and returns its int
// result. On i686 *left receives the bytes of arguments that the callee did not remove
// (negative: it removed too many), and the stack pointer is restored either way, so a faulty
// export cannot corrupt the host's frame. On x86_64 the caller owns the argument area, so
// there is no balance to check and *left is always 0.
int CallCallback(const void* fn, const DWORD_PTR* args, int count, int* left);
