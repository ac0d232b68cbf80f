#include "news/ManageConfig.h"

#include "news/NewsState.h"

namespace manageconfig {
namespace {

// Puts gConfig on the server's Server element, saved as "TEMP". The caller holds the lock.
bool SelectServer(const std::string& location) {
    gConfig.ResetPosition();
    if (!gConfig.SelectRecord("Setup:Server", "Location", location.c_str(), false, true))
        return false;
    gConfig.SavePosition("TEMP");
    return true;
}

// The server's children as relative setters want them: position restored before each call.
void WriteServerFields(const ServerFields& fields) {
    gConfig.RestorePosition("TEMP");
    gConfig.SetString("Location", fields.location.c_str(), true, true);
    gConfig.RestorePosition("TEMP");
    gConfig.SetString("Username", fields.username.c_str(), true, true);
    gConfig.RestorePosition("TEMP");
    gConfig.SetString("Password", fields.password.c_str(), true, true);
    gConfig.RestorePosition("TEMP");
    gConfig.SetInt("Authenication", fields.login ? 1 : 0, true, true);
    // A plain server keeps the record it always had; the element appears once a server uses TLS.
    std::string stored;
    if (fields.security != 0 || gConfig.GetSavedChildText("TEMP", "Security", &stored)) {
        gConfig.RestorePosition("TEMP");
        gConfig.SetInt("Security", fields.security, true, true);
    }
    // The same for the extensions, whose default is on.
    if (fields.extensions == 0 || gConfig.GetSavedChildText("TEMP", "Extensions", &stored)) {
        gConfig.RestorePosition("TEMP");
        gConfig.SetInt("Extensions", fields.extensions != 0 ? 1 : 0, true, true);
    }
}

}  // namespace

std::vector<std::string> ServerLocations() {
    std::vector<std::string> locations;
    OptexLock hold(gConfigOptex);
    gConfig.ResetPosition();
    if (gConfig.FindElement("Setup")) {
        while (gConfig.FindChildElement("Server")) {
            gConfig.SavePosition("manage:servers");
            gConfig.EnterElement();
            gConfig.SavePosition("manage:server");
            std::string location;
            gConfig.GetSavedChildText("manage:server", "Location", &location);
            locations.push_back(location);
            gConfig.RestorePosition("manage:servers");
        }
    }
    gConfig.ResetPosition();
    return locations;
}

bool ReadServer(const std::string& location, std::string* id, ServerFields* fields) {
    OptexLock hold(gConfigOptex);
    bool found = SelectServer(location);
    if (found) {
        fields->location = location;
        *id = gConfig.GetString("ID", "", true);
        gConfig.RestorePosition("TEMP");
        fields->login = gConfig.GetInt("Authenication", 0, true) != 0 ? 1 : 0;
        gConfig.RestorePosition("TEMP");
        fields->username = gConfig.GetString("Username", "", true);
        gConfig.RestorePosition("TEMP");
        fields->password = gConfig.GetString("Password", "", true);
        std::string security;
        if (gConfig.GetSavedChildText("TEMP", "Security", &security))
            fields->security = CXmlConfig::ParseInt(security);
        std::string extensions;
        if (gConfig.GetSavedChildText("TEMP", "Extensions", &extensions))
            fields->extensions = CXmlConfig::ParseInt(extensions) != 0 ? 1 : 0;
    }
    gConfig.ResetPosition();
    return found;
}

std::vector<StoredGroup> SubscribedGroups(const std::string& location) {
    std::vector<StoredGroup> groups;
    OptexLock hold(gConfigOptex);
    if (SelectServer(location)) {
        gConfig.RestorePosition("TEMP");
        while (gConfig.FindChildElement("Subgroup")) {
            gConfig.SavePosition("manage:groups");
            gConfig.EnterElement();
            gConfig.SavePosition("manage:group");
            StoredGroup group{std::string(), 0};
            std::string style;
            gConfig.GetSavedChildText("manage:group", "GroupName", &group.name);
            if (gConfig.GetSavedChildText("manage:group", "Synchronization", &style))
                group.style = CXmlConfig::ParseInt(style);
            groups.push_back(group);
            gConfig.RestorePosition("manage:groups");
        }
    }
    gConfig.ResetPosition();
    return groups;
}

bool SetGroupStyle(const std::string& location, const std::string& group, int style) {
    OptexLock hold(gConfigOptex);
    bool written = false;
    if (SelectServer(location)) {
        while (!written && gConfig.FindChildElement("Subgroup")) {
            gConfig.SavePosition("manage:groups");
            gConfig.EnterElement();
            gConfig.SavePosition("manage:group");
            std::string name;
            if (gConfig.GetSavedChildText("manage:group", "GroupName", &name) && name == group) {
                gConfig.RestorePosition("manage:group");
                written = gConfig.SetInt("Synchronization", style, true, true);
            }
            gConfig.RestorePosition("manage:groups");
        }
    }
    gConfig.ResetPosition();
    return written;
}

bool AddServer(const std::string& id, const ServerFields& fields) {
    OptexLock hold(gConfigOptex);
    gConfig.ResetPosition();
    bool added = gConfig.SelectRecord("Setup:Server", "ID", "", true, false);
    if (added) {
        gConfig.SavePosition("TEMP");
        gConfig.RestorePosition("TEMP");
        gConfig.SetString("ID", id.c_str(), true, true);
        WriteServerFields(fields);
    }
    gConfig.ResetPosition();
    return added;
}

bool ModifyServer(const std::string& location, const ServerFields& fields) {
    OptexLock hold(gConfigOptex);
    bool found = SelectServer(location);
    if (found) {
        WriteServerFields(fields);
        // A certificate trusted for one host name says nothing about another.
        std::string trusted;
        if (fields.location != location && gConfig.GetSavedChildText("TEMP", "TrustedCertificate", &trusted)) {
            gConfig.RestorePosition("TEMP");
            gConfig.SetString("TrustedCertificate", "", true, true);
        }
    }
    gConfig.ResetPosition();
    return found;
}

bool RemoveServer(const std::string& location) {
    OptexLock hold(gConfigOptex);
    bool removed = SelectServer(location) && gConfig.RemoveElement();
    gConfig.ResetPosition();
    return removed;
}

}  // namespace manageconfig
