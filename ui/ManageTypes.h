// What the manage dialog hands to the command that opened it, and what the server dialogs
// collect. Plain data, copied freely.
#pragma once

#include <string>
#include <vector>

// One pending subscription or unsubscription, made in the manage dialog and applied by the
// "Manage NewsGroup" command after the dialog ended with OK.
struct PendingGroup {
    std::string location;  // the server's Location
    std::string serverId;  // the host mailbox id of the server ("" when the server has none)
    std::string group;
    int style = 0;  // download style: 0 none, 1 only header, 2 whole article
};

// A stored subscription of a server: its group name and download style.
struct StoredGroup {
    std::string name;
    int style;
};

struct PendingChanges {
    std::vector<PendingGroup> subscribe;
    std::vector<PendingGroup> unsubscribe;
};

// The values of the add and modify server dialogs. The modify dialog leaves out the mailbox
// name, your name and your e-mail.
struct ServerFields {
    std::string location;
    std::string mailboxName;
    std::string yourName;
    std::string yourEmail;
    int login = 0;  // 0 or 1, stored as Authenication
    std::string username;
    std::string password;
    int security = 0;    // 0 plain, 1 TLS from the first byte, 2 STARTTLS; stored as Security
    int extensions = 1;  // 0 or 1: use what CAPABILITIES offers; stored as Extensions only when 0
};
