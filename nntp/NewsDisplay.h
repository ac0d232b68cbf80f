// Where a conversation shows what happens. The NNTP code never calls the user interface itself:
// the plug-in hands it these views, and tests hand it recorders.
#pragma once

#include <string>

// Message boxes and the host's status-bar message.
class NewsDisplay {
public:
    virtual ~NewsDisplay() = default;
    // A message box with an OK button; returns when the user has closed it.
    virtual void ShowMessage(const std::string& text) = 0;
    // The host's status-bar message (BKA_SetMessageText without a window).
    virtual void SetHostMessage(const std::string& text) = 0;
    // The host's current mail identifier; download progress is shown only for that mail.
    virtual std::string CurrentMail() = 0;
    // The server's certificate failed its check: asks the user whether to trust this one
    // certificate for `server`, naming the problem and the SHA-256 fingerprint. True only on the
    // user's explicit yes; a display that cannot ask refuses.
    virtual bool AskTrustCertificate(const std::string& /*server*/,
                                     const std::string& /*problem*/,
                                     const std::string& /*fingerprint*/,
                                     const std::string& /*subject*/) {
        return false;
    }
};

// The group-list dialog as a group-list fetch sees it. Called on the fetching worker thread.
class GroupListView {
public:
    virtual ~GroupListView() = default;
    virtual void SetStatus(const std::string& text) = 0;
    // Set once the user has pressed Cancel (the dialog has then closed the socket).
    virtual bool IsCancelled() = 0;
};

// The synchronization dialog as a download sees it. Called on the downloading thread.
class SyncView {
public:
    virtual ~SyncView() = default;
    virtual void SetStatus(const std::string& text) = 0;
    // The per-item progress bar, 0..100.
    virtual void SetItemProgress(int percent) = 0;
    // The result column of the row being synchronized ("5 new articles").
    virtual void SetRowResult(const std::string& /*text*/) {}
};

// The posting progress window as a posting sees it. Called on the posting worker thread; the
// user's Cancel arrives on the user-interface thread, closes the posting's connection and is
// then reported by IsCancelled. The posting shares the view, so an implementation must stay
// safe to call after its window has gone.
class PostingView {
public:
    virtual ~PostingView() = default;
    virtual void SetTitle(const std::string& text) = 0;
    virtual void Show() = 0;
    virtual void SetStatus(const std::string& text) = 0;
    // The progress bar, 0..100.
    virtual void SetProgress(int percent) = 0;
    // At every end of the posting.
    virtual void Hide() = 0;
    virtual bool IsCancelled() = 0;
};

// The plug-in's own display: message boxes owned by `owner` and the bound host functions.
// Both texts are kept for the object's lifetime.
class HostNewsDisplay : public NewsDisplay {
public:
    HostNewsDisplay(void* owner, const std::string& caption) : owner_(owner), caption_(caption) {}
    void ShowMessage(const std::string& text) override;
    void SetHostMessage(const std::string& text) override;
    std::string CurrentMail() override;

private:
    void* owner_;  // HWND; kept as void* so this header needs no <windows.h>
    std::string caption_;
};
