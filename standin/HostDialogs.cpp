#include "standin/HostDialogs.h"

#include "standin/StandinIds.h"

namespace HostDialogs {
namespace {

struct AccountResult {
    HWND page = nullptr;
    std::string yourName, address;
};

std::string ItemText(HWND dialog, int id) {
    char buffer[512] = {};
    GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
    return buffer;
}

// Ends the dialog and wakes its modal loop: a plug-in may press OK while the dialog is being
// shown, before the loop waits for its first message.
void Finish(HWND dialog, INT_PTR result) {
    EndDialog(dialog, result);
    PostMessageA(dialog, WM_NULL, 0, 0);
}

INT_PTR CALLBACK NameProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, GWLP_USERDATA, lp);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK) {
                std::string name = ItemText(dialog, IDC_MAILBOX_NAME);
                if (name.empty() || name.find_first_of("\\/:*?\"<>|") != std::string::npos) {
                    MessageBoxA(dialog, "Please enter a mailbox name without \\ / : * ? \" < > |.", "New Mailbox",
                                MB_OK | MB_ICONWARNING);
                    return TRUE;
                }
                *reinterpret_cast<std::string*>(GetWindowLongPtrA(dialog, GWLP_USERDATA)) = name;
                Finish(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wp) == IDCANCEL) {
                Finish(dialog, IDCANCEL);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

INT_PTR CALLBACK ChildProc(HWND, UINT msg, WPARAM, LPARAM) {
    return msg == WM_INITDIALOG;
}

INT_PTR CALLBACK AccountProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    auto* result = reinterpret_cast<AccountResult*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
    switch (msg) {
        case WM_INITDIALOG: {
            SetWindowLongPtrA(dialog, GWLP_USERDATA, lp);
            result = reinterpret_cast<AccountResult*>(lp);
            HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
            HWND frame = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_ACCOUNT_FRAME), dialog, ChildProc, 0);
            result->page = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_ACCOUNT_PAGE), frame, ChildProc, 0);
            // The frame comes first among the dialog's children, before the buttons.
            SetWindowPos(frame, HWND_TOP, 6, 6, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK && result) {
                result->yourName = ItemText(result->page, IDC_YOUR_NAME);
                result->address = ItemText(result->page, IDC_MAIL_ADDRESS);
                Finish(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wp) == IDCANCEL) {
                Finish(dialog, IDCANCEL);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

bool AskMailBoxName(HWND owner, std::string* name) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_NEWMAILBOX), owner, NameProc,
                           reinterpret_cast<LPARAM>(name)) == IDOK;
}

bool EditAccount(HWND owner, std::string* yourName, std::string* address) {
    AccountResult result;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ACCOUNT), owner, AccountProc,
                        reinterpret_cast<LPARAM>(&result)) != IDOK)
        return false;
    *yourName = result.yourName;
    *address = result.address;
    return true;
}

}  // namespace HostDialogs
