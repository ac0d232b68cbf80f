// Entry point of Rillpost.dll and the place that wires the plug-in together: the dialogs that
// the plug-in's seams reach, then the plug-in's own start. Initialization runs here, on the
// host's user-interface thread that loads the library; a failure makes the load fail. The
// callbacks the host calls are in NewsExports.h; the menu command table is MenuTable.cpp.
#include <windows.h>

#include "news/DialogCommands.h"
#include "news/MenuTable.h"
#include "news/NewsExports.h"
#include "news/NewsState.h"
#include "news/PostingWindowList.h"
#include "ui/CertificateDialog.h"
#include "ui/PreferencesDialog.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            gRunPreferencesDialog = RunPreferencesDialog;
            gRunCertificateDialog = RunCertificateDialog;
            gCreatePostingWindow = CreatePostingWindow;
            gInitMenus = InitMenus;
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
