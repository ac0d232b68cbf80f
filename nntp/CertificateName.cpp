#include "nntp/CertificateName.h"

#include <cstddef>

namespace {

// Host names compare without case and without the root's trailing dot.
std::string Canonical(const std::string& name) {
    std::string text = name;
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool NameMatches(const std::string& pattern, const std::string& host) {
    std::string p = Canonical(pattern);
    std::string h = Canonical(host);
    if (p.empty() || h.empty())
        return false;
    if (p.compare(0, 2, "*.") != 0)
        return p.find('*') == std::string::npos && p == h;
    // "*.example.com": the rest holds no other wildcard and at least two labels, and the host's
    // first label is one non-empty label.
    std::string rest = p.substr(1);
    if (rest.find('*') != std::string::npos || rest.find('.', 1) == std::string::npos || rest.back() == '.')
        return false;
    size_t dot = h.find('.');
    return dot != std::string::npos && dot > 0 && h.compare(dot, std::string::npos, rest) == 0;
}

}  // namespace

bool CertificateIsForHost(const CertificateNames& names, const std::string& host, const std::string& hostAddress) {
    bool hasAltNames = !names.dnsNames.empty() || !names.ipAddresses.empty();
    if (!hostAddress.empty()) {
        for (const std::string& address : names.ipAddresses) {
            if (address == hostAddress)
                return true;
        }
        // An older certificate may carry the address as its common name, written as the user
        // wrote it; a wildcard never stands for an address.
        return !hasAltNames && !names.commonName.empty() && names.commonName.find('*') == std::string::npos &&
               Canonical(names.commonName) == Canonical(host);
    }
    if (hasAltNames) {
        for (const std::string& name : names.dnsNames) {
            if (NameMatches(name, host))
                return true;
        }
        return false;
    }
    return NameMatches(names.commonName, host);
}
