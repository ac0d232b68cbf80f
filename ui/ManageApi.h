// Entry points shared by the management dialogs and the "Manage NewsGroup" command.
// All run on the host's user-interface thread.
#pragma once

#include <windows.h>

#include <string>

#include "ui/ManageStore.h"
#include "ui/ManageTypes.h"

// The manage newsgroups dialog (resource 2002). `preselected` is the Location of the current
// mailbox's server or "None". True when it ended with OK; *changes then holds the pending lists.
// New, Mod, Del and the style menu change the configuration through `store`; the caller saves it.
bool RunManageDialog(HWND parent, const std::string& preselected, ManageStore& store, PendingChanges* changes);
