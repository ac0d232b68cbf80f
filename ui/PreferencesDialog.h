// "Rillpost Preference": the ten global settings. The caller fills `values`, and reads them back
// after Run returned IDOK.
#pragma once

#include "ui/DialogBase.h"
#include "ui/LinkControl.h"
#include "ui/Preferences.h"

class PreferencesDialog : public DialogBase {
public:
    PreferencesDialog();
    Preferences values{};

private:
    bool OnInit() override;
    bool OnOK() override;
    bool ReadNumber(int id, int low, int high, int* value);

    LinkControl links_[3];
};

// The seam that BKC_OnPlugInSetup calls (gRunPreferencesDialog).
bool RunPreferencesDialog(HWND parent, Preferences* values);
