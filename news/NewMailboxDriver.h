// Fills the host's two new-mailbox dialogs (command 42787): the name prompt gets the mailbox
// name, the account page your name and e-mail address, and each is confirmed with OK. While an
// object lives a window-creation hook watches this thread; it is removed, and any dialog still
// subclassed gets its own procedure back, when the object goes. A dialog that does not look as
// expected (an error box instead of the name prompt, say) is left to the user, and so is every
// dialog after it. User-interface thread only; one object at a time.
#pragma once

#include <windows.h>

#include <string>

#include "ui/CbtHook.h"
#include "ui/ManageTypes.h"

class NewMailboxDriver : private CbtHook::Watcher {
public:
    NewMailboxDriver(const std::string& mailboxName, const std::string& yourName, const std::string& yourEmail);
    NewMailboxDriver(const NewMailboxDriver&) = delete;
    NewMailboxDriver& operator=(const NewMailboxDriver&) = delete;

    bool Installed() const { return hook_.Installed(); }
    // Both dialogs were filled and confirmed.
    bool Completed() const { return stage_ == kDone; }

private:
    enum Stage { kName, kAccount, kDone, kGaveUp };

    bool OnCreate(HWND window, const CREATESTRUCTA& create) override;
    void OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnShown(HWND window);
    bool FillAccount(HWND window);

    std::string mailboxName_, yourName_, yourEmail_;
    Stage stage_ = kName;
    HWND watched_[2] = {};     // the name prompt and the account dialog
    HWND nameEdit_ = nullptr;  // the edit created last while the name prompt was being built
    // Last: the hook goes first, before the state it reports to.
    CbtHook hook_;
};

// Drives the host's new-mailbox command (42787) and fills its two dialogs from `fields`.
// Returns the id of the mailbox the host really created during this call, or "" when none was
// created (cancelled, an error box instead of the dialogs, ...). The window hook is gone when it
// returns, whatever happened.
std::string CreateHostMailbox(HWND owner, const ServerFields& fields);
