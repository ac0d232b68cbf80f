// The two news-server dialogs of the manage newsgroups dialog: "Add a news server" (with the host
// mailbox to create for it and that mailbox's sender) and "Modify Server Info". They edit a
// ServerFields and touch no stored data; the manage dialog writes what they return.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/DialogBase.h"
#include "ui/ManageTypes.h"

class AddServerDialog : public DialogBase {
public:
    AddServerDialog();

    // In: the Locations of the servers already configured (a new one must differ from each).
    std::vector<std::string> existing;
    // In: the host's data folder (ending with a backslash), whose mailbox folders suggest names
    // and addresses.
    std::string dataFolder;
    // Out, on OK.
    ServerFields fields;

protected:
    bool OnInit() override;
    bool OnCommand(int id, int code) override;
    bool OnOK() override;

private:
    void AddSuggestions();
};

class ModifyServerDialog : public DialogBase {
public:
    ModifyServerDialog();

    // In: the servers' Locations other than this one's. In and out: location, login, username,
    // password.
    std::vector<std::string> existing;
    ServerFields fields;

protected:
    bool OnInit() override;
    bool OnCommand(int id, int code) override;
    bool OnOK() override;
};

// The dialogs with the list of existing Locations given instead of read from the configuration.
bool RunAddServerDialog(HWND parent, const std::vector<std::string>& existing, ServerFields* fields);
bool RunModifyServerDialog(HWND parent, const std::vector<std::string>& existing, ServerFields* fields);
