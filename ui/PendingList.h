// The subscriptions and unsubscriptions that the manage dialog collects for the "Manage
// NewsGroup" command to apply after OK. An entry is keyed by its server (Location) and its group
// name, both compared ignoring case, as Locations are unique that way and the dialog shows a
// group as subscribed whatever the case of its stored name. The lists hold
// only the net effect of what the user did during one visit: unsubscribing a group that is only
// pending for subscription drops that entry, and the reverse, so the apply step never creates a
// second folder for a group or deletes a folder that was never made. Portable; owned by the
// dialog and copied out when it ends.
#pragma once

#include <string>

#include "ui/ManageTypes.h"

class PendingList {
public:
    // The user subscribed the group (it was not shown as subscribed).
    void Subscribe(const PendingGroup& entry);
    // The user unsubscribed the group (it was shown as subscribed, stored or pending).
    void Unsubscribe(const PendingGroup& entry);
    // The download style of a pending subscription; false when the group has none.
    bool SetStyle(const std::string& location, const std::string& group, int style);
    // The entry of the group in one list, or null. Valid until the next change.
    const PendingGroup* FindSubscribe(const std::string& location, const std::string& group) const;
    const PendingGroup* FindUnsubscribe(const std::string& location, const std::string& group) const;
    // True when either list holds an entry of the server.
    bool HasServer(const std::string& location) const;
    // A server's Location changed: its entries follow it.
    void RenameServer(const std::string& from, const std::string& to);

    const PendingChanges& Changes() const { return changes_; }

private:
    PendingChanges changes_;
};
