#include "nntp/ServerAccount.h"

#include "xml/XmlConfig.h"

ServerAccount ReadServerAccount(CXmlConfig& config, const std::string& location) {
    ServerAccount account;
    config.ResetPosition();
    if (!config.FindElement("Setup"))
        return account;
    while (config.FindChildElement("Server")) {
        config.SavePosition("nntp:servers");
        config.EnterElement();
        config.SavePosition("nntp:server");
        std::string text;
        if (config.GetSavedChildText("nntp:server", "Location", &text) && text == location) {
            if (config.GetSavedChildText("nntp:server", "Authenication", &text))
                account.authentication = CXmlConfig::ParseInt(text);
            config.GetSavedChildText("nntp:server", "Username", &account.username);
            config.GetSavedChildText("nntp:server", "Password", &account.password);
            config.GetSavedChildText("nntp:server", "ID", &account.id);
            if (config.GetSavedChildText("nntp:server", "Security", &text)) {
                int security = CXmlConfig::ParseInt(text);
                if (security == kSecurityTls || security == kSecurityStartTls)
                    account.security = security;
            }
            config.GetSavedChildText("nntp:server", "TrustedCertificate", &account.trustedCertificate);
            if (config.GetSavedChildText("nntp:server", "Extensions", &text))
                account.extensions = CXmlConfig::ParseInt(text) != 0;
            break;
        }
        config.RestorePosition("nntp:servers");
    }
    config.ResetPosition();
    return account;
}

bool WriteTrustedCertificate(CXmlConfig& config, const std::string& location, const std::string& fingerprint) {
    bool written = false;
    config.ResetPosition();
    if (config.FindElement("Setup")) {
        while (config.FindChildElement("Server")) {
            config.SavePosition("trust:servers");
            config.EnterElement();
            config.SavePosition("trust:server");
            std::string text;
            if (config.GetSavedChildText("trust:server", "Location", &text) && text == location) {
                config.RestorePosition("trust:server");
                written = config.SetString("TrustedCertificate", fingerprint.c_str(), true, true);
                break;
            }
            config.RestorePosition("trust:servers");
        }
    }
    config.ResetPosition();
    return written;
}

bool SplitServerLocation(const std::string& location, int security, std::string* host, unsigned short* port) {
    size_t colon = location.find(':');
    *host = location.substr(0, colon);
    if (host->empty())
        return false;
    if (colon == std::string::npos) {
        *port = security == kSecurityTls ? 563 : 119;
        return true;
    }
    std::string digits = location.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    long value = std::stol(digits);
    if (value < 1 || value > 65535)
        return false;
    *port = static_cast<unsigned short>(value);
    return true;
}
