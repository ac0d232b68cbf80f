// The login settings of one news server as the configuration stores them.
#pragma once

#include <string>

class CXmlConfig;

// How a server's connection is protected ("Security" of the Server record).
enum ServerSecurity {
    kSecurityPlain = 0,     // clear text, port 119 unless the Location names one
    kSecurityTls = 1,       // TLS from the first byte, port 563 unless the Location names one
    kSecurityStartTls = 2,  // clear text on port 119 switched to TLS with STARTTLS before any login
};

struct ServerAccount {
    int authentication = 0;  // non-zero: log in with AUTHINFO after the greeting
    std::string username;
    std::string password;
    std::string id;                  // the host mailbox the server is bound to
    int security = kSecurityPlain;   // child "Security"; missing or unknown values read as plain
    std::string trustedCertificate;  // child "TrustedCertificate": SHA-256 fingerprint the user trusted
    // child "Extensions": a value reading as 0 turns off CAPABILITIES and what it offers (OVER,
    // compression), for a server that mishandles them; missing reads as on.
    bool extensions = true;
};

// Reads the Server record under "Setup" whose Location is `location`. A missing record or missing
// children give the defaults (no login, empty texts); the document is never changed. The caller
// holds the document's lock; the position is reset on return.
ServerAccount ReadServerAccount(CXmlConfig& config, const std::string& location);

// Records that the user trusts the certificate with `fingerprint` for the server `location`
// (child "TrustedCertificate", replacing an earlier one). False when there is no such Server.
// The caller holds the document's lock; the position is reset on return.
bool WriteTrustedCertificate(CXmlConfig& config, const std::string& location, const std::string& fingerprint);

// Splits a Location into the host to connect to and the port: "host:port" with a port 1..65535,
// or a bare host with the mode's default port. False for an empty host or a bad port.
bool SplitServerLocation(const std::string& location, int security, std::string* host, unsigned short* port);
