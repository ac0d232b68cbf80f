// Every callback that Rillpost.dll exports to the host, in one place. The host calls them on its
// user-interface thread; the ones the plug-in has no use for answer 0.
#include "news/NewsExports.h"

#include "news/EventHandlers.h"

int WINAPI BKC_OnStart() {
    return HandleStart();
}

int WINAPI BKC_OnExit() {
    return HandleExit();
}

int WINAPI BKC_OnMenuInit(HWND window, HMENU menu, int type) {
    return HandleMenuInit(window, menu, type);
}

int WINAPI BKC_OnOpenFolder(LPCSTR folderId) {
    return HandleOpenFolder(folderId);
}

int WINAPI BKC_OnOpenMail(LPCSTR mailId) {
    return HandleOpenMail(mailId);
}

int WINAPI BKC_OnEveryMinute() {
    return 0;
}

int WINAPI BKC_OnOpenCompose(HWND compose, int mode) {
    return HandleOpenCompose(compose, mode);
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

int WINAPI BKC_OnSend(LPCSTR message) {
    return HandleSend(message);
}

int WINAPI BKC_OnFinishRetrieve(int) {
    return 0;
}

int WINAPI BKC_OnPlugInSetup(HWND parent) {
    return HandlePlugInSetup(parent);
}

int WINAPI BKC_OnPlugInInfo(LPVOID info) {
    return HandlePlugInInfo(info);
}
