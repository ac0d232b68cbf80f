// The configuration document: a CXmlDocument with colon-separated paths
// ("Setup:Configuration:MaxNum") and records selected by a key child (the Server whose ID is a
// given value). Every getter and setter ends with a position reset, so callers that read several
// children of one record select it, SavePosition, and RestorePosition before each relative call.
// The class takes no lock: users of a shared document hold its lock around every sequence.
#pragma once

#include <string>

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

    bool SelectRecord(const char* path, const char* keyName, const char* keyValue, bool forceNew, bool strict);
    bool SelectServerGroup(const char* serverId, const char* folderId, bool strict, bool forceNew);

    // Reads a decimal integer as the C library's atoi does, but saturates instead of overflowing.
    static int ParseInt(const std::string& text);

private:
    bool ResolvePath(const char* path, bool reuse, bool relative);
    bool WalkPieces(const char* path, bool reuse, std::string* lastPiece);

    int strict_ = 0;
    std::string path_;
};
