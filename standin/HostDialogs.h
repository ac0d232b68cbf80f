// The host's own modal dialogs that plug-ins drive through host command 42787 (new mailbox).
#pragma once

#include <windows.h>

#include <string>

namespace HostDialogs {

// "New Mailbox": a dialog with one edit for the name. False when cancelled or left empty.
bool AskMailBoxName(HWND owner, std::string* name);

// "Account Properties": a dialog whose first child is a child dialog whose first child is the
// page with the edits 1014 (your name) and 1015 (e-mail address). False when cancelled.
bool EditAccount(HWND owner, std::string* yourName, std::string* address);

}  // namespace HostDialogs
