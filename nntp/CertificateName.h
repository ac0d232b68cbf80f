// Whether a server certificate is for the host the user named. Kept apart from the chain check
// so that a wrong name is found whatever else is wrong with the certificate, and portable so
// that the rules are tested on their own.
#pragma once

#include <string>
#include <vector>

// The names a certificate carries, copied out of it by the caller.
struct CertificateNames {
    std::vector<std::string> dnsNames;     // subjectAltName DNS entries, as written (may hold "*.")
    std::vector<std::string> ipAddresses;  // subjectAltName IP entries, 4 or 16 raw bytes each
    std::string commonName;                // the subject's common name, "" when it has none
};

// `host` is the name as the user wrote it; `hostAddress` is the same host as 4 or 16 raw bytes
// when it is an address literal, and empty when it is a name. A certificate with subjectAltName
// entries is judged by those alone; one without is judged by its common name. A wildcard stands
// for the whole left-most label only, one label, never under a bare top-level name, and never
// for an address.
bool CertificateIsForHost(const CertificateNames& names, const std::string& host, const std::string& hostAddress);
