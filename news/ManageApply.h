// The apply step of the "Manage NewsGroup" command. User-interface thread.
#pragma once

#include "ui/ManageTypes.h"

// Applies the pending lists after the manage dialog ended with OK: creates and deletes the
// group folders through host commands, edits the configuration and saves it (a failed save is
// reported in a message box).
void ApplyPendingChanges(const PendingChanges& changes);
