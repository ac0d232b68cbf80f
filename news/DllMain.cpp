// Entry point of Rillpost.dll. Initialization runs here, on the host's user-interface thread
// that loads the library; a failure makes the load fail.
#include <windows.h>

#include "news/NewsState.h"
#include "ui/ListCommands.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            InstallDialogs();
            return InitializeNewsPlugin(instance) ? TRUE : FALSE;
        case DLL_PROCESS_DETACH:
            // At process exit every other thread is gone already and the host's windows may be
            // too: nothing is released that the system does not release itself.
            if (reserved == nullptr)
                ShutdownNewsPlugin();
            return TRUE;
        default:
            return TRUE;
    }
}
