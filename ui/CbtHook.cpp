#include "ui/CbtHook.h"

namespace {

// The object whose hook is installed; set and cleared by it on the user-interface thread.
CbtHook* gActive = nullptr;

}  // namespace

CbtHook::CbtHook(Watcher& watcher) : watcher_(watcher) {
    if (gActive != nullptr)
        return;
    hook_ = SetWindowsHookExA(WH_CBT, CbtHookProc, nullptr, GetCurrentThreadId());
    if (hook_ != nullptr)
        gActive = this;
}

CbtHook::~CbtHook() {
    if (hook_ == nullptr)
        return;
    UnhookWindowsHookEx(hook_);
    gActive = nullptr;
    for (int i = 0; i < watchedCount_; ++i) {
        HWND window = watched_[i];
        if (IsWindow(window) &&
            GetWindowLongPtrA(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(ConfirmDialogProc))
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_[i]));
    }
}

int CbtHook::SlotOf(HWND window) const {
    for (int i = 0; i < watchedCount_; ++i) {
        if (watched_[i] == window)
            return i;
    }
    return -1;
}

LRESULT CALLBACK CbtHook::CbtHookProc(int code, WPARAM wParam, LPARAM lParam) {
    CbtHook* self = gActive;
    if (code == HCBT_CREATEWND && self != nullptr && self->watchedCount_ < kMaxWatched) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (self->watcher_.OnCreate(window, *reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs)) {
            int slot = self->watchedCount_++;
            self->watched_[slot] = window;
            self->previous_[slot] = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ConfirmDialogProc)));
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK CbtHook::ConfirmDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CbtHook* self = gActive;
    // The destructor gives every watched window its procedure back, so only the live object's
    // windows arrive here.
    int slot = self != nullptr ? self->SlotOf(window) : -1;
    if (slot < 0)
        return DefDlgProcA(window, message, wParam, lParam);
    LRESULT result = CallWindowProcA(self->previous_[slot], window, message, wParam, lParam);
    self->watcher_.OnMessage(window, message, wParam, lParam);
    return result;
}
