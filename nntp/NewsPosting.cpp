// Posting: the article goes out dot-stuffed with CR LF line ends, in pieces the posting window
// can show. Whatever stops a posting, the article is given back to the user: it is never lost.
#include <windows.h>

#include <shlwapi.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "host/Optex.h"
#include "nntp/ArticleFramer.h"
#include "nntp/ArticleText.h"
#include "nntp/NewsClient.h"
#include "nntp/NntpReply.h"
#include "nntp/NntpText.h"
#include "nntp/ProgressGate.h"
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
        static const Opening kOpening = {
            "Connecting to the server...", "Connection established.", false, nullptr, false, false};
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
    } catch (...) {
    }
    try {
        if (!posted && ClaimGiveBack())
            context_.host->ReturnArticle(article, inbox);
    } catch (...) {
    }
    return posted;
}

bool NewsClient::ClaimGiveBack() {
    if (accepted_ != 0)
        return false;
    return InterlockedCompareExchange(&givenBack_, 1, 0) == 0;
}

bool NewsClient::SendArticle(const std::string& article, PostingView* dialog) {
    NewsDisplay& display = *context_.display;
    std::string reply = OneLineCommand("POST\r\n");
    if (!ReplyIs(reply, kReplySendArticle)) {
        display.ShowMessage(kPostingRefused);
        return false;
    }
    if (context_.shared->EncodeHeader())
        SendWithProgress(RebuildHeaderFields(article), dialog);
    else
        SendWithProgress(article, dialog);
    if (dialog)
        dialog->SetStatus("Receving the server response...");
    socket_.ReadLine(&reply, timeout_);
    if (!ReplyIs(reply, kReplyArticlePosted)) {
        display.ShowMessage(kPostedError + WithoutLineEnd(reply));
        return false;
    }
    // Known before anything else can go wrong: a posted article must never come back as unsent.
    InterlockedExchange(&accepted_, 1);
    if (context_.shared->PostPopup())
        display.ShowMessage(kPosted);
    return true;
}

void NewsClient::SendWithProgress(const std::string& text, PostingView* dialog) {
    ArticleFramer framer(text);
    const size_t size = framer.Size();
    char total[256] = "";
    StrFormatByteSizeA(static_cast<DWORD>(size), total, sizeof total);
    // Each piece is framed while the one before it is on its way. The window is told only what
    // the gate passes: every update is a cross-thread call into the window, and a fast link
    // would otherwise spend its time on them.
    std::vector<char> piece(kPostPiece);
    ProgressGate gate;
    size_t sent = 0;
    for (size_t n; (n = framer.Fill(piece.data(), piece.size())) > 0;) {
        sent += static_cast<size_t>(socket_.Write(piece.data(), static_cast<int>(n), timeout_));
        int percent = static_cast<int>(static_cast<unsigned long long>(sent) * 100 / size);
        if (!dialog || !gate.Pass(percent, GetTickCount64(), sent >= size))
            continue;
        char line[320];
        snprintf(line, sizeof line, "Sending %d%%, %s total", percent, total);
        dialog->SetStatus(line);
        dialog->SetProgress(percent);
    }
}
