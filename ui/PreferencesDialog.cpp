#include "ui/PreferencesDialog.h"

#include "ui/DialogsRes.h"
#include "ui/PreferenceRules.h"

namespace {

const char kContactAddress[] = "rillpost@example.com";

struct CheckBox {
    int id;
    int Preferences::*field;
};
const CheckBox kCheckBoxes[] = {
    {IDC_PREF_ENCODE_HEADER, &Preferences::encodeHeader},
    {IDC_PREF_THREAD_SORT, &Preferences::threadSort},
    {IDC_PREF_UPDATE_NOW, &Preferences::updateNow},
    {IDC_PREF_MARK_READ, &Preferences::markRead},
    {IDC_PREF_POST_POPUP, &Preferences::postPopup},
    {IDC_PREF_PICTURE_RENDER, &Preferences::pictureRender},
    {IDC_PREF_SUBMENU, &Preferences::submenu},
};
const int kLinkIds[] = {IDC_PREF_HOME_LINK, IDC_PREF_CONTACT_LINK, IDC_PREF_FORUM_LINK};

}  // namespace

PreferencesDialog::PreferencesDialog() : DialogBase(IDD_PREFERENCES) {}

bool PreferencesDialog::OnInit() {
    Preferences shown = PreferencesForDialog(values);
    CheckRadioButton(Window(), IDC_PREF_MAX_STYLE, IDC_PREF_ALL_STYLE,
                     shown.downloadStyle == 0 ? IDC_PREF_MAX_STYLE : IDC_PREF_ALL_STYLE);
    SetItemText(IDC_PREF_MAX_NUM, std::to_string(shown.maxNum));
    SetItemText(IDC_PREF_SYN_TIME, std::to_string(shown.synTime));
    for (const CheckBox& box : kCheckBoxes)
        CheckDlgButton(Window(), box.id, shown.*box.field ? BST_CHECKED : BST_UNCHECKED);
    links_[1].SetTarget(std::string("mailto:") + kContactAddress);
    for (int i = 0; i < 3; ++i)
        links_[i].Attach(Item(kLinkIds[i]));
    return true;
}

bool PreferencesDialog::ReadNumber(int id, int low, int high, int* value) {
    std::string message;
    if (ParseBoundedInt(ItemText(id), low, high, value, &message))
        return true;
    Message(message, MB_OK | MB_ICONEXCLAMATION);
    SetFocus(Item(id));
    SendMessageA(Item(id), EM_SETSEL, 0, -1);
    return false;
}

bool PreferencesDialog::OnOK() {
    Preferences read = values;
    if (!ReadNumber(IDC_PREF_MAX_NUM, kMaxNumLow, kMaxNumHigh, &read.maxNum) ||
        !ReadNumber(IDC_PREF_SYN_TIME, kSynTimeLow, kSynTimeHigh, &read.synTime))
        return false;
    read.downloadStyle = IsDlgButtonChecked(Window(), IDC_PREF_MAX_STYLE) == BST_CHECKED ? 0 : 1;
    for (const CheckBox& box : kCheckBoxes)
        read.*box.field = IsDlgButtonChecked(Window(), box.id) == BST_CHECKED ? 1 : 0;
    values = read;
    return true;
}

bool RunPreferencesDialog(HWND parent, Preferences* values) {
    PreferencesDialog dialog;
    dialog.values = *values;
    if (dialog.Run(parent) != IDOK)
        return false;
    *values = dialog.values;
    return true;
}
