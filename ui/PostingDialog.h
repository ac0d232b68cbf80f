// "Posting your article...": the modeless window that shows one posting's progress and lets
// the user cancel it.
//
// Threads and lifetimes: the window belongs to the user-interface thread, the PostingView calls
// come from the posting worker. The worker never touches the window: it stores what is to be
// shown under the object's lock and posts the window a private message, and the window copies
// the stored state into its controls. Destroy clears the window handle under the same lock, so a
// worker that reports after the window has gone changes only the stored state. The object is
// shared (std::shared_ptr) by the posting record and the worker and outlives its window; it
// holds the posting's NewsClient so that Cancel reaches its socket. Cancel closes that socket
// and hides the window; it never waits for the worker.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "nntp/NewsClient.h"
#include "ui/DialogBase.h"

class PostingDialog : public DialogBase, public PostingView {
public:
    explicit PostingDialog(std::shared_ptr<NewsClient> client);
    ~PostingDialog() override;

    // User-interface thread. Creates the window, hidden, with the bar at 0 of 0..100.
    bool Create(HWND parent);
    // User-interface thread. Destroys the window; idempotent.
    void Destroy();

    // PostingView; any thread, also after Destroy.
    void SetTitle(const std::string& text) override;
    void Show() override;
    void SetStatus(const std::string& text) override;
    void SetProgress(int percent) override;
    void Hide() override;
    bool IsCancelled() override;

protected:
    bool OnInit() override;
    bool OnCancel() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // What the worker asked to show; guarded by lock_.
    struct Shown {
        std::string title = "Posting your article...";
        std::string status = "Status";
        int progress = 0;
        bool visible = false;
    };
    // Stores a change made by `change` and asks the window to show it.
    template <class Change>
    void Update(Change change);
    // User-interface thread: the stored state into the controls.
    void Apply();

    std::shared_ptr<NewsClient> client_;
    CRITICAL_SECTION lock_;
    HWND window_ = nullptr;  // while the window exists; guarded by lock_
    bool refreshPosted_ = false;
    bool cancelled_ = false;
    Shown shown_;
};
