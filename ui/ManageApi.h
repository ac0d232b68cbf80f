// Entry points shared by the management dialogs and the "Manage NewsGroup" command.
// All run on the host's user-interface thread.
#pragma once

#include <windows.h>

#include <string>

#include "ui/ManageTypes.h"

// The manage newsgroups dialog (resource 2002). `preselected` is the Location of the current
// mailbox's server or "None". True when it ended with OK; *changes then holds the pending lists.
// New, Mod, Del and the style menu change the shared configuration document in memory (under
// the configuration lock); the caller saves it.
bool RunManageDialog(HWND parent, const std::string& preselected, PendingChanges* changes);

// "Add a news server" (resource 2003): true on OK with every field filled.
bool RunAddServerDialog(HWND parent, ServerFields* fields);
// "Modify Server Info" (resource 2011), preset from *fields (location, login, username,
// password): true on OK with the edited values.
bool RunModifyServerDialog(HWND parent, ServerFields* fields);

// Drives the host's new-mailbox command (42787) and fills its two dialogs from `fields`.
// Returns the id of the mailbox the host really created during this call, or "" when none was
// created (cancelled, an error box instead of the dialogs, ...). The window hook is gone when it
// returns, whatever happened.
std::string CreateHostMailbox(HWND owner, const ServerFields& fields);

// Applies the pending lists after the manage dialog ended with OK: creates and deletes the
// group folders through host commands, edits the configuration and saves it (a failed save is
// reported in a message box).
void ApplyPendingChanges(const PendingChanges& changes);
