// How a dialog starts the thread of network work it shows: handed to it by the plug-in, which
// keeps its workers alive past an unload. The procedure owns param; false when no thread could
// be started (param was not handed over).
#pragma once

#include <windows.h>

using WorkerStart = bool (*)(DWORD(WINAPI* proc)(void* param), void* param);
