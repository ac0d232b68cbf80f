// Article retrieval: the article replaces its placeholder. When the placeholder is the message
// on display, the article is shown at once (pictures converted, the location plug-in given its
// turn) and queued for the user-interface thread to store.
#include <windows.h>

#include <memory>
#include <utility>

#include "host/CSE.h"
#include "nntp/BodyConverter.h"
#include "nntp/HeaderEdit.h"
#include "nntp/NewsClient.h"
#include "nntp/NntpReply.h"
#include "nntp/NntpText.h"
#include "nntp/PictureFolder.h"
#include "nntp/ReplyBufferPool.h"

namespace {

const char kDownloadError[] = "Download Error!The article seems not to be exist.Please try again.";

}  // namespace

void ResetDownloadFlag(NewsHost& host, NewsShared& shared, const std::string& mailId) {
    std::string source;
    if (!host.GetSource(mailId, &source))
        return;
    std::string text = SetHeaderInText(source, "X-RILLPOST-FLAG", "FALSE");
    shared.RunWithSources([&] { host.SetSource(mailId, text); });
}

bool NewsClient::RetrieveArticle(std::string server,
                                 std::string group,
                                 std::string mailId,
                                 std::string messageId,
                                 int size) {
    NewsHost& host = *context_.host;
    NewsShared& shared = *context_.shared;
    StatusFn status = [&](const std::string& text) { host.SetHostMessage(text); };
    bool ok = false;
    bool resetFlag = true;
    try {
        CSE::Guard([&] {
            std::string retrieving = "Retrieving the body of " + messageId + ",please wait...";
            Opening opening = {nullptr, retrieving.c_str(), false, nullptr, false};
            if (!Open(server, opening, status))
                return;
            std::string command;
            if (BuildCommand("GROUP", group, &command))
                OneLineCommand(command);  // the answer is not needed: ARTICLE names the article by its id
            std::string reply;
            ReadArticle(messageId, &reply, size, mailId, nullptr, std::string(), 0, 0);
            int code = 0;
            if (!ParseReplyCode(reply.data(), reply.size(), &code) || code != kReplyArticleFollows) {
                host.SetHostMessage(kDownloadError);
                resetFlag = true;
                ok = false;
                // The flag is reset below, outside the source lock's users.
                return;
            }
            // The status line is cut off in place: a copy would hold the article twice.
            size_t lineEnd = reply.find("\r\n");
            reply.erase(0, lineEnd == std::string::npos ? reply.size() : lineEnd + 2);
            const std::string& article = reply;
            shared.RunWithSources([&] {
                if (mailId != host.CurrentMail()) {
                    host.SetSource(mailId, article);
                    return;
                }
                std::string converted;
                bool isConverted = false;
                if (shared.PictureRender()) {
                    DiskPictureFiles files;
                    PictureFolder folder(host.TempFolder(), files);
                    isConverted = ConvertBody(article, folder, &converted);
                    if (isConverted)
                        host.SetSource("TEMP", converted);
                }
                if (!shared.ShowWithLocation(mailId, isConverted ? converted : article, 1) && !isConverted)
                    host.SetSource("TEMP", article);
                // The article as received is what the message keeps, not the converted view.
                shared.QueueSource(mailId, std::move(reply));
            });
            // The host keeps its own copy: the buffer can receive the next large article.
            ReplyBufferPool::GiveBack(std::move(reply));
            resetFlag = false;
            ok = true;
        });
    } catch (CBlockingSocketException* thrown) {
        std::unique_ptr<CBlockingSocketException> failure(thrown);
        ReportSocketFailure(*failure, true, [&](const std::string& text) { host.SetHostMessage(text); });
        host.SetHostMessage(kDownloadError);
    } catch (const CSE& fault) {
        if (fault.GetExceptionCode() == CSE::kAccessViolation)
            host.SetHostMessage(kAccessViolationText);
    } catch (...) {
        host.SetHostMessage(kUnknownExceptionText);
    }
    if (resetFlag) {
        // Whatever stopped the retrieval (an error reply, the network, a fault), the placeholder
        // must be fetchable again when it is opened next.
        try {
            ResetDownloadFlag(host, shared, mailId);
        } catch (...) {
        }
    }
    return ok;
}
