#include "ui/GroupInfoDialog.h"

#include <commctrl.h>

#include "host/SectionLock.h"
#include "ui/DialogBase.h"
#include "ui/DialogsRes.h"
#include "ui/ResourceModule.h"

namespace {

const UINT kFetchEnded = WM_APP + 30;
const UINT kRefresh = WM_APP + 31;
const char kCancelQuestion[] = "Do you want to cancel this operation?";

// What the dialog and its worker share; it lives as long as either holds it. The worker reaches
// the window only by posting messages, and only while the window exists (window under lock).
class GroupInfoState : public GroupListView {
public:
    GroupInfoState() { InitializeCriticalSection(&lock_); }
    ~GroupInfoState() override { DeleteCriticalSection(&lock_); }
    GroupInfoState(const GroupInfoState&) = delete;
    GroupInfoState& operator=(const GroupInfoState&) = delete;

    // Worker thread.
    void SetStatus(const std::string& text) override {
        SectionLock hold(&lock_);
        status_ = text;
        if (window_ && !refreshPosted_)
            refreshPosted_ = PostMessageA(window_, kRefresh, 0, 0) != FALSE;
    }
    bool IsCancelled() override {
        SectionLock hold(&lock_);
        return cancelled_;
    }
    void Ended() {
        SectionLock hold(&lock_);
        if (window_)
            PostMessageA(window_, kFetchEnded, 0, 0);
    }

    // User-interface thread.
    void Attach(HWND window) {
        SectionLock hold(&lock_);
        window_ = window;
    }
    void Detach() { Attach(nullptr); }
    std::string TakeStatus() {
        SectionLock hold(&lock_);
        refreshPosted_ = false;
        return status_;
    }
    void Cancel() {
        SectionLock hold(&lock_);
        cancelled_ = true;
    }

private:
    CRITICAL_SECTION lock_;
    HWND window_ = nullptr;
    std::string status_;
    bool refreshPosted_ = false;
    bool cancelled_ = false;
};

// The worker's parameter block; the worker owns it.
struct FetchTask {
    std::string server;
    std::shared_ptr<NewsClient> client;
    std::shared_ptr<GroupInfoState> state;
};

DWORD WINAPI FetchWorker(void* param) {
    std::unique_ptr<FetchTask> task(static_cast<FetchTask*>(param));
    try {
        // Shows its own failures, and none caused by the Cancel (the state says so).
        task->client->GetGroupList(task->server, task->state.get());
    } catch (...) {
    }
    task->state->Ended();
    return 0;
}

class GroupInfoDialog : public DialogBase {
public:
    GroupInfoDialog(const std::string& server, std::shared_ptr<NewsClient> client, WorkerStart start)
        : DialogBase(IDD_GROUP_INFO),
          server_(server),
          client_(std::move(client)),
          start_(start),
          state_(std::make_shared<GroupInfoState>()) {}

protected:
    bool OnInit() override {
        HWND animation = Item(IDC_PROGRESS_ANIMATION);
        SendMessageA(animation, ACM_OPENA, reinterpret_cast<WPARAM>(ResourceModule()),
                     reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(IDR_BUSY_ANIMATION)));
        SendMessageA(animation, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
        SetItemText(IDC_PROGRESS_STATUS, "");
        state_->Attach(Window());
        auto* task = new FetchTask{server_, client_, state_};
        if (!start_(FetchWorker, task)) {
            delete task;
            state_->Detach();
            End(-1);
        }
        return true;
    }

    bool OnCancel() override {
        if (Message(kCancelQuestion, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return false;
        state_->Cancel();
        client_->Cancel();
        return true;
    }

    bool OnMessage(UINT message, WPARAM, LPARAM) override {
        switch (message) {
            case kRefresh:
                SetItemText(IDC_PROGRESS_STATUS, state_->TakeStatus());
                return true;
            case kFetchEnded:
                End(IDOK);
                return true;
            case WM_DESTROY:
                state_->Detach();
                return false;
            default:
                return false;
        }
    }

private:
    std::string server_;
    std::shared_ptr<NewsClient> client_;
    WorkerStart start_;
    std::shared_ptr<GroupInfoState> state_;
};

}  // namespace

INT_PTR RunGroupInfoDialog(HWND parent,
                           const std::string& server,
                           const std::shared_ptr<NewsClient>& client,
                           WorkerStart start) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_ANIMATE_CLASS};
    InitCommonControlsEx(&controls);
    GroupInfoDialog dialog(server, client, start);
    return dialog.Run(parent);
}
