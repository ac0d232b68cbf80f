// "Modify mail headers - Rillpost": edits the header fields of one message's text. The dialog
// only edits `editor`; the command that opened it writes the result back after IDOK.
#pragma once

#include <string>

#include "ui/DialogBase.h"
#include "ui/HeaderBlock.h"

class ModifyHeadersDialog : public DialogBase {
public:
    explicit ModifyHeadersDialog(std::string source);
    HeaderEditor editor;

private:
    bool OnInit() override;
    bool OnCommand(int id, int code) override;
    bool OnCancel() override;
    void ShowField(const std::string& name, const std::string& value);

    // Set while the dialog itself writes the edits, so that their change notices edit nothing.
    bool filling_ = false;
};
