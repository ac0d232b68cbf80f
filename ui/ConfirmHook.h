// Answers the host's confirmation box of one host command: while an object lives, the first
// top-level dialog that this thread creates is answered as if its button `button` was pressed,
// provided it has that button; later dialogs are left to the user. The hook is removed, and a
// dialog still up gets its own window procedure back, when the object goes. User-interface
// thread only; one object at a time.
#pragma once

#include <windows.h>

#include "ui/CbtHook.h"

class ConfirmHook : private CbtHook::Watcher {
public:
    explicit ConfirmHook(int button) : button_(button), hook_(*this) {}
    ConfirmHook(const ConfirmHook&) = delete;
    ConfirmHook& operator=(const ConfirmHook&) = delete;

    bool Installed() const { return hook_.Installed(); }
    bool Answered() const { return answered_; }

private:
    bool OnCreate(HWND window, const CREATESTRUCTA& create) override;
    void OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    int button_;
    bool answered_ = false;
    // Last: the hook goes first, before the state it reports to.
    CbtHook hook_;
};
