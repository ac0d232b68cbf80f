#include "ui/ModifyHeadersDialog.h"

#include "ui/DialogsRes.h"

ModifyHeadersDialog::ModifyHeadersDialog(std::string source)
    : DialogBase(IDD_MODIFY_HEADERS), editor(std::move(source)) {}

bool ModifyHeadersDialog::OnInit() {
    for (int row = 0; row < editor.RowCount(); ++row)
        SendDlgItemMessageA(Window(), IDC_HDR_LIST, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(editor.RowName(row).c_str()));
    return true;
}

void ModifyHeadersDialog::ShowField(const std::string& name, const std::string& value) {
    filling_ = true;
    SetItemText(IDC_HDR_NAME, name);
    SetItemText(IDC_HDR_CONTENT, value);
    filling_ = false;
}

bool ModifyHeadersDialog::OnCommand(int id, int code) {
    switch (id) {
        case IDC_HDR_LIST:
            if (code != LBN_SELCHANGE)
                return false;
            editor.Select(static_cast<int>(SendDlgItemMessageA(Window(), IDC_HDR_LIST, LB_GETCURSEL, 0, 0)));
            if (editor.Selected() >= 0)
                ShowField(editor.RowName(editor.Selected()), editor.RowValue(editor.Selected()));
            return true;
        case IDC_HDR_CONTENT:
            if (code == EN_CHANGE && !filling_)
                editor.ContentTyped(ItemText(IDC_HDR_NAME), ItemText(IDC_HDR_CONTENT));
            return code == EN_CHANGE;
        case IDC_HDR_ADD: {
            std::string name = ItemText(IDC_HDR_NAME);
            std::string error = editor.Add(name, ItemText(IDC_HDR_CONTENT));
            if (!error.empty())
                Message(error, MB_OK | MB_ICONEXCLAMATION);
            else
                SendDlgItemMessageA(Window(), IDC_HDR_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
            return true;
        }
        case IDC_HDR_DELETE: {
            int row = editor.Selected();
            if (editor.DeleteSelected()) {
                SendDlgItemMessageA(Window(), IDC_HDR_LIST, LB_DELETESTRING, row, 0);
                ShowField(std::string(), std::string());
            }
            return true;
        }
        default:
            return false;
    }
}

bool ModifyHeadersDialog::OnCancel() {
    if (Message("Do you want to save your changes?", MB_YESNO | MB_ICONQUESTION) == IDYES) {
        End(IDOK);
        return false;
    }
    return true;
}
