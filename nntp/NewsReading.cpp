// Group updates: the GROUP answer decides the range, LastNumber is reserved before anything is
// fetched (two updates never fetch the same range), and the new articles come in as
// placeholders (XOVER) or whole (ARTICLE).
#include <windows.h>

#include <cstdio>
#include <memory>
#include <new>
#include <utility>

#include "host/CSE.h"
#include "host/Optex.h"
#include "nntp/GroupRecord.h"
#include "nntp/GroupReply.h"
#include "nntp/NewsClient.h"
#include "nntp/NntpReply.h"
#include "nntp/NntpText.h"
#include "nntp/Overview.h"
#include "nntp/ReplyBufferPool.h"
#include "xml/XmlConfig.h"

namespace {

std::string NewArticlesText(size_t count) {
    return std::to_string(count) + " new articles";
}

// The article number that starts an overview line, -1 when it has none.
long long ArticleNumber(const char* line, size_t length) {
    if (length == 0 || line[0] < '0' || line[0] > '9')
        return -1;
    size_t digits = 0;
    while (digits < length && digits < 18 && line[digits] >= '0' && line[digits] <= '9')
        ++digits;
    return LeadingNumber(std::string(line, digits), 1LL << 62);
}

}  // namespace

// The state of one update, kept outside the guarded body so that every way out can give back
// what was not fetched.
struct NewsClient::UpdateRun {
    std::string server, group, folderId;
    bool reserved = false;  // LastNumber now holds `range.newLastNumber`
    XoverRange range;
    long long appendedThrough = 0;  // one past the last article appended so far, 0: none
    bool saveFile = false;
    bool complete = false;
};

std::string NewsClient::OneLineCommand(const std::string& command) {
    std::string line;
    socket_.WriteString(command, timeout_);
    socket_.ReadLine(&line, timeout_);
    if (ReplyIs(line, kReplyChangeCapability) && !readerMode_) {
        SwitchToReader();
        socket_.WriteString(command, timeout_);
        socket_.ReadLine(&line, timeout_);
    }
    return line;
}

void NewsClient::ReadArticle(const std::string& messageId,
                             std::string* reply,
                             int size,
                             const std::string& mailId,
                             SyncView* sync,
                             const std::string& itemText,
                             int itemCount,
                             int itemNumber) {
    std::string command;
    if (!BuildCommand("ARTICLE", messageId, &command)) {
        *reply = "430 no such article\r\n";
        return;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        socket_.WriteString(command, timeout_);
        ReadResponse(reply, size, mailId, sync, itemText, nullptr, itemCount, itemNumber);
        if (!ReplyIs(*reply, kReplyChangeCapability) || readerMode_)
            return;
        SwitchToReader();
    }
}

// GROUP, the range rule and the reservation of the range. False when the server did not select
// the group (its answer is reported) or the configuration no longer has the group.
bool NewsClient::SelectAndReserve(UpdateRun& run, bool saveFile) {
    std::string command;
    if (!BuildCommand("GROUP", run.group, &command))
        return false;
    std::string line = OneLineCommand(command);
    GroupReply reply = ParseGroupReply(line);
    if (!reply.selected) {
        // LastNumber stays: nothing was fetched, and a refusal is no reason to skip articles.
        ReportFailure(WithoutLineEnd(line));
        return false;
    }
    OptexLock lock(*context_.configOptex);
    long long lastNumber = 0;
    if (!ReadLastNumber(*context_.config, run.server, run.folderId, &lastNumber))
        return false;
    run.range = ChooseXoverRange(lastNumber, reply, context_.shared->MaxNum(), context_.shared->DownloadStyle());
    if (!WriteLastNumber(*context_.config, run.server, run.folderId, run.range.newLastNumber))
        return false;
    run.reserved = true;
    run.saveFile = saveFile;
    if (saveFile)
        context_.shared->SaveConfiguration();
    return true;
}

void NewsClient::FetchOverview(const UpdateRun& run, std::string* reply) {
    reply->clear();
    if (!run.range.send)
        return;
    socket_.WriteString(FormatXoverCommand(run.range, Offers("OVER")), timeout_);
    socket_.ReadMultiLine(reply, timeout_);
    // Anything but an overview answer (an error line) means no lines: an empty range is answered
    // 224 with no lines by some servers and 423 by others, OVER more often the latter.
    if (!ReplyIs(*reply, kReplyOverviewFollows))
        reply->clear();
}

void NewsClient::GiveBackUnfetched(UpdateRun& run) {
    if (!run.reserved || run.complete || !run.range.send)
        return;
    // A server may number its overview lines below the range it was asked for: the range's start
    // stays the floor, or articles before it would be fetched (and appended) a second time.
    long long fallback = run.appendedThrough > run.range.start ? run.appendedThrough : run.range.start;
    OptexLock lock(*context_.configOptex);
    if (GiveBackLastNumber(*context_.config, run.server, run.folderId, run.range.newLastNumber, fallback) &&
        run.saveFile)
        context_.shared->SaveConfiguration();
}

void NewsClient::ReportFailure(const std::string& text) {
    if (context_.host)
        context_.host->SetHostMessage(text);
}

bool NewsClient::UpdateGroupHeaders(std::string server,
                                    std::string group,
                                    std::string folderId,
                                    int inDialog,
                                    SyncView* dialog) {
    const bool barMode = inDialog == 0;
    NewsHost& host = *context_.host;
    NewsShared& shared = *context_.shared;
    StatusFn status = [&](const std::string& text) {
        if (barMode)
            host.SetStatusPart(text);
        else if (dialog)
            dialog->SetStatus(text);
    };
    UpdateRun run;
    run.server = server;
    run.group = group;
    run.folderId = folderId;
    size_t added = 0;
    bool ok = false;
    try {
        CSE::Guard([&] {
            std::string connected = barMode ? "Updating..." : group + " - Connection Established!";
            Opening opening = {nullptr, (barMode || dialog) ? connected.c_str() : nullptr, false, nullptr, true};
            if (!Open(server, opening, status) || !SelectAndReserve(run, true))
                return;
            std::string reply;
            FetchOverview(run, &reply);
            // The lines are taken from the reply in place, one placeholder buffer reused for all.
            std::string text, subject, messageId;
            size_t start = reply.find("\r\n");
            while (start != std::string::npos) {
                start += 2;
                size_t end = reply.find("\r\n", start);
                if (end == std::string::npos || end == start)
                    break;
                BuildOverviewMessageInto(reply.data() + start, end - start, group, &text, &subject, &messageId);
                if (!host.AppendMessage(folderId, text))
                    return;  // the rest of the range is given back
                ++added;
                long long number = ArticleNumber(reply.data() + start, end - start);
                if (number >= 0)
                    run.appendedThrough = number + 1;
                shared.AddNewArticle(messageId, subject);
                start = end;
            }
            run.complete = true;
            ok = true;
        });
    } catch (CBlockingSocketException* thrown) {
        std::unique_ptr<CBlockingSocketException> failure(thrown);
        ReportSocketFailure(*failure, true, [this](const std::string& text) { ReportFailure(text); });
    } catch (const CSE& fault) {
        if (fault.GetExceptionCode() == CSE::kAccessViolation)
            ReportFailure(kAccessViolationText);
    } catch (...) {
        ReportFailure(kUnknownExceptionText);
    }
    try {
        GiveBackUnfetched(run);
    } catch (...) {
    }
    std::string summary = NewArticlesText(added);
    if (!barMode) {
        if (ok && dialog) {
            dialog->SetItemProgress(100);
            dialog->SetStatus(group + " - Update Completed!");
            dialog->SetRowResult(summary);
        }
        return ok;
    }
    // Status-bar mode: the folder leaves the busy list however the update ended, or it would
    // never be updated again.
    shared.FolderUpdateEnded(folderId);
    if (!ok)
        return false;
    if (added > 0 && host.CurrentFolder() == folderId) {
        // Moving to the parent and back makes the host read the folder again; meanwhile the
        // folder-open event must not start another update. Only the opens this causes are held
        // off: a message the user opens meanwhile is fetched as at any other time.
        std::string mail = host.CurrentMail();
        shared.BeginFolderRefresh(mail);
        host.SetCurrentFolder(ParentFolderId(folderId));
        host.SetCurrentFolder(folderId);
        host.SetCurrentMail(mail);
        shared.EndFolderRefresh(mail);
    }
    host.SetStatusPart(summary);
    host.FocusMessageList();
    return true;
}

bool NewsClient::UpdateGroupArticles(std::string server, std::string group, std::string folderId, SyncView* dialog) {
    NewsHost& host = *context_.host;
    StatusFn status = [&](const std::string& text) {
        if (dialog)
            dialog->SetStatus(text);
    };
    UpdateRun run;
    run.server = server;
    run.group = group;
    run.folderId = folderId;
    size_t count = 0;
    bool ok = false;
    try {
        CSE::Guard([&] {
            std::string connected = group + " - Connection Established!";
            Opening opening = {nullptr, dialog ? connected.c_str() : nullptr, false, nullptr, true};
            if (!Open(server, opening, status) || !SelectAndReserve(run, false))
                return;
            std::string reply;
            FetchOverview(run, &reply);
            std::vector<std::string> lines = SplitOverviewReply(reply);
            count = lines.size();
            status(group + " - " + NewArticlesText(count));
            for (size_t i = 0; i < lines.size(); ++i) {
                ArticleRecord record = ParseOverviewLine(lines[i]);
                std::string reply;
                ReadArticle(record.messageId, &reply, record.size, std::string(), dialog, record.subject,
                            static_cast<int>(count), static_cast<int>(i + 1));
                if (reply.compare(0, 2, "22") == 0) {
                    // The status line is cut off in place: a copy would hold the article twice.
                    size_t body = reply.find("\r\n");
                    reply.erase(0, body == std::string::npos ? reply.size() : body + 2);
                    if (!host.AppendMessage(folderId, reply))
                        return;
                }
                // The host has its own copy: the buffer can receive the next large article.
                ReplyBufferPool::GiveBack(std::move(reply));
                // An article the server no longer has (430) is skipped; it counts as fetched.
                long long number = ArticleNumber(lines[i].data(), lines[i].size());
                if (number >= 0)
                    run.appendedThrough = number + 1;
            }
            run.complete = true;
            ok = true;
        });
    } catch (CBlockingSocketException* thrown) {
        std::unique_ptr<CBlockingSocketException> failure(thrown);
        ReportSocketFailure(*failure, true, [this](const std::string& text) { ReportFailure(text); });
    } catch (const CSE&) {
        // Absorbed silently: the run goes on with the next group.
    } catch (...) {
        ReportFailure(kUnknownExceptionText);
    }
    try {
        GiveBackUnfetched(run);
    } catch (...) {
    }
    if (dialog && ok)
        dialog->SetRowResult(NewArticlesText(count));
    return ok;
}

bool NewsClient::SynchronizeGroup(std::string server,
                                  std::string group,
                                  std::string folderId,
                                  int headersOnly,
                                  SyncView* dialog) {
    if (headersOnly != 0)
        return UpdateGroupHeaders(server, group, folderId, 1, dialog);
    return UpdateGroupArticles(server, group, folderId, dialog);
}
