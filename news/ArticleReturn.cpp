#include "news/ArticleReturn.h"

#include <vector>

#include "host/CSE.h"
#include "host/HostApi.h"
#include "host/SectionLock.h"
#include "news/NewsState.h"

namespace {

const char kCaption[] = "Rillpost";
const char kBackInCompose[] = "Your article was not posted. It is back in a compose window.";
const char kKeptInInbox[] = "Your article was not posted. It has been kept in the inbox of your news mailbox.";
const char kNotKept[] = "Your article was not posted, and it could not be kept. Please write it again.";

struct ReturnedArticle {
    std::string text;
    std::string inbox;
};

// The articles on their way to the user-interface thread. The lock is held only to add or take
// entries, never across a host call, so no fault can leave it held.
class ReturnedArticleList {
public:
    ReturnedArticleList() { InitializeCriticalSection(&lock_); }
    ~ReturnedArticleList() { DeleteCriticalSection(&lock_); }
    ReturnedArticleList(const ReturnedArticleList&) = delete;
    ReturnedArticleList& operator=(const ReturnedArticleList&) = delete;

    // Returns the entry's number, for Withdraw.
    unsigned long Add(ReturnedArticle article) {
        SectionLock hold(&lock_);
        entries_.push_back(Entry{++last_, std::move(article)});
        return last_;
    }
    // Takes the entry back unless it was taken already; true when it was still listed.
    bool Withdraw(unsigned long number, ReturnedArticle* article) {
        SectionLock hold(&lock_);
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->number == number) {
                *article = std::move(it->article);
                entries_.erase(it);
                return true;
            }
        }
        return false;
    }
    std::vector<ReturnedArticle> TakeAll() {
        SectionLock hold(&lock_);
        std::vector<ReturnedArticle> all;
        for (Entry& entry : entries_)
            all.push_back(std::move(entry.article));
        entries_.clear();
        return all;
    }

private:
    struct Entry {
        unsigned long number;
        ReturnedArticle article;
    };
    CRITICAL_SECTION lock_;
    std::vector<Entry> entries_;
    unsigned long last_ = 0;
};

ReturnedArticleList gReturned;

UINT ReturnMessage() {
    static const UINT id = RegisterWindowMessageA("Rillpost.ReturnedArticle");
    return id;
}

void TellUser(const char* text) {
    try {
        CSE::Guard([text] { gShowMessageBox(gMainWindow, text, kCaption, MB_OK | MB_ICONWARNING); });
    } catch (...) {
    }
}

void StoreAndTell(const ReturnedArticle& article) {
    TellUser(StoreArticleInInbox(article.text, article.inbox) ? kKeptInInbox : kNotKept);
}

// Reopens the article in a compose window; false (nothing shown) when none opened or the host
// faulted on the way.
bool Reopen(const ReturnedArticle& article) {
    bool reopened = false;
    try {
        CSE::Guard([&] {
            if (!gHostApi.IsBound() || !gHostApi.BKA_ComposeMail || !gHostApi.BKA_CompSetSource)
                return;
            HWND compose = gHostApi.BKA_ComposeMail("mailto:");
            if (compose == nullptr)
                return;
            gHostApi.BKA_CompSetSource(compose, article.text.c_str());
            reopened = true;
        });
    } catch (...) {
        // A compose window may have opened before the fault; the inbox still gets the article,
        // so that it is kept whatever the window holds.
        reopened = false;
    }
    return reopened;
}

}  // namespace

bool StoreArticleInInbox(const std::string& text, const std::string& inboxFolder) {
    bool stored = false;
    try {
        CSE::Guard([&] {
            // The host's answer says nothing about success.
            if (!inboxFolder.empty() && gHostApi.IsBound()) {
                gHostApi.BKA_AppendMessage(inboxFolder.c_str(), text.c_str());
                stored = true;
            }
        });
    } catch (...) {
        stored = false;
    }
    return stored;
}

void ReturnArticleToUser(const std::string& text, const std::string& inboxFolder) {
    HWND carrier = gStatusBar;
    if (carrier != nullptr && ReturnMessage() != 0 && !IsShuttingDown()) {
        unsigned long number = gReturned.Add(ReturnedArticle{text, inboxFolder});
        if (PostMessageA(carrier, ReturnMessage(), 0, 0))
            return;
        ReturnedArticle article;
        // The user-interface thread may have taken it with an earlier message: it is handled.
        if (!gReturned.Withdraw(number, &article))
            return;
    }
    StoreAndTell(ReturnedArticle{text, inboxFolder});
}

bool HandleArticleReturn(UINT message, LPARAM) {
    if (message == 0 || message != ReturnMessage())
        return false;
    for (const ReturnedArticle& article : gReturned.TakeAll()) {
        if (Reopen(article)) {
            try {
                CSE::Guard([] { gHostApi.BKA_SetMessageText(nullptr, kBackInCompose); });
            } catch (...) {
            }
        } else {
            StoreAndTell(article);
        }
    }
    return true;
}

void StoreReturnedArticlesNow() {
    for (const ReturnedArticle& article : gReturned.TakeAll())
        StoreArticleInInbox(article.text, article.inbox);
}
