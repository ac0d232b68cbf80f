#include "news/NewMailboxDriver.h"

#include <cstring>
#include <vector>

#include "host/HostApi.h"
#include "news/NewsState.h"
#include "ui/MailboxFolders.h"

namespace {

// The host's account page: your name and e-mail address.
const int kYourNameId = 1014;
const int kMailAddressId = 1015;

std::string ClassOf(HWND window) {
    char name[82] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

bool IsDialog(HWND window) {
    return ClassOf(window) == "#32770";
}

void Confirm(HWND dialog) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    // The dialog may end before its modal loop waits for the first time; wake the loop.
    PostMessageA(dialog, WM_NULL, 0, 0);
}

}  // namespace

NewMailboxDriver::NewMailboxDriver(const std::string& mailboxName,
                                   const std::string& yourName,
                                   const std::string& yourEmail)
    : mailboxName_(mailboxName), yourName_(yourName), yourEmail_(yourEmail), hook_(*this) {}

bool NewMailboxDriver::OnCreate(HWND window, const CREATESTRUCTA& create) {
    if (stage_ == kDone || stage_ == kGaveUp)
        return false;
    int dialogs = hook_.WatchedCount();
    if (dialogs == 1 && _stricmp(ClassOf(window).c_str(), "Edit") == 0) {
        nameEdit_ = window;
        return false;
    }
    if ((create.style & WS_CHILD) != 0 || !IsDialog(window))
        return false;
    watched_[dialogs] = window;
    return true;
}

void NewMailboxDriver::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG && window == watched_[0] && stage_ == kName) {
        if (nameEdit_ != nullptr && IsChild(window, nameEdit_))
            SetWindowTextA(nameEdit_, mailboxName_.c_str());
        else
            stage_ = kGaveUp;  // not the name prompt (an error box, for one)
    } else if (message == WM_SHOWWINDOW && wParam != FALSE) {
        OnShown(window);
    }
}

void NewMailboxDriver::OnShown(HWND window) {
    if (window == watched_[0] && stage_ == kName) {
        stage_ = kAccount;
        Confirm(window);
    } else if (window == watched_[1] && stage_ == kAccount) {
        if (!FillAccount(window)) {
            stage_ = kGaveUp;
            return;
        }
        stage_ = kDone;
        Confirm(window);
    }
}

// The account page is the first child of the account dialog's first child dialog.
bool NewMailboxDriver::FillAccount(HWND window) {
    HWND frame = GetWindow(window, GW_CHILD);
    while (frame != nullptr && !IsDialog(frame))
        frame = GetWindow(frame, GW_HWNDNEXT);
    HWND page = frame ? GetWindow(frame, GW_CHILD) : nullptr;
    HWND name = page ? GetDlgItem(page, kYourNameId) : nullptr;
    HWND address = page ? GetDlgItem(page, kMailAddressId) : nullptr;
    if (name == nullptr || address == nullptr)
        return false;
    SetWindowTextA(name, yourName_.c_str());
    SetWindowTextA(address, yourEmail_.c_str());
    return true;
}

namespace {

// The host's command that creates a mailbox through its two dialogs.
const WPARAM kNewMailboxCommand = 42787;

bool ContainsIgnoringCase(const std::vector<std::string>& names, const std::string& name) {
    for (const std::string& other : names) {
        if (_stricmp(other.c_str(), name.c_str()) == 0)
            return true;
    }
    return false;
}

}  // namespace

std::string CreateHostMailbox(HWND, const ServerFields& fields) {
    if (!gHostApi.IsBound() || gMainWindow == nullptr)
        return std::string();
    std::string data = HostDataFolder();
    std::vector<std::string> before = MailboxFolders(data);
    std::string currentBefore = HostText(gHostApi.BKA_GetCurrentMailBox());
    {
        NewMailboxDriver driver(fields.mailboxName, fields.yourName, fields.yourEmail);
        if (!driver.Installed())
            return std::string();
        SendMessageA(gMainWindow, WM_COMMAND, kNewMailboxCommand, 0);
    }
    // The host makes the mailbox it created the current one. Anything else current now (the
    // user cancelled, the host refused the name) is an old mailbox and must not be bound.
    std::string created = HostText(gHostApi.BKA_GetCurrentMailBox());
    if (created.empty() || created == currentBefore)
        return std::string();
    std::string folder = created.substr(0, created.find_first_of("\\/"));
    if (ContainsIgnoringCase(before, folder) || !ContainsIgnoringCase(MailboxFolders(data), folder))
        return std::string();
    return created;
}
