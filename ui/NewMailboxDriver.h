// Fills the host's two new-mailbox dialogs (command 42787): the name prompt gets the mailbox
// name, the account page your name and e-mail address, and each is confirmed with OK. While an
// object lives a window-creation hook watches this thread; it is removed, and any dialog still
// subclassed gets its own procedure back, when the object goes. A dialog that does not look as
// expected (an error box instead of the name prompt, say) is left to the user, and so is every
// dialog after it. User-interface thread only; one object at a time.
#pragma once

#include <windows.h>

#include <string>

class NewMailboxDriver {
public:
    NewMailboxDriver(const std::string& mailboxName, const std::string& yourName, const std::string& yourEmail);
    ~NewMailboxDriver();
    NewMailboxDriver(const NewMailboxDriver&) = delete;
    NewMailboxDriver& operator=(const NewMailboxDriver&) = delete;

    bool Installed() const { return hook_ != nullptr; }
    // Both dialogs were filled and confirmed.
    bool Completed() const { return stage_ == kDone; }

private:
    enum Stage { kName, kAccount, kDone, kGaveUp };

    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnCreated(HWND window, const CREATESTRUCTA& create);
    void OnShown(HWND window);
    bool FillAccount(HWND window);

    std::string mailboxName_, yourName_, yourEmail_;
    HHOOK hook_ = nullptr;
    Stage stage_ = kName;
    int dialogs_ = 0;       // top-level dialogs created so far (only the first two are watched)
    HWND watched_[2] = {};  // the name prompt and the account dialog
    WNDPROC previous_[2] = {};
    HWND nameEdit_ = nullptr;  // the edit created last while the name prompt was being built
};
