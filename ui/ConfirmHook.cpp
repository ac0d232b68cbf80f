#include "ui/ConfirmHook.h"

#include <cstring>

namespace {

// The object whose hook is installed; set and cleared by it on the user-interface thread.
ConfirmHook* gActive = nullptr;

bool IsTopLevelDialog(HWND window, const CBT_CREATEWNDA* create) {
    char name[82] = "";
    GetClassNameA(window, name, sizeof name);
    return std::strcmp(name, "#32770") == 0 && (create->lpcs->style & WS_CHILD) == 0;
}

}  // namespace

ConfirmHook::ConfirmHook(int button) : button_(button) {
    if (gActive != nullptr)
        return;
    hook_ = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
    if (hook_ != nullptr)
        gActive = this;
}

ConfirmHook::~ConfirmHook() {
    if (hook_ == nullptr)
        return;
    UnhookWindowsHookEx(hook_);
    gActive = nullptr;
    if (dialog_ != nullptr && IsWindow(dialog_) &&
        GetWindowLongPtrA(dialog_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(DialogProc))
        SetWindowLongPtrA(dialog_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
}

LRESULT CALLBACK ConfirmHook::CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    ConfirmHook* self = gActive;
    if (code == HCBT_CREATEWND && self != nullptr && !self->seenDialog_) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (IsTopLevelDialog(window, reinterpret_cast<const CBT_CREATEWNDA*>(lParam))) {
            self->seenDialog_ = true;
            self->dialog_ = window;
            self->previous_ = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DialogProc)));
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK ConfirmHook::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ConfirmHook* self = gActive;
    // The object may be gone while the dialog is not: its destructor restores the procedure,
    // so only a dialog of the live object arrives here.
    if (self == nullptr || window != self->dialog_)
        return DefDlgProcA(window, message, wParam, lParam);
    LRESULT result = CallWindowProcA(self->previous_, window, message, wParam, lParam);
    if (message == WM_SHOWWINDOW && wParam != FALSE && !self->answered_) {
        HWND button = GetDlgItem(window, self->button_);
        if (button != nullptr) {
            self->answered_ = true;
            SendMessageA(window, WM_COMMAND, MAKEWPARAM(self->button_, BN_CLICKED), reinterpret_cast<LPARAM>(button));
            // The dialog may end before its modal loop waits for the first time; wake the loop.
            PostMessageA(window, WM_NULL, 0, 0);
        }
    }
    return result;
}
