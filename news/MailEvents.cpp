// The host's mail, menu and other event callbacks. Folder opening already runs under the fault
// guard; the news behaviour of each event attaches in the functions named below.
#include <windows.h>

#include "host/CSE.h"
#include "news/NewsExports.h"
#include "news/NewsState.h"
#include "news/Workers.h"

namespace {

// The update of a subscribed group's folder: finds the server and group, marks the folder busy
// and starts the group update. Runs inside the fault guard of BKC_OnOpenFolder.
void OpenNewsFolder(LPCSTR /*folderId*/) {}

}  // namespace

int WINAPI BKC_OnMenuInit(HWND window, HMENU /*menu*/, int type) {
    if (type == kMenuMain)
        gMainWindow = window;
    return 0;
}

int WINAPI BKC_OnOpenFolder(LPCSTR folderId) {
    if (gSettings.online == 0)
        return 0;
    gNewArticles.Clear();
    try {
        CSE::Guard([&] { OpenNewsFolder(folderId); });
    } catch (const CSE& fault) {
        ReportProcessorFault(fault.GetExceptionCode());
    } catch (...) {
    }
    return 0;
}

int WINAPI BKC_OnOpenMail(LPCSTR /*mailId*/) {
    return 0;
}

int WINAPI BKC_OnOpenCompose(HWND /*compose*/, int /*mode*/) {
    return 0;
}

int WINAPI BKC_OnSend(LPCSTR /*message*/) {
    return kSendAsMail;
}

int WINAPI BKC_OnEveryMinute() {
    return 0;
}

int WINAPI BKC_OnOutgoing(HWND, int) {
    return 0;
}

int WINAPI BKC_OnKeyDispatch(HWND, int, int) {
    return 0;
}

int WINAPI BKC_OnRetrieve(LPCSTR, LPCSTR) {
    return 0;
}

int WINAPI BKC_OnFinishRetrieve(int) {
    return 0;
}
