#include "host/MailboxAccount.h"

#include <windows.h>

#include <vector>

namespace {

const DWORD kBufferStep = 512;

// One value of the file; the buffer grows while the value fills it, so no value is cut short.
std::string IniValue(const std::string& file, const char* section, const char* key) {
    std::vector<char> buffer;
    for (DWORD size = kBufferStep;; size += kBufferStep) {
        buffer.assign(size, '\0');
        DWORD length = GetPrivateProfileStringA(section, key, "", buffer.data(), size, file.c_str());
        if (length < size - 1)
            return std::string(buffer.data(), length);
    }
}

}  // namespace

MailboxAccount MailboxAccount::Read(const std::string& mailboxFolder) {
    std::string file = mailboxFolder + "MailBox.ini";
    MailboxAccount account;
    account.yourName = IniValue(file, "Account", "YourName");
    account.mailAddress = IniValue(file, "Account", "MailAddress");
    return account;
}
