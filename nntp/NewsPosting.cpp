// Posting: the article goes out dot-stuffed with CR LF line ends, in pieces the posting window
// can show. Whatever stops a posting, the article is given back to the user: it is never lost.
#include <windows.h>

#include <shlwapi.h>

#include <cstdio>
#include <memory>

#include "host/Optex.h"
#include "nntp/ArticleText.h"
#include "nntp/NewsClient.h"
#include "nntp/NntpReply.h"
#include "nntp/NntpText.h"
#include "nntp/ServerAccount.h"

namespace {

const char kPostingRefused[] = "This Server doesn't allow you to post new articles!";
const char kPostedError[] = "Posted Error!\n";
const char kPosted[] = "You have posted a new article successfully!";



}  // namespace

bool NewsClient::PostArticle(const std::string& server, const std::string& article, PostingView* dialog) {
    NewsDisplay& display = *context_.display;
    StatusFn status = [dialog](const std::string& text) {
        if (dialog)
            dialog->SetStatus(text);
    };
    bool posted = false;
    std::string inbox;
    try {
        {
            // Read first, so that giving the article back never waits for the configuration.
            OptexLock lock(*context_.configOptex);
            std::string mailBox = ReadServerAccount(*context_.config, server).id;
            if (!mailBox.empty())
                inbox = mailBox + "!!!!Inbox\\";
        }
        if (dialog) {
            dialog->SetTitle("Posting " + ArticleSubject(article));
            dialog->Show();
        }
        static const Opening kOpening = {"Connecting to the server...", "Connection established.", false, nullptr,
                                         false};
        if (Open(server, kOpening, status))
            posted = SendArticle(article, dialog);
    } catch (CBlockingSocketException* thrown) {
        std::unique_ptr<CBlockingSocketException> failure(thrown);
        // A Cancel closes the socket on purpose: the error that follows is the user's own doing.
        bool cancelled = dialog && dialog->IsCancelled();
        ReportSocketFailure(*failure, !cancelled, [&](const std::string& text) { display.ShowMessage(text); });
    } catch (...) {
        try {
            display.SetHostMessage(kUnknownExceptionText);
        } catch (...) {
        }
    }
    try {
        if (dialog)
            dialog->Hide();
        if (!posted)
            context_.host->ReturnArticle(article, inbox);
    } catch (...) {
    }
    return posted;
}

bool NewsClient::SendArticle(const std::string& article, PostingView* dialog) {
    NewsDisplay& display = *context_.display;
    std::string reply = OneLineCommand("POST\r\n");
    if (!ReplyIs(reply, kReplySendArticle)) {
        display.ShowMessage(kPostingRefused);
        return false;
    }
    std::string text = FrameArticle(context_.shared->EncodeHeader() ? RebuildHeaderFields(article) : article);
    SendWithProgress(text, dialog);
    if (dialog)
        dialog->SetStatus("Receving the server response...");
    socket_.ReadLine(&reply, timeout_);
    if (!ReplyIs(reply, kReplyArticlePosted)) {
        display.ShowMessage(kPostedError + WithoutLineEnd(reply));
        return false;
    }
    if (context_.shared->PostPopup())
        display.ShowMessage(kPosted);
    return true;
}

void NewsClient::SendWithProgress(const std::string& text, PostingView* dialog) {
    char total[256] = "";
    StrFormatByteSizeA(static_cast<DWORD>(text.size()), total, sizeof total);
    size_t sent = 0;
    while (sent < text.size()) {
        size_t piece = text.size() - sent < static_cast<size_t>(kPostPiece) ? text.size() - sent : kPostPiece;
        sent += static_cast<size_t>(socket_.Write(text.data() + sent, static_cast<int>(piece), timeout_));
        int percent = static_cast<int>(static_cast<unsigned long long>(sent) * 100 / text.size());
        if (dialog) {
            char line[320];
            snprintf(line, sizeof line, "Sending %d%%, %s total", percent, total);
            dialog->SetStatus(line);
            dialog->SetProgress(percent);
        }
    }
}
