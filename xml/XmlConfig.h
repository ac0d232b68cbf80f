// The configuration document: a CXmlDocument with colon-separated paths
// ("Setup:Configuration:MaxNum") and records selected by a key child (the Server whose ID is a
// given value). Every getter and setter ends with a position reset, so callers that read several
// children of one record select it, SavePosition, and RestorePosition before each relative call.
// The class takes no lock: users of a shared document hold its lock around every sequence.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "xml/XmlDocument.h"

class CXmlConfig : public CXmlDocument {
public:
    CXmlConfig() = default;
    ~CXmlConfig() override = default;

    // Remembers path and loads it; a missing or unreadable file leaves an empty document.
    void LoadConfig(const char* path);
    std::string GetConfigPath() const { return path_; }

    std::string GetString(const char* path, const char* def, bool relative);
    int GetInt(const char* path, int def, bool relative);
    bool SetString(const char* path, const char* value, bool reuse, bool relative);
    bool SetInt(const char* path, int value, bool reuse, bool relative);

    // Restores the position saved as `saved` and reads the text of its child `name`; false (and
    // *text untouched) when there is no such child. The position is left on that child.
    bool GetSavedChildText(const char* saved, const char* name, std::string* text);

    bool SelectRecord(const char* path, const char* keyName, const char* keyValue, bool forceNew, bool strict);
    bool SelectServerGroup(const char* serverId, const char* folderId, bool strict, bool forceNew);

    // Reads a decimal integer as the C library's atoi does, but saturates instead of overflowing.
    static int ParseInt(const std::string& text);

private:
    // The keys of one Server element: the text of its first ID child, and each Subgroup by the
    // text of its first FolderID child.
    struct ServerKeys {
        bool hasId = false;
        std::string id;
        std::unordered_map<std::string, std::vector<int>> groups;
    };

    bool ResolvePath(const char* path, bool reuse, bool relative);
    bool WalkPieces(const char* path, bool reuse, std::string* lastPiece);

    // The lookup index of SelectServerGroup. It is brought up to date from the document's edit
    // notes before each use: a Server touched by an edit is indexed again, a group whose
    // FolderID text changed is filed under its new key alone (a folder rename must not re-read
    // every group of its server), and an edit at the top or document level rebuilds the whole
    // index. Among several elements with one key the first in the text wins, as a walk would
    // find it.
    void RefreshIndex();
    void RebuildIndex();
    void IndexServer(int server);
    void RekeyGroup(int server, int group);
    void DropServer(int server);
    bool IsKeyElement(int index) const;
    int FirstInText(const std::vector<int>& candidates) const;
    bool FindIndexed(const char* serverId, const char* folderId, int* server, int* group);

    int strict_ = 0;
    std::string path_;
    int indexTop_ = 0;
    std::unordered_map<int, ServerKeys> indexedServers_;
    std::unordered_map<std::string, std::vector<int>> serversById_;
    std::vector<int> notes_;
};
