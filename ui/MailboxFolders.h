// The host's mailbox folders: the folders of its data folder whose names end in ".mb" (in any
// case), each holding the mailbox's "Mailbox.ini". Read from the disk on every call.
#pragma once

#include <string>
#include <vector>

// Their names as the disk spells them, without the data folder; empty when the folder cannot
// be listed.
std::vector<std::string> MailboxFolders(const std::string& dataFolder);

// The data folder the host reports, ending with a backslash; empty when it reports none.
std::string HostDataFolder();
