#include "ui/ListCommands.h"

#include <string>
#include <vector>

#include "host/HostApi.h"
#include "news/NewsExports.h"
#include "news/NewsState.h"
#include "ui/CombineDialog.h"
#include "ui/ModifyHeadersDialog.h"
#include "ui/PreferencesDialog.h"

namespace {

const int kMailIdBuffer = 256;
// The host's command that refreshes its message list; sent before the combined message is added.
const WPARAM kRefreshListCommand = 32836;

int WINAPI AlwaysEnabledUi(HWND, LPARAM) {
    return 0;
}

struct ListCommand {
    const char* comment;
    BkaCommandProc command;
    BkaUiProc ui;
    const char* menuText;
};
const ListCommand kListCommands[] = {
    {"Modify Mail Headers", OnModifyHeaders, AlwaysEnabledUi, "&Modify Mail Headers..."},
    {"Combine selected mail", OnCombineMail, CombineUi, "&Combine selected mail"},
};

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

void CombineMail() {
    std::vector<CombinePart> parts;
    for (const std::string& mail : SelectedMails()) {
        CombinePart part{mail, std::string(), std::string()};
        if (!HostSource(mail, &part.source))
            continue;
        part.subject = MessageSubject(part.source);
        if (IsPlaceholder(part.source)) {
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
    std::string text = CombineMessages(sources, dialog.subject);
    LPCSTR folder = gHostApi.BKA_GetCurrentFolder();
    if (folder != nullptr)
        gHostApi.BKA_AppendMessage(folder, text.c_str());
}

}  // namespace

void InstallDialogs() {
    gRunPreferencesDialog = RunPreferencesDialog;
    gInitListMenu = InitListMenu;
}

void InitListMenu(HMENU menu) {
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    for (const ListCommand& entry : kListCommands) {
        int id = gHostApi.BKA_RegisterCommand(entry.comment, kTargetMessageList, entry.command);
        AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(id), entry.menuText);
        gHostApi.BKA_RegisterUICallback(id, entry.ui);
    }
}

// Command callbacks return to the host whatever happens inside.
void WINAPI OnModifyHeaders(HWND, LPARAM) {
    try {
        if (gHostApi.IsBound())
            ModifyHeaders();
    } catch (...) {
    }
}

void WINAPI OnCombineMail(HWND, LPARAM) {
    try {
        if (gHostApi.IsBound())
            CombineMail();
    } catch (...) {
    }
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
