// The host's mail, menu and other event callbacks. Opening a group's folder starts its update;
// opening a placeholder starts the retrieval of its article; every opened message goes to the
// location plug-in; a compose window of a group is prepared as an article, and sending an
// article posts it.
#include <windows.h>

#include <cstring>
#include <memory>

#include "host/CSE.h"
#include "host/HostApi.h"
#include "news/EventHandlers.h"
#include "news/MailList.h"
#include "news/MenuCommands.h"
#include "news/NewsExports.h"
#include "news/NewsFolder.h"
#include "news/NewsState.h"
#include "news/NewsTasks.h"
#include "news/PluginNewsHost.h"
#include "news/StatusPostingView.h"
#include "news/Workers.h"
#include "nntp/ArticleText.h"
#include "nntp/BodyConverter.h"
#include "nntp/Overview.h"
#include "nntp/PictureFolder.h"

namespace {

const int kHeaderBuffer = 256;
const char kCaption[] = "Rillpost";
const char kSwitchMailBox[] = "Please switch to your news mailbox before sending!";
const char kConfigurationBusy[] =
    "The news settings are busy at the moment, so your article was not sent. Please send it again.";
const char kPostingNotStarted[] = "Your article could not be posted now. Please send it again.";
// How long a send waits for the configuration before it gives the article back to the user.
const DWORD kSendLockWaitMs = 3000;

std::string SpecifiedHeader(const char* name) {
    char value[kHeaderBuffer] = "";
    gHostApi.BKA_GetSpecifiedHeader(name, value, kHeaderBuffer);
    value[kHeaderBuffer - 1] = '\0';
    return value;
}

// The news-folder test for the host's current mailbox and folder, with its own lock.
bool FindCurrentNewsFolder(std::string* location, std::string* group) {
    // Asked before the lock is taken: a host call that faults must not do so while holding it.
    std::string mailBox = HostText(gHostApi.BKA_GetCurrentMailBox());
    std::string folder = HostText(gHostApi.BKA_GetCurrentFolder());
    OptexLock hold(gConfigOptex);
    bool found = FindNewsFolder(mailBox, folder, location, group);
    gConfig.ResetPosition();
    return found;
}

// The first opening of a group folder in a run of the host marks every message in it as read.
// The caller holds the configuration lock and has found the group ("event:group").
void MarkFolderReadOnce() {
    gConfig.RestorePosition("event:group");
    if (gConfig.GetInt("HaveRead", 0, true) != 0)
        return;
    char mail[kHeaderBuffer];
    int index = -1;
    for (;;) {
        mail[0] = '\0';
        index = gHostApi.BKA_GetNextMail(index, mail, kHeaderBuffer, FALSE);
        if (index == -1)
            break;
        mail[kHeaderBuffer - 1] = '\0';
        if ((gHostApi.BKA_GetStatus(mail) & 1) == 0)
            gHostApi.BKA_SetStatus(mail, 1, 0);
    }
    gConfig.RestorePosition("event:group");
    gConfig.SetString("HaveRead", "1", true, true);
}

// The update of a subscribed group's folder: finds the server and group, marks the folder busy
// and starts the group update. Runs inside the fault guard of BKC_OnOpenFolder.
void OpenNewsFolder(LPCSTR folderId) {
    std::string folder = HostText(folderId);
    // Asked before the lock is taken: a host call that faults must not do so while holding it.
    std::string mailBox = HostText(gHostApi.BKA_GetCurrentMailBox());
    std::string location, group;
    {
        OptexLock hold(gConfigOptex);
        if (!FindNewsFolder(mailBox, folder, &location, &group))
            return;
        if (gSettings.markRead != 0)
            MarkFolderReadOnce();
        gConfig.ResetPosition();
    }
    if (!gBusyFolders.TryAdd(folder))
        return;  // an update of this folder is already running
    StartGroupUpdate(location, group, folder);
}

// A placeholder whose article has not been fetched starts its retrieval. Runs on the
// user-interface thread, inside the fault guard of BKC_OnOpenMail. False when the message is not
// in a news folder (then it is not handed to the location plug-in either).
bool RetrieveIfPlaceholder(const std::string& mailId) {
    std::string flag = SpecifiedHeader("X-RILLPOST-FLAG");
    // "TRUE" while no retrieval of it runs and no article waits for it: the retrieval that set
    // it ended without finishing (exit, a dead worker, a fault in the hand-over), so it is
    // fetched again rather than left a placeholder for good.
    bool unfinished = flag == "TRUE" && !gRetrievals.Contains(mailId) && !gPendingSources.Contains(mailId);
    if (flag != "FALSE" && !unfinished)
        return true;
    std::string location, group;
    if (!FindCurrentNewsFolder(&location, &group))
        return false;
    std::string messageId = SpecifiedHeader("Message-ID");
    // Marked first, so that opening it again does not start a second retrieval.
    gHostApi.BKA_SetSpecifiedHeader("X-RILLPOST-FLAG", "TRUE");
    int size = static_cast<int>(LeadingNumber(SpecifiedHeader("X-RILLPOST-SIZE"), 0x7fffffff));
    StartArticleRetrieval(location, group, mailId, messageId, size);
    return true;
}

// Shows pictures of the opened message and hands it to the location plug-in.
void HandOver(const std::string& mailId) {
    HostString source(gHostApi.BKA_GetSource(mailId.c_str()));
    if (!source.Get())
        return;
    std::string text = source.Get();
    std::string converted;
    bool isConverted = false;
    if (gSettings.pictureRender != 0) {
        DiskPictureFiles files;
        PictureFolder folder(HostText(gHostApi.BKA_GetTempFolder()), files);
        isConverted = ConvertBody(text, folder, &converted);
        if (isConverted)
            gHostApi.BKA_SetSource("TEMP", converted.c_str());
    }
    if (gGeomark)
        gGeomark(mailId.c_str(), (isConverted ? converted : text).c_str(), 0);
}

// Fills a new compose window of a group folder (mode 0) or a reply to an article (mode 5) with
// the headers that make it an article.
void PrepareCompose(HWND compose, int mode) {
    if (mode != 0 && mode != 5)
        return;
    std::string xMailer = XMailerValue(HostText(gHostApi.BKA_GetVersion()));
    if (mode == 5) {
        std::string groups = SpecifiedHeader("Newsgroups");
        if (groups.empty())
            return;
        gHostApi.BKA_CompSetSpecifiedHeader(compose, "To", groups.c_str());
        gHostApi.BKA_CompSetSpecifiedHeader(compose, "X-Mailer", xMailer.c_str());
        gHostApi.BKA_CompSetSpecifiedHeader(compose, "Newsgroups", groups.c_str());
        return;
    }
    std::string location, group;
    if (!FindCurrentNewsFolder(&location, &group))
        return;
    gHostApi.BKA_CompSetSpecifiedHeader(compose, "X-Mailer", xMailer.c_str());
    gHostApi.BKA_CompSetSpecifiedHeader(compose, "Newsgroups", group.c_str());
    gHostApi.BKA_CompSetSpecifiedHeader(compose, "To", group.c_str());
}

int ShowSendMessage(const char* text) {
    gShowMessageBox(gMainWindow, text, kCaption, MB_OK | MB_ICONWARNING);
    return kSendRefused;
}

// The send event: an article is posted on a worker and the host is told not to send it; any
// other message is left to the host. Whenever the article cannot be handed to a worker the
// result is kSendRefused, so the host keeps its compose window and nothing is lost.
int SendMessageText(const std::string& text) {
    if (!IsNewsArticle(text, HostText(gHostApi.BKA_GetVersion())))
        return kSendAsMail;
    std::string mailBox = HostText(gHostApi.BKA_GetCurrentMailBox());
    std::string location;
    {
        // A send must not hang the host behind a worker that holds the lock.
        TimedOptexLock hold(gConfigOptex, kSendLockWaitMs);
        if (!hold.Held())
            return ShowSendMessage(kConfigurationBusy);
        gConfig.ResetPosition();
        bool found = gConfig.SelectRecord("Setup:Server", "ID", mailBox.c_str(), false, true);
        if (found)
            location = gConfig.GetString("Location", "", true);
        gConfig.ResetPosition();
        if (!found)
            return ShowSendMessage(kSwitchMailBox);
    }
    gPostingWindows.DestroyFinished();
    auto record = std::make_unique<PostingRecord>();
    record->client = std::make_shared<NewsClient>(PluginNewsContext());
    record->article = text;
    record->inbox = mailBox + "!!!!Inbox\\";
    if (gCreatePostingWindow == nullptr || !gCreatePostingWindow(record.get(), gMainWindow))
        record->view = std::make_shared<StatusPostingView>();
    PostingRecord* started = record.get();
    gPostingWindows.Add(record.release());
    if (!StartPosting(location, text, started)) {
        gPostingWindows.Finish(started);
        return ShowSendMessage(kPostingNotStarted);
    }
    return kSendTakenOver;
}

}  // namespace

bool FindNewsFolder(const std::string& mailBox,
                    const std::string& folderId,
                    std::string* location,
                    std::string* group) {
    bool found = false;
    gConfig.ResetPosition();
    if (gConfig.SelectRecord("Setup:Server", "ID", mailBox.c_str(), false, true)) {
        gConfig.SavePosition("event:server");
        *location = gConfig.GetString("Location", "", true);
        gConfig.RestorePosition("event:server");
        gConfig.EnterElement();
        if (gConfig.SelectRecord("Subgroup", "FolderID", folderId.c_str(), false, true)) {
            gConfig.SavePosition("event:group");
            *group = gConfig.GetString("GroupName", "", true);
            gConfig.RestorePosition("event:group");
            found = true;
        }
    }
    if (!found)
        gConfig.ResetPosition();
    return found;
}

int HandleMenuInit(HWND window, HMENU menu, int type) {
    if (!gHostApi.IsBound())
        return 0;
    try {
        CSE::Guard([&] { InitMenu(window, menu, type); });
    } catch (const CSE& fault) {
        ReportProcessorFault(fault.GetExceptionCode());
    } catch (...) {
    }
    return 0;
}

int HandleOpenFolder(LPCSTR folderId) {
    if (gSettings.online == 0 || !gRefreshedMails.Empty())
        return 0;
    gNewArticles.Clear();
    try {
        CSE::Guard([&] { OpenNewsFolder(folderId); });
    } catch (const CSE& fault) {
        ReportProcessorFault(fault.GetExceptionCode());
    } catch (...) {
    }
    return 0;
}

int HandleOpenMail(LPCSTR mailId) {
    if (!gHostApi.IsBound())
        return 0;
    std::string mail = HostText(mailId);
    bool handOver = true;
    if (gSettings.online != 0 && !gRefreshedMails.Contains(mail)) {
        try {
            CSE::Guard([&] {
                gPendingSources.Drain(false);
                handOver = RetrieveIfPlaceholder(mail);
            });
        } catch (const CSE& fault) {
            ReportProcessorFault(fault.GetExceptionCode());
        } catch (...) {
        }
    }
    if (!handOver)
        return 0;
    try {
        CSE::Guard([&] { HandOver(mail); });
    } catch (const CSE& fault) {
        ReportProcessorFault(fault.GetExceptionCode());
    } catch (...) {
    }
    return 0;
}

int HandleOpenCompose(HWND compose, int mode) {
    if (!gHostApi.IsBound())
        return 0;
    try {
        CSE::Guard([&] { PrepareCompose(compose, mode); });
    } catch (const CSE& fault) {
        ReportProcessorFault(fault.GetExceptionCode());
    } catch (...) {
    }
    return 0;
}

int HandleSend(LPCSTR message) {
    if (!gHostApi.IsBound() || message == nullptr)
        return kSendAsMail;
    int result = kSendRefused;
    try {
        CSE::Guard([&] { result = SendMessageText(message); });
    } catch (const CSE& fault) {
        ReportProcessorFault(fault.GetExceptionCode());
        result = kSendRefused;
    } catch (...) {
        result = kSendRefused;
    }
    return result;
}
