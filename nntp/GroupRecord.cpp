#include "nntp/GroupRecord.h"

#include "nntp/Overview.h"
#include "xml/CodePage.h"
#include "xml/XmlConfig.h"

namespace {

// Leaves the document inside the group record (saved as "group:record") and true, or reset and
// false when there is no such record. Nothing is created.
bool EnterGroup(CXmlConfig& config, const std::string& location, const std::string& folderId) {
    config.ResetPosition();
    if (!config.FindElement("Setup"))
        return false;
    while (config.FindChildElement("Server")) {
        config.SavePosition("group:servers");
        config.EnterElement();
        config.SavePosition("group:server");
        std::string text;
        if (config.GetSavedChildText("group:server", "Location", &text) && text == location) {
            config.RestorePosition("group:server");
            while (config.FindChildElement("Subgroup")) {
                config.SavePosition("group:groups");
                config.EnterElement();
                config.SavePosition("group:record");
                if (config.GetSavedChildText("group:record", "FolderID", &text) && text == folderId) {
                    config.RestorePosition("group:record");
                    return true;
                }
                config.RestorePosition("group:groups");
            }
        }
        config.RestorePosition("group:servers");
    }
    config.ResetPosition();
    return false;
}

}  // namespace

bool ReadLastNumber(CXmlConfig& config, const std::string& location, const std::string& folderId, long long* value) {
    if (!EnterGroup(config, location, folderId))
        return false;
    std::string text;
    *value = config.GetSavedChildText("group:record", "LastNumber", &text) ? LeadingNumber(text, 1LL << 62) : 0;
    config.ResetPosition();
    return true;
}

bool WriteLastNumber(CXmlConfig& config, const std::string& location, const std::string& folderId, long long value) {
    if (!EnterGroup(config, location, folderId))
        return false;
    std::string text = std::to_string(value < 0 ? 0 : value);
    bool written = config.SetString("LastNumber", text.c_str(), true, true);
    config.ResetPosition();
    return written;
}

bool GiveBackLastNumber(CXmlConfig& config,
                        const std::string& location,
                        const std::string& folderId,
                        long long reserved,
                        long long fallback) {
    long long current = 0;
    if (!ReadLastNumber(config, location, folderId, &current) || current != reserved || fallback >= reserved)
        return false;
    return WriteLastNumber(config, location, folderId, fallback);
}

std::string ParentFolderId(const std::string& folderId) {
    size_t end = folderId.size();
    while (end > 0 && folderId[end - 1] == '\\')
        --end;
    size_t cut = std::string::npos;
    const char* begin = folderId.data();
    for (const char* p = begin; p < begin + end;) {
        if (*p == '\\')
            cut = static_cast<size_t>(p - begin);
        p += codepage::CharLen(p, begin + end);
    }
    return cut == std::string::npos ? std::string() : folderId.substr(0, cut + 1);
}
