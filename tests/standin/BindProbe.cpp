// BindProbe.dll: a plug-in that does nothing but bind the host table when it is loaded, so that
// the binding rule is tested against real host executables.
#include <windows.h>

#include "host/HostApi.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        return gHostApi.Bind() ? TRUE : FALSE;
    return TRUE;
}

// A plug-in library is one that exports callbacks; this is the one the host asks first.
extern "C" __declspec(dllexport) int WINAPI BKC_OnPlugInInfo(LPVOID info) {
    lstrcpyA(static_cast<char*>(info), "BindProbe");
    return 0;
}
