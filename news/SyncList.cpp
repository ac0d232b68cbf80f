#include "news/SyncList.h"

#include "xml/XmlConfig.h"

namespace {

// Text of the named child of the record saved under `record`; false when there is none.
bool ChildText(CXmlConfig& config, const char* record, const char* name, std::string* text) {
    config.RestorePosition(record);
    if (!config.FindChildElement(name))
        return false;
    *text = config.GetChildText();
    return true;
}

}  // namespace

std::vector<SyncRecord> BuildSyncList(CXmlConfig& config) {
    std::vector<SyncRecord> list;
    config.ResetPosition();
    if (!config.FindElement("Setup"))
        return list;
    while (config.FindChildElement("Server")) {
        config.SavePosition("sync:servers");
        config.EnterElement();
        config.SavePosition("sync:server");
        std::string location;
        ChildText(config, "sync:server", "Location", &location);
        config.RestorePosition("sync:server");
        while (config.FindChildElement("Subgroup")) {
            config.SavePosition("sync:groups");
            config.EnterElement();
            config.SavePosition("sync:group");
            std::string style;
            if (ChildText(config, "sync:group", "Synchronization", &style) && (style == "1" || style == "2")) {
                SyncRecord record{location, "", "", style == "1" ? 1 : 0};
                ChildText(config, "sync:group", "FolderID", &record.folderId);
                ChildText(config, "sync:group", "GroupName", &record.groupName);
                list.push_back(record);
            }
            config.RestorePosition("sync:groups");
        }
        config.RestorePosition("sync:servers");
    }
    config.ResetPosition();
    return list;
}
