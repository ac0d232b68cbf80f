// The posting records of postings started from BKC_OnSend. A record lives from the start of its
// posting until a later BKC_OnSend or BKC_OnExit finds it finished and destroys it; the record
// owns its progress window, which owns the posting's NewsClient.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "nntp/NewsClient.h"

struct PostingRecord {
    // The posting's client and view, shared with the posting worker: whichever lets go last
    // frees them, so neither the worker nor a Cancel ever reaches a destroyed object.
    std::shared_ptr<NewsClient> client;
    std::shared_ptr<PostingView> view;
    // The posting progress window (modeless, on the user-interface thread) and the function that
    // destroys it together with its NewsClient; set by whoever creates the window.
    void* window = nullptr;
    void (*destroyWindow)(void* window) = nullptr;
    // 1 while the posting runs; the posting worker sets it to 0 when it ends.
    volatile LONG inProgress = 1;
    // The article as sent and the news mailbox's inbox, for a give-back that the posting itself
    // can no longer make (a fault in its worker, or the plug-in's exit).
    std::string article;
    std::string inbox;
};

// Makes the progress window of a posting whose record has its client: sets the record's view,
// window and destroyWindow, the window owned by `parent`. User-interface thread. False when no
// window could be made (the record is then left as it was). Installed by the dialogs at load;
// null where there are none (tests), and then postings report through the status bar.
extern bool (*gCreatePostingWindow)(PostingRecord* record, HWND parent);

class PostingWindowList {
public:
    PostingWindowList() { InitializeCriticalSection(&lock_); }
    ~PostingWindowList();
    PostingWindowList(const PostingWindowList&) = delete;
    PostingWindowList& operator=(const PostingWindowList&) = delete;

    // Takes ownership of record.
    void Add(PostingRecord* record);
    // Destroys every record whose posting has ended and removes it; running ones are kept.
    // User-interface thread only, because the windows belong to it.
    void DestroyFinished();
    size_t Size();

    // Ends a posting: its worker no longer touches the record once this returns.
    void Finish(PostingRecord* record);
    // True when no posting runs.
    bool AllFinished();
    // At exit: the postings still running are cancelled, and the article of each whose give-back
    // could still be claimed is returned as (article, inbox) for the caller to store.
    std::vector<std::pair<std::string, std::string>> TakeOverRunning();

    CRITICAL_SECTION* Lock() { return &lock_; }

private:
    CRITICAL_SECTION lock_;
    std::vector<PostingRecord*> records_;
};
