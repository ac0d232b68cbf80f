#include "news/DialogCommands.h"

#include <memory>
#include <string>
#include <vector>

#include "host/HostApi.h"
#include "news/ManageApply.h"
#include "news/MenuCommands.h"
#include "news/NewsState.h"
#include "news/PluginManageStore.h"
#include "news/PluginSyncOperation.h"
#include "news/PostingWindowList.h"
#include "nntp/YencJoin.h"
#include "ui/CertificateDialog.h"
#include "ui/CombineDialog.h"
#include "ui/ManageApi.h"
#include "ui/ModifyHeadersDialog.h"
#include "ui/PostingDialog.h"
#include "ui/PreferencesDialog.h"
#include "ui/SyncDialog.h"

namespace {

const int kMailIdBuffer = 256;
// The host's command that refreshes its message list; sent before the combined message is added.
const WPARAM kRefreshListCommand = 32836;

// A copy of the mail's complete text; false when the host has none.
bool HostSource(const std::string& mailId, std::string* source) {
    LPSTR text = gHostApi.BKA_GetSource(mailId.c_str());
    if (text == nullptr)
        return false;
    *source = text;
    gHostApi.BKA_Free(text);
    return true;
}

std::vector<std::string> SelectedMails() {
    std::vector<std::string> mails;
    char mail[kMailIdBuffer];
    for (int index = -1;;) {
        mail[0] = '\0';
        index = gHostApi.BKA_GetNextMail(index, mail, kMailIdBuffer, TRUE);
        if (index == -1)
            break;
        mail[kMailIdBuffer - 1] = '\0';
        mails.emplace_back(mail);
    }
    return mails;
}

void ShowMessage(const std::string& text, UINT type) {
    gShowMessageBox(gMainWindow, text.c_str(), "Rillpost", type);
}

void ModifyHeaders() {
    LPCSTR current = gHostApi.BKA_GetCurrentMail();
    std::string mail = current ? current : "";
    std::string source;
    if (mail.empty() || !HostSource(mail, &source))
        return;
    ModifyHeadersDialog dialog(source);
    if (dialog.Run(gMainWindow) != IDOK || !dialog.editor.Changed())
        return;
    // The edit was made on the text as it was when the dialog opened: a retrieved article that
    // replaced it meanwhile, or waits to, must not be overwritten with the old body.
    std::string now;
    if (!HostSource(mail, &now) || now != source || gPendingSources.Contains(mail)) {
        ShowMessage("The message was changed while its headers were being edited; the changes were not saved.",
                    MB_OK | MB_ICONWARNING);
        return;
    }
    gHostApi.BKA_SetSource(mail.c_str(), dialog.editor.Write().c_str());
}

// The Location of the current mailbox's server, or "None" when the mailbox has none.
std::string CurrentServerLocation() {
    std::string mailBox = HostText(gHostApi.BKA_GetCurrentMailBox());
    std::string location = "None";
    OptexLock hold(gConfigOptex);
    gConfig.ResetPosition();
    if (!mailBox.empty() && gConfig.SelectRecord("Setup:Server", "ID", mailBox.c_str(), false, true)) {
        gConfig.SavePosition("TEMP");
        location = gConfig.GetString("Location", "None", true);
    }
    gConfig.ResetPosition();
    return location;
}

void CombineMail() {
    std::vector<CombinePart> parts;
    for (const std::string& mail : SelectedMails()) {
        CombinePart part{mail, std::string(), std::string()};
        if (!HostSource(mail, &part.source))
            continue;
        part.subject = MessageSubject(part.source);
        // A retrieved article that waits to replace its placeholder is not in the source yet.
        if (IsPlaceholder(part.source) || gPendingSources.Contains(mail)) {
            ShowMessage("\"" + part.subject +
                            "\" has not been retrieved yet. Open it to retrieve the article, then combine again.",
                        MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        parts.push_back(std::move(part));
    }
    if (parts.empty())
        return;
    SortParts(&parts);
    CombineDialog dialog(std::move(parts));
    if (dialog.Run(gMainWindow) != IDOK)
        return;
    if (gMainWindow)
        SendMessageA(gMainWindow, WM_COMMAND, kRefreshListCommand, 0);
    std::vector<const std::string*> sources;
    for (const CombinePart& part : dialog.parts)
        sources.push_back(&part.source);
    // Parts of one yEnc file become that file; other messages are joined as they stand.
    YencJoin join = JoinYencParts(sources);
    if (join.found && !join.problem.empty()) {
        ShowMessage("The parts cannot be joined into one file:\n\n" + join.problem, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    std::string text = join.found
                           ? CombineFileMessage(*sources[0], dialog.subject, join.fileName, join.bytes, join.parts)
                           : CombineMessages(sources, dialog.subject);
    LPCSTR folder = gHostApi.BKA_GetCurrentFolder();
    if (folder != nullptr)
        gHostApi.BKA_AppendMessage(folder, text.c_str());
}

}  // namespace

bool CreatePostingWindow(PostingRecord* record, HWND parent) {
    auto dialog = std::make_shared<PostingDialog>(record->client);
    if (!dialog->Create(parent))
        return false;
    record->window = dialog.get();
    record->destroyWindow = [](void* window) { static_cast<PostingDialog*>(window)->Destroy(); };
    record->view = dialog;
    return true;
}

// Command callbacks return to the host whatever happens inside, a processor fault included.
void WINAPI OnModifyHeaders(HWND, LPARAM) {
    RunCommand([] { ModifyHeaders(); });
}

void WINAPI OnCombineMail(HWND, LPARAM) {
    RunCommand([] { CombineMail(); });
}

void WINAPI OnManageNewsGroup(HWND, LPARAM) {
    RunCommand([] {
        PendingChanges changes;
        if (RunManageDialog(gMainWindow, CurrentServerLocation(), ThePluginManageStore(), &changes))
            ApplyPendingChanges(changes);
    });
}

void WINAPI OnSynchronization(HWND, LPARAM) {
    RunCommand([] { RunSyncDialog(gMainWindow, ThePluginSyncOperation()); });
}

int WINAPI CombineUi(HWND, LPARAM) {
    if (!gHostApi.IsBound())
        return 1;
    char mail[kMailIdBuffer];
    int index = gHostApi.BKA_GetNextMail(-1, mail, kMailIdBuffer, TRUE);
    if (index != -1)
        index = gHostApi.BKA_GetNextMail(index, mail, kMailIdBuffer, TRUE);
    return index != -1 ? 0 : 1;
}
