#include "nntp/ServerAccount.h"

#include "xml/XmlConfig.h"

namespace {

bool ChildText(CXmlConfig& config, const char* record, const char* name, std::string* text) {
    config.RestorePosition(record);
    if (!config.FindChildElement(name))
        return false;
    *text = config.GetChildText();
    return true;
}

}  // namespace

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
        if (ChildText(config, "nntp:server", "Location", &text) && text == location) {
            if (ChildText(config, "nntp:server", "Authenication", &text))
                account.authentication = CXmlConfig::ParseInt(text);
            ChildText(config, "nntp:server", "Username", &account.username);
            ChildText(config, "nntp:server", "Password", &account.password);
            ChildText(config, "nntp:server", "ID", &account.id);
            break;
        }
        config.RestorePosition("nntp:servers");
    }
    config.ResetPosition();
    return account;
}
