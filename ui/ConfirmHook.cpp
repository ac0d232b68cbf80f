#include "ui/ConfirmHook.h"

#include <cstring>

bool ConfirmHook::OnCreate(HWND window, const CREATESTRUCTA& create) {
    if (hook_.WatchedCount() != 0 || (create.style & WS_CHILD) != 0)
        return false;
    char name[82] = "";
    GetClassNameA(window, name, sizeof name);
    return std::strcmp(name, "#32770") == 0;
}

void ConfirmHook::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_SHOWWINDOW || wParam == FALSE || answered_)
        return;
    HWND button = GetDlgItem(window, button_);
    if (button == nullptr)
        return;
    answered_ = true;
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    // The dialog may end before its modal loop waits for the first time; wake the loop.
    PostMessageA(window, WM_NULL, 0, 0);
}
