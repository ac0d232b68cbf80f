#include "news/PluginNewsHost.h"

#include <windows.h>

#include <commctrl.h>

#include <utility>

#include "host/HostApi.h"
#include "news/ArticleReturn.h"
#include "news/MailList.h"
#include "news/NewsExports.h"
#include "news/NewsState.h"
#include "nntp/NewsClient.h"

namespace {

const char kCaption[] = "Rillpost";

// The first status bar among the main window's children.
HWND FindStatusBar() {
    if (gStatusBar)
        return gStatusBar;
    HWND main = gMainWindow;
    if (!main && gHostApi.IsBound()) {
        HWND tree = nullptr, list = nullptr, view = nullptr;
        gHostApi.BKA_GetWindowHandles(&main, &tree, &list, &view);
    }
    return main ? FindWindowExA(main, nullptr, "msctls_statusbar32", nullptr) : nullptr;
}

}  // namespace

void PluginNewsHost::ShowMessage(const std::string& text) {
    MessageBoxA(gMainWindow, text.c_str(), kCaption, MB_OK);
}

bool PluginNewsHost::AskTrustCertificate(const std::string& server,
                                         const std::string& problem,
                                         const std::string& fingerprint,
                                         const std::string& subject) {
    // Modal and owned by the main window, from the worker's own thread, as its message boxes are.
    return gRunCertificateDialog != nullptr &&
           gRunCertificateDialog(gMainWindow, server, problem, fingerprint, subject);
}

void PluginNewsHost::SetHostMessage(const std::string& text) {
    if (gHostApi.IsBound())
        gHostApi.BKA_SetMessageText(nullptr, text.c_str());
}

std::string PluginNewsHost::CurrentMail() {
    return gHostApi.IsBound() ? HostText(gHostApi.BKA_GetCurrentMail()) : std::string();
}

bool PluginNewsHost::AppendMessage(const std::string& folderId, const std::string& text) {
    // The host reports nothing that a caller could rely on: every append counts as done.
    if (gHostApi.IsBound())
        gHostApi.BKA_AppendMessage(folderId.c_str(), text.c_str());
    return true;
}

std::string PluginNewsHost::CurrentFolder() {
    return gHostApi.IsBound() ? HostText(gHostApi.BKA_GetCurrentFolder()) : std::string();
}

void PluginNewsHost::SetCurrentFolder(const std::string& folderId) {
    if (gHostApi.IsBound())
        gHostApi.BKA_SetCurrentFolder(folderId.c_str());
}

void PluginNewsHost::SetCurrentMail(const std::string& mailId) {
    if (gHostApi.IsBound())
        gHostApi.BKA_SetCurrentMail(mailId.c_str());
}

void PluginNewsHost::SetStatusPart(const std::string& text) {
    HWND bar = FindStatusBar();
    if (bar)
        SendMessageA(bar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text.c_str()));
}

bool PluginNewsHost::GetSource(const std::string& mailId, std::string* text) {
    if (!gHostApi.IsBound())
        return false;
    HostString source(gHostApi.BKA_GetSource(mailId.c_str()));
    if (!source.Get())
        return false;
    *text = source.Get();
    return true;
}

void PluginNewsHost::SetSource(const std::string& mailId, const std::string& text) {
    if (gHostApi.IsBound())
        gHostApi.BKA_SetSource(mailId.c_str(), text.c_str());
}

std::string PluginNewsHost::TempFolder() {
    return gHostApi.IsBound() ? HostText(gHostApi.BKA_GetTempFolder()) : std::string();
}

void PluginNewsHost::FocusMessageList() {
    if (!gHostApi.IsBound())
        return;
    HWND main = nullptr, tree = nullptr, list = nullptr, view = nullptr;
    gHostApi.BKA_GetWindowHandles(&main, &tree, &list, &view);
    if (!list)
        return;
    SetFocus(list);
    if (main && GetForegroundWindow() == main)
        SetForegroundWindow(list);
}

void PluginNewsHost::ReturnArticle(const std::string& text, const std::string& inboxFolder) {
    ReturnArticleToUser(text, inboxFolder);
}

void PluginNewsShared::FolderUpdateEnded(const std::string& folderId) {
    gBusyFolders.Remove(folderId);
}

void PluginNewsShared::AddNewArticle(const std::string& messageId, const std::string& subject) {
    gNewArticles.Set(messageId, subject);
}

int PluginNewsShared::MaxNum() {
    return gSettings.maxNum;
}

int PluginNewsShared::DownloadStyle() {
    return gSettings.downloadStyle;
}

bool PluginNewsShared::PictureRender() {
    return gSettings.pictureRender != 0;
}

bool PluginNewsShared::EncodeHeader() {
    return gSettings.encodeHeader != 0;
}

bool PluginNewsShared::PostPopup() {
    return gSettings.postPopup != 0;
}

// The online flag itself is left alone: clearing it would also keep a message the user opens
// meanwhile from being fetched, and would race with the user's own Online Mode command.
void PluginNewsShared::BeginFolderRefresh(const std::string& mail) {
    gRefreshedMails.Add(mail);
}

void PluginNewsShared::EndFolderRefresh(const std::string& mail) {
    gRefreshedMails.Remove(mail);
}

void PluginNewsShared::RunWithSources(const std::function<void()>& write) {
    OptexLock hold(gSourceOptex);
    write();
}

void PluginNewsShared::QueueSource(const std::string& mailId, std::string text) {
    gPendingSources.Add(mailId, std::move(text));
}

bool PluginNewsShared::ShowWithLocation(const std::string& mailId, const std::string& text, int writeAlways) {
    if (!gGeomark)
        return false;
    gGeomark(mailId.c_str(), text.c_str(), writeAlways);
    return true;
}

bool PluginNewsShared::SaveConfiguration() {
    return ::SaveConfiguration();
}

PluginNewsHost& ThePluginHost() {
    static PluginNewsHost host;
    return host;
}

PluginNewsShared& ThePluginShared() {
    static PluginNewsShared shared;
    return shared;
}

NewsContext PluginNewsContext() {
    NewsContext context;
    context.config = &gConfig;
    context.configOptex = &gConfigOptex;
    context.display = &ThePluginHost();
    context.host = &ThePluginHost();
    context.shared = &ThePluginShared();
    return context;
}
