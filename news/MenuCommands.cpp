#include "news/MenuCommands.h"

#include <commctrl.h>

#include <string>

#include "host/CSE.h"
#include "host/HostApi.h"
#include "news/NewsExports.h"
#include "news/NewsFolder.h"
#include "news/NewsState.h"
#include "news/NewsTasks.h"
#include "news/UiAnswerCache.h"
#include "news/WindowHooks.h"
#include "news/Workers.h"
#include "nntp/ArticleText.h"

namespace {

// The host's notification that a folder-name edit in the tree has ended.
const UINT kEndFolderNameEdit = static_cast<UINT>(-411);

// User-interface thread only, like the callbacks that use them.
UiAnswerCache gFolderAnswers;
UiAnswerCache gMailboxAnswers;

// The current folder's group, read under the configuration lock; false when it is none.
bool CurrentGroup(std::string* location, std::string* group, std::string* folder) {
    std::string mailBox = HostText(gHostApi.BKA_GetCurrentMailBox());
    *folder = HostText(gHostApi.BKA_GetCurrentFolder());
    OptexLock hold(gConfigOptex);
    bool found = FindNewsFolder(mailBox, *folder, location, group);
    gConfig.ResetPosition();
    return found;
}

bool IsNewsMailbox(const std::string& mailBox) {
    gConfig.ResetPosition();
    bool found = gConfig.SelectRecord("Setup:Server", "ID", mailBox.c_str(), false, true);
    gConfig.ResetPosition();
    return found;
}

// Runs a UI callback's test when the configuration lock is free at once; otherwise repeats the
// last answer for this mailbox and folder, or greys the item when there is none.
template <typename Test>
int AnswerWithoutWaiting(UiAnswerCache& cache, const std::string& mailBox, const std::string& folder, Test test) {
    if (!gConfigOptex.TryEnter())
        return cache.Recall(mailBox, folder, 1);
    int answer = 1;
    try {
        answer = test() ? 0 : 1;
    } catch (...) {
    }
    gConfigOptex.Leave();
    cache.Remember(mailBox, folder, answer);
    return answer;
}

void HookFolderView(HWND mainWindow) {
    HWND frame = FindWindowExA(mainWindow, nullptr, "AfxMDIFrame42s", nullptr);
    HWND view = frame ? GetWindow(frame, GW_CHILD) : nullptr;
    if (view != nullptr && PreviousWindowProc(view) == nullptr)
        SubclassWindow(view, FolderViewProc);
}

}  // namespace

void RunGuardedCommand(void (*body)(void*), void* arg) {
    if (!gHostApi.IsBound())
        return;
    DWORD fault = 0;
    try {
        CSE::Guard(body, arg);
    } catch (const CSE& caught) {
        fault = caught.GetExceptionCode();
    } catch (...) {
    }
    if (fault == 0)
        return;
    // The report is a host call as well; a second fault there must not reach the host either.
    try {
        CSE::Guard([fault] { ReportProcessorFault(fault); });
    } catch (...) {
    }
}

void InitMenu(HWND window, HMENU menu, int type) {
    if (type == kMenuMain) {
        gMainWindow = window;
        HWND main = nullptr, tree = nullptr, list = nullptr, view = nullptr;
        gHostApi.BKA_GetWindowHandles(&main, &tree, &list, &view);
        gFolderTree = tree;
        gMessageList = list;
        HookMessageList(list);
        HookFolderView(window);
    }
    if (gInitMenus != nullptr)
        gInitMenus(menu, type);
}

void WINAPI OnToggleOnline(HWND, LPARAM) {
    RunCommand([] {
        OptexLock hold(gConfigOptex);
        gSettings.online = gSettings.online != 0 ? 0 : 1;
        gConfig.SetInt("Setup:Configuration:Online", gSettings.online, true, false);
    });
}

int WINAPI OnlineCheckUi(HWND, LPARAM) {
    return gSettings.online != 0 ? 2 : 0;
}

int WINAPI NewsFolderUi(HWND, LPARAM) {
    if (!gHostApi.IsBound())
        return 1;
    std::string mailBox = HostText(gHostApi.BKA_GetCurrentMailBox());
    std::string folder = HostText(gHostApi.BKA_GetCurrentFolder());
    return AnswerWithoutWaiting(gFolderAnswers, mailBox, folder, [&] {
        std::string location, group;
        bool found = FindNewsFolder(mailBox, folder, &location, &group);
        gConfig.ResetPosition();
        return found;
    });
}

int WINAPI NewsMailboxUi(HWND, LPARAM) {
    if (!gHostApi.IsBound())
        return 1;
    std::string mailBox = HostText(gHostApi.BKA_GetCurrentMailBox());
    return AnswerWithoutWaiting(gMailboxAnswers, mailBox, std::string(), [&] { return IsNewsMailbox(mailBox); });
}

void WINAPI OnUpdateNow(HWND, LPARAM) {
    RunCommand([] {
        std::string location, group, folder;
        if (!CurrentGroup(&location, &group, &folder))
            return;
        // An update of this folder that is still running already fetches what there is.
        if (!gBusyFolders.TryAdd(folder))
            return;
        StartGroupUpdate(location, group, folder);
    });
}

void WINAPI OnPostNewArticle(HWND, LPARAM) {
    RunCommand([] {
        std::string location, group, folder;
        if (!CurrentGroup(&location, &group, &folder))
            return;
        HWND compose = gHostApi.BKA_ComposeMail(("mailto:" + group).c_str());
        if (compose == nullptr)
            return;
        std::string xMailer = XMailerValue(HostText(gHostApi.BKA_GetVersion()));
        gHostApi.BKA_CompSetSpecifiedHeader(compose, "Newsgroups", group.c_str());
        gHostApi.BKA_CompSetSpecifiedHeader(compose, "X-Mailer", xMailer.c_str());
    });
}

LRESULT CALLBACK FolderViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = PreviousWindowProc(window);
    auto passOn = [&] {
        return previous ? CallWindowProcA(previous, window, message, wParam, lParam)
                        : DefWindowProcA(window, message, wParam, lParam);
    };
    if (message != WM_NOTIFY || gRenameTracking != 1 || lParam == 0 || !gHostApi.IsBound())
        return passOn();
    const auto* edit = reinterpret_cast<const NMTVDISPINFOA*>(lParam);
    if (edit->hdr.code != kEndFolderNameEdit || edit->item.pszText == nullptr)
        return passOn();
    // The host's own procedure runs with the configuration lock free: while it renames, it may
    // wait for a worker (or a host thread) that needs the lock. The lock is held only to look the
    // folder up and, for a group's folder, to record its new identifier afterwards.
    LRESULT result = 0;
    try {
        CSE::Guard([&] {
            std::string mailBox = HostText(gHostApi.BKA_GetCurrentMailBox());
            std::string folder = HostText(gHostApi.BKA_GetCurrentFolder());
            std::string location, group;
            bool isGroup;
            {
                OptexLock hold(gConfigOptex);
                isGroup = FindNewsFolder(mailBox, folder, &location, &group);
                gConfig.ResetPosition();
            }
            if (!isGroup) {
                result = passOn();
                return;
            }
            // The host renames the folder first; its new identifier is what it reports afterwards.
            passOn();
            std::string renamed = HostText(gHostApi.BKA_GetCurrentFolder());
            // The group is looked up again: the subscription may have changed while the lock was free.
            OptexLock hold(gConfigOptex);
            if (gConfig.SelectServerGroup(mailBox.c_str(), folder.c_str(), true, false) &&
                gConfig.SavePosition("event:group"))
                gConfig.SetString("FolderID", renamed.c_str(), true, true);
            gConfig.ResetPosition();
            result = 0;
        });
    } catch (const CSE& fault) {
        ReportProcessorFault(fault.GetExceptionCode());
    } catch (...) {
    }
    return result;
}
