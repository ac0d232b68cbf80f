#include "news/SyncList.h"

#include "xml/XmlConfig.h"

std::vector<SyncRecord> BuildSyncList(CXmlConfig& config) {
    std::vector<SyncRecord> list;
    config.ResetPosition();
    if (!config.FindElement("Setup"))
        return list;
    while (config.FindChildElement("Server")) {
        config.SavePosition("sync:servers");
        config.EnterElement();
        config.SavePosition("sync:server");
        std::string location, serverId;
        config.GetSavedChildText("sync:server", "Location", &location);
        config.RestorePosition("sync:server");
        config.GetSavedChildText("sync:server", "ID", &serverId);
        config.RestorePosition("sync:server");
        while (config.FindChildElement("Subgroup")) {
            config.SavePosition("sync:groups");
            config.EnterElement();
            config.SavePosition("sync:group");
            std::string style;
            if (config.GetSavedChildText("sync:group", "Synchronization", &style) && (style == "1" || style == "2")) {
                SyncRecord record{location, "", "", style == "1" ? 1 : 0, serverId};
                config.GetSavedChildText("sync:group", "FolderID", &record.folderId);
                config.GetSavedChildText("sync:group", "GroupName", &record.groupName);
                list.push_back(record);
            }
            config.RestorePosition("sync:groups");
        }
        config.RestorePosition("sync:servers");
    }
    config.ResetPosition();
    return list;
}
