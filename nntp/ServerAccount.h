// The login settings of one news server as the configuration stores them.
#pragma once

#include <string>

class CXmlConfig;

struct ServerAccount {
    int authentication = 0;  // non-zero: log in with AUTHINFO after the greeting
    std::string username;
    std::string password;
    std::string id;  // the host mailbox the server is bound to
};

// Reads the Server record under "Setup" whose Location is `location`. A missing record or missing
// children give the defaults (no login, empty texts); the document is never changed. The caller
// holds the document's lock; the position is reset on return.
ServerAccount ReadServerAccount(CXmlConfig& config, const std::string& location);
