// A thread's window-creation hook for as long as the object lives. Its watcher is told of every
// window this thread creates and picks the ones to watch (at most kMaxWatched); a watched window's
// procedure is replaced, and the watcher sees each of its messages after the window's own
// procedure has handled it. When the object goes, the hook is removed and every watched window
// still alive gets its own procedure back. User-interface thread only; one object at a time (a
// second one installs nothing).
#pragma once

#include <windows.h>

class CbtHook {
public:
    class Watcher {
    public:
        // A window is being created; true watches it.
        virtual bool OnCreate(HWND window, const CREATESTRUCTA& create) = 0;
        // A message of a watched window, after its own procedure.
        virtual void OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;

    protected:
        ~Watcher() = default;
    };

    static const int kMaxWatched = 2;

    // The watcher must outlive the object.
    explicit CbtHook(Watcher& watcher);
    ~CbtHook();
    CbtHook(const CbtHook&) = delete;
    CbtHook& operator=(const CbtHook&) = delete;

    bool Installed() const { return hook_ != nullptr; }
    int WatchedCount() const { return watchedCount_; }

    static LRESULT CALLBACK CbtHookProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ConfirmDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    int SlotOf(HWND window) const;

    Watcher& watcher_;
    HHOOK hook_ = nullptr;
    int watchedCount_ = 0;
    HWND watched_[kMaxWatched] = {};
    WNDPROC previous_[kMaxWatched] = {};
};
