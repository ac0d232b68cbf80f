#include "ui/ServerDialogs.h"

#include <vector>

#include "host/MailboxAccount.h"
#include "ui/DialogsRes.h"
#include "ui/MailboxFolders.h"
#include "ui/ServerLocation.h"

namespace {

// Adds the text to the sorted combo box unless an entry already begins with it (ignoring case),
// which is what the box's own prefix search answers.
void AddSuggestion(HWND combo, const std::string& text) {
    if (text.empty())
        return;
    if (SendMessageA(combo, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())) != CB_ERR)
        return;
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void EnableLogin(HWND dialog, bool enable) {
    EnableWindow(GetDlgItem(dialog, IDC_SRV_USERNAME), enable ? TRUE : FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_SRV_PASSWORD), enable ? TRUE : FALSE);
}

// The connection choices in the order of their stored values (Security of a Server record).
const char* const kSecurityChoices[] = {"None", "TLS (NNTPS, port 563)", "STARTTLS"};

void FillSecurity(HWND dialog, int security) {
    HWND box = GetDlgItem(dialog, IDC_SRV_SECURITY);
    for (const char* choice : kSecurityChoices)
        SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
    int count = static_cast<int>(sizeof kSecurityChoices / sizeof kSecurityChoices[0]);
    SendMessageA(box, CB_SETCURSEL, security >= 0 && security < count ? security : 0, 0);
}

int ChosenSecurity(HWND dialog) {
    LRESULT chosen = SendMessageA(GetDlgItem(dialog, IDC_SRV_SECURITY), CB_GETCURSEL, 0, 0);
    return chosen == CB_ERR ? 0 : static_cast<int>(chosen);
}

bool IsChecked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

}  // namespace

AddServerDialog::AddServerDialog() : DialogBase(IDD_ADD_SERVER) {}

bool AddServerDialog::OnInit() {
    EnableLogin(Window(), false);
    FillSecurity(Window(), 0);
    CheckDlgButton(Window(), IDC_SRV_EXTENSIONS, BST_CHECKED);
    AddSuggestions();
    SetFocus(Item(IDC_SRV_LOCATION));
    return false;
}

void AddServerDialog::AddSuggestions() {
    if (dataFolder.empty())
        return;
    for (const std::string& name : MailboxFolders(dataFolder)) {
        MailboxAccount account = MailboxAccount::Read(dataFolder + name + "\\");
        AddSuggestion(Item(IDC_SRV_YOUR_NAME), account.yourName);
        AddSuggestion(Item(IDC_SRV_YOUR_EMAIL), account.mailAddress);
    }
}

bool AddServerDialog::OnCommand(int id, int code) {
    if (id != IDC_SRV_LOGIN || code != BN_CLICKED)
        return false;
    EnableLogin(Window(), IsChecked(Window(), IDC_SRV_LOGIN));
    return true;
}

bool AddServerDialog::OnOK() {
    ServerFields read;
    read.location = ItemText(IDC_SRV_LOCATION);
    read.mailboxName = ItemText(IDC_SRV_MAILBOX);
    read.yourName = ItemText(IDC_SRV_YOUR_NAME);
    read.yourEmail = ItemText(IDC_SRV_YOUR_EMAIL);
    read.login = IsChecked(Window(), IDC_SRV_LOGIN) ? 1 : 0;
    read.username = ItemText(IDC_SRV_USERNAME);
    read.password = ItemText(IDC_SRV_PASSWORD);
    read.security = ChosenSecurity(Window());
    read.extensions = IsChecked(Window(), IDC_SRV_EXTENSIONS) ? 1 : 0;
    if (read.location.empty() || read.mailboxName.empty() || read.yourName.empty() || read.yourEmail.empty()) {
        Message("Please fill in every field you see!", MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    std::string message;
    if (!CheckServerLocation(read.location, existing, &read.location, &message)) {
        Message(message, MB_OK | MB_ICONEXCLAMATION);
        SetFocus(Item(IDC_SRV_LOCATION));
        return false;
    }
    fields = read;
    return true;
}

ModifyServerDialog::ModifyServerDialog() : DialogBase(IDD_MODIFY_SERVER) {}

bool ModifyServerDialog::OnInit() {
    SetItemText(IDC_SRV_LOCATION, fields.location);
    FillSecurity(Window(), fields.security);
    CheckDlgButton(Window(), IDC_SRV_LOGIN, fields.login != 0 ? BST_CHECKED : BST_UNCHECKED);
    SetItemText(IDC_SRV_USERNAME, fields.username);
    SetItemText(IDC_SRV_PASSWORD, fields.password);
    EnableLogin(Window(), fields.login != 0);
    CheckDlgButton(Window(), IDC_SRV_EXTENSIONS, fields.extensions != 0 ? BST_CHECKED : BST_UNCHECKED);
    SetFocus(Item(IDC_SRV_LOCATION));
    return false;
}

bool ModifyServerDialog::OnCommand(int id, int code) {
    if (id != IDC_SRV_LOGIN || code != BN_CLICKED)
        return false;
    EnableLogin(Window(), IsChecked(Window(), IDC_SRV_LOGIN));
    return true;
}

bool ModifyServerDialog::OnOK() {
    std::string location = ItemText(IDC_SRV_LOCATION), message;
    // The stored Location as it stands is kept whatever today's rules say of it (it may come
    // from an earlier release or a hand-edited file): only a changed name is checked.
    if (location != fields.location && !CheckServerLocation(location, existing, &location, &message)) {
        Message(message, MB_OK | MB_ICONEXCLAMATION);
        SetFocus(Item(IDC_SRV_LOCATION));
        return false;
    }
    fields.location = location;
    fields.login = IsChecked(Window(), IDC_SRV_LOGIN) ? 1 : 0;
    fields.username = ItemText(IDC_SRV_USERNAME);
    fields.password = ItemText(IDC_SRV_PASSWORD);
    fields.security = ChosenSecurity(Window());
    fields.extensions = IsChecked(Window(), IDC_SRV_EXTENSIONS) ? 1 : 0;
    return true;
}

bool RunAddServerDialog(HWND parent, const std::vector<std::string>& existing, ServerFields* fields) {
    AddServerDialog dialog;
    dialog.existing = existing;
    dialog.dataFolder = HostDataFolder();
    if (dialog.Run(parent) != IDOK)
        return false;
    *fields = dialog.fields;
    return true;
}

bool RunModifyServerDialog(HWND parent, const std::vector<std::string>& existing, ServerFields* fields) {
    ModifyServerDialog dialog;
    dialog.existing = existing;
    dialog.fields = *fields;
    if (dialog.Run(parent) != IDOK)
        return false;
    *fields = dialog.fields;
    return true;
}
