// "Combine articles into one": the user orders the parts and names the new subject. After IDOK
// `parts` is in the chosen order and `subject` holds the new subject; the command builds and
// stores the combined message.
#pragma once

#include <vector>

#include "ui/CombineParts.h"
#include "ui/DialogBase.h"

class CombineDialog : public DialogBase {
public:
    explicit CombineDialog(std::vector<CombinePart> sortedParts);
    std::vector<CombinePart> parts;
    std::string subject;

private:
    bool OnInit() override;
    bool OnCommand(int id, int code) override;
    bool OnOK() override;
};
