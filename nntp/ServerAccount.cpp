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
            break;
        }
        config.RestorePosition("nntp:servers");
    }
    config.ResetPosition();
    return account;
}
