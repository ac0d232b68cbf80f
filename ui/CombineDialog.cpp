#include "ui/CombineDialog.h"

#include "ui/DialogsRes.h"

CombineDialog::CombineDialog(std::vector<CombinePart> sortedParts)
    : DialogBase(IDD_COMBINE), parts(std::move(sortedParts)) {}

bool CombineDialog::OnInit() {
    for (const CombinePart& part : parts)
        SendDlgItemMessageA(Window(), IDC_CMB_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(part.subject.c_str()));
    SetItemText(IDC_CMB_SUBJECT, parts.empty() ? std::string() : parts[0].subject);
    return true;
}

bool CombineDialog::OnCommand(int id, int /*code*/) {
    RowMove move;
    switch (id) {
        case IDC_CMB_UP:
            move = RowMove::kUp;
            break;
        case IDC_CMB_DOWN:
            move = RowMove::kDown;
            break;
        case IDC_CMB_TOP:
            move = RowMove::kTop;
            break;
        case IDC_CMB_BOTTOM:
            move = RowMove::kBottom;
            break;
        default:
            return false;
    }
    HWND list = Item(IDC_CMB_LIST);
    int selected = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
    int target = MoveRow(&parts, selected, move);
    if (target >= 0) {
        SendMessageA(list, LB_DELETESTRING, selected, 0);
        SendMessageA(list, LB_INSERTSTRING, target, reinterpret_cast<LPARAM>(parts[target].subject.c_str()));
        SendMessageA(list, LB_SETCURSEL, target, 0);
    }
    return true;
}

bool CombineDialog::OnOK() {
    subject = ItemText(IDC_CMB_SUBJECT);
    return true;
}
