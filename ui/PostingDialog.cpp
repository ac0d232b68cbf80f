#include "ui/PostingDialog.h"

#include <commctrl.h>

#include "host/SectionLock.h"
#include "ui/DialogsRes.h"

namespace {

const UINT kRefresh = WM_APP + 31;
const char kCancelQuestion[] = "Do you want to cancel this operation?";

}  // namespace

PostingDialog::PostingDialog(std::shared_ptr<NewsClient> client) : DialogBase(IDD_POSTING), client_(std::move(client)) {
    InitializeCriticalSection(&lock_);
}

PostingDialog::~PostingDialog() {
    // The last owner may be the worker: the window is left to the user-interface thread's Destroy.
    DeleteCriticalSection(&lock_);
}

bool PostingDialog::Create(HWND parent) {
    // The host has registered its own controls; the progress bar may not be among them.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    return CreateModeless(parent) != nullptr;
}

bool PostingDialog::OnInit() {
    SendMessageA(Item(IDC_PROGRESS_BAR), PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageA(Item(IDC_PROGRESS_BAR), PBM_SETPOS, 0, 0);
    SectionLock hold(&lock_);
    window_ = Window();
    return true;
}

void PostingDialog::Destroy() {
    HWND window;
    {
        SectionLock hold(&lock_);
        window = window_;
        window_ = nullptr;
    }
    // Outside the lock: destroying sends messages, and the worker must never wait for them.
    if (window)
        DestroyWindow(window);
}

template <class Change>
void PostingDialog::Update(Change change) {
    SectionLock hold(&lock_);
    change(shown_);
    // One refresh in the queue at a time: a fast posting must not flood the host's queue.
    if (window_ && !refreshPosted_)
        refreshPosted_ = PostMessageA(window_, kRefresh, 0, 0) != FALSE;
}

void PostingDialog::SetTitle(const std::string& text) {
    Update([&](Shown& shown) { shown.title = text; });
}

void PostingDialog::Show() {
    Update([](Shown& shown) { shown.visible = true; });
}

void PostingDialog::SetStatus(const std::string& text) {
    Update([&](Shown& shown) { shown.status = text; });
}

void PostingDialog::SetProgress(int percent) {
    Update([&](Shown& shown) { shown.progress = percent; });
}

void PostingDialog::Hide() {
    Update([](Shown& shown) { shown.visible = false; });
}

bool PostingDialog::IsCancelled() {
    SectionLock hold(&lock_);
    return cancelled_;
}

void PostingDialog::Apply() {
    Shown shown;
    {
        SectionLock hold(&lock_);
        refreshPosted_ = false;
        shown = shown_;
        if (cancelled_)
            shown.visible = false;
    }
    SetWindowTextA(Window(), shown.title.c_str());
    SetItemText(IDC_PROGRESS_STATUS, shown.status);
    SendMessageA(Item(IDC_PROGRESS_BAR), PBM_SETPOS, static_cast<WPARAM>(shown.progress), 0);
    ShowWindow(Window(), shown.visible ? SW_SHOWNORMAL : SW_HIDE);
}

bool PostingDialog::OnMessage(UINT message, WPARAM, LPARAM) {
    if (message == kRefresh) {
        Apply();
        return true;
    }
    if (message == WM_DESTROY) {
        SectionLock hold(&lock_);
        window_ = nullptr;
    }
    return false;
}

bool PostingDialog::OnCancel() {
    if (Message(kCancelQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        {
            SectionLock hold(&lock_);
            cancelled_ = true;
        }
        client_->Cancel();
        ShowWindow(Window(), SW_HIDE);
    }
    // A modeless window is not ended: it stays, hidden, until its record destroys it.
    return false;
}
