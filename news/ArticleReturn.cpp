#include "news/ArticleReturn.h"

#include <memory>

#include "host/HostApi.h"
#include "news/NewsState.h"

namespace {

const char kCaption[] = "Rillpost";
const char kBackInCompose[] = "Your article was not posted. It is back in a compose window.";
const char kKeptInInbox[] = "Your article was not posted. It has been kept in the inbox of your news mailbox.";
const char kNotKept[] = "Your article was not posted, and it could not be kept. Please write it again.";

// Owned by the posted message until the user-interface thread takes it.
struct ReturnedArticle {
    std::string text;
    std::string inbox;
};

UINT ReturnMessage() {
    static const UINT id = RegisterWindowMessageA("Rillpost.ReturnedArticle");
    return id;
}

void StoreInInbox(const ReturnedArticle& article) {
    bool kept = !article.inbox.empty() && gHostApi.IsBound();
    if (kept)
        gHostApi.BKA_AppendMessage(article.inbox.c_str(), article.text.c_str());
    gShowMessageBox(gMainWindow, kept ? kKeptInInbox : kNotKept, kCaption, MB_OK | MB_ICONWARNING);
}

}  // namespace

void ReturnArticleToUser(const std::string& text, const std::string& inboxFolder) {
    auto article = std::make_unique<ReturnedArticle>(ReturnedArticle{text, inboxFolder});
    HWND carrier = gStatusBar;
    if (carrier && ReturnMessage() != 0 &&
        PostMessageA(carrier, ReturnMessage(), 0, reinterpret_cast<LPARAM>(article.get()))) {
        article.release();  // the window procedure owns it now
        return;
    }
    StoreInInbox(*article);
}

bool HandleArticleReturn(UINT message, LPARAM lParam) {
    if (message == 0 || message != ReturnMessage())
        return false;
    std::unique_ptr<ReturnedArticle> article(reinterpret_cast<ReturnedArticle*>(lParam));
    HWND compose = nullptr;
    if (gHostApi.IsBound() && gHostApi.BKA_ComposeMail && gHostApi.BKA_CompSetSource)
        compose = gHostApi.BKA_ComposeMail("mailto:");
    if (compose) {
        gHostApi.BKA_CompSetSource(compose, article->text.c_str());
        gHostApi.BKA_SetMessageText(nullptr, kBackInCompose);
    } else {
        StoreInInbox(*article);
    }
    return true;
}
