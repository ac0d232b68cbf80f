// The groups that a scheduled synchronization visits, read from the configuration document.
#pragma once

#include <string>
#include <vector>

class CXmlConfig;

struct SyncRecord {
    std::string location;  // the server's Location
    std::string groupName;
    std::string folderId;
    int headersOnly;       // 1 for style "1" (overviews only), 0 for style "2" (whole articles)
    std::string serverId;  // the server's ID (its host mailbox): two servers may share a Location

    bool operator==(const SyncRecord& other) const {
        return location == other.location && groupName == other.groupName && folderId == other.folderId &&
               headersOnly == other.headersOnly;
    }
};

// Every Subgroup of every Server under Setup, in document order, whose Synchronization text is
// exactly "1" or "2". The caller holds the configuration Optex; the position is reset afterwards.
std::vector<SyncRecord> BuildSyncList(CXmlConfig& config);
