#include "news/NewsTasks.h"

#include <windows.h>

#include <memory>

#include "host/CSE.h"
#include "news/ArticleReturn.h"
#include "news/NewsState.h"
#include "news/PluginNewsHost.h"
#include "news/MailList.h"
#include "news/Workers.h"
#include "nntp/NewsClient.h"

namespace {

// The parameter block of a news worker.
struct NewsTask {
    enum Kind { kGroupUpdate = 0, kArticleRetrieval = 1 };
    std::string text1;  // server
    std::string text2;  // group
    std::string text3;  // Message-ID (retrieval)
    std::string text4;  // folder (update) or mail identifier (retrieval)
    int kind = kGroupUpdate;
    int number = 0;  // the article's expected size (retrieval)
};

DWORD WINAPI NewsWorkerThread(void* param) {
    std::unique_ptr<NewsTask> task(static_cast<NewsTask*>(param));
    // The retrieval leaves the running list here, after the guard, however it ended: a fault
    // abandons the frames below this one.
    DWORD fault = 0;
    try {
        CSE::Guard([&] {
            NewsClient client(PluginNewsContext());
            if (task->kind == NewsTask::kGroupUpdate)
                client.UpdateGroupHeaders(task->text1, task->text2, task->text4, 0, nullptr);
            else if (task->kind == NewsTask::kArticleRetrieval)
                client.RetrieveArticle(task->text1, task->text2, task->text4, task->text3, task->number);
        });
    } catch (const CSE& caught) {
        fault = caught.GetExceptionCode();
    } catch (...) {
    }
    if (task->kind == NewsTask::kArticleRetrieval)
        gRetrievals.Remove(task->text4);
    if (fault != 0) {
        try {
            CSE::Guard([fault] { ReportProcessorFault(fault); });
        } catch (...) {
        }
    }
    return 0;
}

// The parameter block of a posting worker. The client and view are shared with the posting
// record; the record itself is touched only to end the posting.
struct PostTask {
    std::string server;
    std::string article;
    std::shared_ptr<NewsClient> client;
    std::shared_ptr<PostingView> view;
    PostingRecord* record = nullptr;
};

DWORD WINAPI PostWorkerThread(void* param) {
    std::unique_ptr<PostTask> task(static_cast<PostTask*>(param));
    // The posting runs inside a guard of this frame: a processor fault anywhere in it abandons
    // the frames below, the give-back at the posting's end among them, so this frame finishes
    // the posting itself.
    DWORD fault = 0;
    try {
        CSE::Guard([&] { task->client->PostArticle(task->server, task->article, task->view.get()); });
    } catch (const CSE& caught) {
        fault = caught.GetExceptionCode();
    } catch (...) {
        // PostArticle lets nothing out; whatever did, the posting has ended.
    }
    if (fault != 0) {
        // Given back unless the server has answered 240 or the give-back was made already.
        if (task->client->ClaimGiveBack())
            ReturnArticleToUser(task->article, task->record->inbox);
        try {
            CSE::Guard([&] {
                if (task->view)
                    task->view->Hide();
            });
        } catch (...) {
        }
        try {
            CSE::Guard([fault] { ReportProcessorFault(fault); });
        } catch (...) {
        }
    }
    gPostingWindows.Finish(task->record);
    return 0;
}

}  // namespace

bool StartGroupUpdate(const std::string& server, const std::string& group, const std::string& folderId) {
    auto* task = new NewsTask;
    task->text1 = server;
    task->text2 = group;
    task->text4 = folderId;
    task->kind = NewsTask::kGroupUpdate;
    if (StartWorker(NewsWorkerThread, task))
        return true;
    delete task;
    gBusyFolders.Remove(folderId);
    return false;
}

bool StartArticleRetrieval(const std::string& server,
                           const std::string& group,
                           const std::string& mailId,
                           const std::string& messageId,
                           int size) {
    auto* task = new NewsTask;
    task->text1 = server;
    task->text2 = group;
    task->text3 = messageId;
    task->text4 = mailId;
    task->kind = NewsTask::kArticleRetrieval;
    task->number = size;
    gRetrievals.Add(mailId);
    if (StartWorker(NewsWorkerThread, task))
        return true;
    gRetrievals.Remove(mailId);
    delete task;
    ResetDownloadFlag(ThePluginHost(), ThePluginShared(), mailId);
    return false;
}

bool StartPosting(const std::string& server, const std::string& article, PostingRecord* record) {
    auto* task = new PostTask{server, article, record->client, record->view, record};
    if (StartWorker(PostWorkerThread, task))
        return true;
    delete task;
    return false;
}
