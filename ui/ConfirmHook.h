// Answers the host's confirmation box of one host command: while an object lives, the first
// top-level dialog that this thread creates is answered as if its button `button` was pressed,
// provided it has that button; later dialogs are left to the user. The hook is removed, and a
// dialog still up gets its own window procedure back, when the object goes. User-interface
// thread only; one object at a time.
#pragma once

#include <windows.h>

class ConfirmHook {
public:
    explicit ConfirmHook(int button);
    ~ConfirmHook();
    ConfirmHook(const ConfirmHook&) = delete;
    ConfirmHook& operator=(const ConfirmHook&) = delete;

    bool Installed() const { return hook_ != nullptr; }
    bool Answered() const { return answered_; }

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    int button_;
    HHOOK hook_ = nullptr;
    bool seenDialog_ = false;
    bool answered_ = false;
    HWND dialog_ = nullptr;
    WNDPROC previous_ = nullptr;
};
