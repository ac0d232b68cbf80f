// The account of one host mailbox as its settings file `MailBox.ini` keeps it: section
// "Account", values "YourName" and "MailAddress". A missing file or value reads as empty.
#pragma once

#include <string>

class MailboxAccount {
public:
    // `mailboxFolder` is the mailbox's folder with its trailing backslash.
    static MailboxAccount Read(const std::string& mailboxFolder);

    std::string yourName;
    std::string mailAddress;
};
