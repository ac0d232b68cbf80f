#include "xml/XmlConfig.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace {

std::vector<std::string> SplitPath(const char* path) {
    std::vector<std::string> pieces;
    if (!path)
        return pieces;
    const char* p = path;
    while (*p) {
        const char* colon = strchr(p, ':');
        size_t len = colon ? static_cast<size_t>(colon - p) : strlen(p);
        if (len)
            pieces.emplace_back(p, len);
        if (!colon)
            break;
        p = colon + 1;
    }
    return pieces;
}

}  // namespace

void CXmlConfig::LoadConfig(const char* path) {
    path_ = path ? path : "";
    LoadFile(path);
}

int CXmlConfig::ParseInt(const std::string& text) {
    const char* p = text.c_str();
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    long long value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + (*p++ - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

// Walks the pieces of path from the current level: each piece is found or, unless strict,
// created; without reuse a new element is added after the one found. The element of the last
// piece ends up current.
bool CXmlConfig::WalkPieces(const char* path, bool reuse, std::string* lastPiece) {
    std::vector<std::string> pieces = SplitPath(path);
    for (const std::string& piece : pieces) {
        if (!FindElement(piece.c_str())) {
            if (strict_ || !AddElement(piece.c_str(), nullptr, false))
                return false;
        } else if (!reuse) {
            // At the document level this fails, and the existing top element is used.
            AddElement(piece.c_str(), nullptr, false);
        }
        EnterElement();
    }
    if (lastPiece && !pieces.empty())
        *lastPiece = pieces.back();
    LeaveElement();
    return true;
}

bool CXmlConfig::ResolvePath(const char* path, bool reuse, bool relative) {
    if (relative) {
        // Start before the first child of the element that was current; an empty path then
        // resolves to nothing.
        EnterElement();
        SetPosition(GetParentIndex(), 0, 0, 0);
    } else {
        ResetPosition();
    }
    return WalkPieces(path, reuse, nullptr);
}

std::string CXmlConfig::GetString(const char* path, const char* def, bool relative) {
    strict_ = 1;
    std::string result = def ? def : "";
    if (ResolvePath(path, true, relative) && GetCurrentIndex() != 0)
        result = GetElementText();
    ResetPosition();
    return result;
}

int CXmlConfig::GetInt(const char* path, int def, bool relative) {
    strict_ = 1;
    int result = def;
    if (ResolvePath(path, true, relative) && GetCurrentIndex() != 0)
        result = ParseInt(GetElementText());
    ResetPosition();
    return result;
}

bool CXmlConfig::SetString(const char* path, const char* value, bool reuse, bool relative) {
    strict_ = 0;
    bool ok = ResolvePath(path, reuse, relative) && GetCurrentIndex() != 0 && SetElementText(value, false);
    ResetPosition();
    return ok;
}

bool CXmlConfig::SetInt(const char* path, int value, bool reuse, bool relative) {
    return SetString(path, std::to_string(value).c_str(), reuse, relative);
}

bool CXmlConfig::GetSavedChildText(const char* saved, const char* name, std::string* text) {
    RestorePosition(saved);
    if (!FindChildElement(name))
        return false;
    *text = GetChildText();
    return true;
}

bool CXmlConfig::SelectRecord(const char* path, const char* keyName, const char* keyValue, bool forceNew, bool strict) {
    strict_ = strict ? 1 : 0;
    if (!keyName) {
        std::vector<std::string> pieces = SplitPath(path);
        for (const std::string& piece : pieces) {
            if (!FindChildElement(piece.c_str())) {
                if (strict_ || !AddChildElement(piece.c_str(), nullptr, false))
                    return false;
            }
            EnterElement();
        }
        LeaveElement();
        return true;
    }
    // A lookup never creates anything: only a new record (forceNew) may add the elements on its
    // path and its empty key child, which callers then fill in.
    if (!forceNew)
        strict_ = 1;
    std::string lastPiece;
    if (!WalkPieces(path, !forceNew, &lastPiece))
        return false;
    const char* wanted = keyValue ? keyValue : "";
    for (;;) {
        if (!FindChildElement(keyName)) {
            if (forceNew)
                return AddChildElement(keyName, nullptr, false);
            // A record without its key matches nothing, not even an empty value.
        } else if (GetChildText() == wanted) {
            SetPosition(GetParentIndex(), GetCurrentIndex(), 0, 1);
            return true;
        }
        if (!FindElement(lastPiece.c_str()))
            return false;
    }
}

bool CXmlConfig::SelectServerGroup(const char* serverId, const char* folderId, bool strict, bool forceNew) {
    // A lookup that finds its group ends where the walk below would; every other case (a new
    // record, a miss) takes the walk, so that the position it leaves stays the same.
    int server = 0, group = 0;
    if (!forceNew && FindIndexed(serverId, folderId, &server, &group)) {
        strict_ = 1;
        return SetPosition(server, group, 0, 1);
    }
    ResetPosition();
    if (!SelectRecord("Setup:Server", "ID", serverId, false, strict))
        return false;
    EnterElement();
    return SelectRecord("Subgroup", "FolderID", folderId, forceNew, strict);
}

void CXmlConfig::RebuildIndex() {
    indexedServers_.clear();
    serversById_.clear();
    indexTop_ = TopElement();
    if (!IsElementNamed(indexTop_, "Setup"))
        return;
    for (int c = Record(indexTop_).firstChild; c; c = Record(c).nextSibling) {
        if (IsElementNamed(c, "Server"))
            IndexServer(c);
    }
}

void CXmlConfig::IndexServer(int server) {
    ServerKeys keys;
    for (int c = Record(server).firstChild; c; c = Record(c).nextSibling) {
        if (!keys.hasId && IsElementNamed(c, "ID")) {
            keys.hasId = true;
            keys.id = GetTextAt(c);
        } else if (IsElementNamed(c, "Subgroup")) {
            for (int d = Record(c).firstChild; d; d = Record(d).nextSibling) {
                if (IsElementNamed(d, "FolderID")) {
                    keys.groups[GetTextAt(d)].push_back(c);
                    break;
                }
            }
        }
    }
    if (keys.hasId)
        serversById_[keys.id].push_back(server);
    indexedServers_[server] = std::move(keys);
}

void CXmlConfig::DropServer(int server) {
    auto it = indexedServers_.find(server);
    if (it == indexedServers_.end())
        return;
    if (it->second.hasId) {
        auto byId = serversById_.find(it->second.id);
        if (byId != serversById_.end()) {
            std::vector<int>& list = byId->second;
            list.erase(std::remove(list.begin(), list.end(), server), list.end());
            if (list.empty())
                serversById_.erase(byId);
        }
    }
    indexedServers_.erase(it);
}

void CXmlConfig::RefreshIndex() {
    if (!TakeEditNotes(notes_)) {
        RebuildIndex();
        return;
    }
    std::vector<int> servers;
    std::vector<std::pair<int, int>> rekeyed;  // (server, group) whose FolderID text was set
    for (int e : notes_) {
        if (e == 0) {
            RebuildIndex();
            return;
        }
        // An element removed since its edit: the removal noted a live container as well.
        if (!IsElement(e))
            continue;
        // Only an edit of a key's text or of a list that holds keys changes the index; the other
        // texts of a group (its numbers, say) are written far more often than any key.
        bool keyed = IsElementNamed(e, "Server") || IsElementNamed(e, "Subgroup") || IsKeyElement(e);
        int x = e;
        int parent = Record(x).parent;
        while (parent != 0 && parent != indexTop_) {
            keyed = keyed || IsKeyElement(x);
            x = parent;
            parent = Record(x).parent;
        }
        if (parent == 0) {
            RebuildIndex();
            return;
        }
        int group = Record(e).parent;
        if (IsElementNamed(e, "FolderID") && IsElementNamed(group, "Subgroup") && Record(group).parent == x &&
            IsElementNamed(x, "Server"))
            rekeyed.emplace_back(x, group);
        else if (keyed || x == e)
            servers.push_back(x);
    }
    std::sort(servers.begin(), servers.end());
    servers.erase(std::unique(servers.begin(), servers.end()), servers.end());
    for (int server : servers) {
        DropServer(server);
        if (IsElementNamed(server, "Server"))
            IndexServer(server);
    }
    for (const auto& r : rekeyed) {
        if (!std::binary_search(servers.begin(), servers.end(), r.first))
            RekeyGroup(r.first, r.second);
    }
}

void CXmlConfig::RekeyGroup(int server, int group) {
    auto indexed = indexedServers_.find(server);
    if (indexed == indexedServers_.end()) {
        IndexServer(server);
        return;
    }
    auto& groups = indexed->second.groups;
    for (auto g = groups.begin(); g != groups.end(); ++g) {
        std::vector<int>& list = g->second;
        auto at = std::find(list.begin(), list.end(), group);
        if (at != list.end()) {
            list.erase(at);
            if (list.empty())
                groups.erase(g);
            break;
        }
    }
    for (int d = Record(group).firstChild; d; d = Record(d).nextSibling) {
        if (IsElementNamed(d, "FolderID")) {
            groups[GetTextAt(d)].push_back(group);
            break;
        }
    }
}

bool CXmlConfig::IsKeyElement(int index) const {
    return IsElementNamed(index, "ID") || IsElementNamed(index, "FolderID");
}

int CXmlConfig::FirstInText(const std::vector<int>& candidates) const {
    int best = 0;
    for (int c : candidates) {
        if (best == 0 || Record(c).startTagBegin < Record(best).startTagBegin)
            best = c;
    }
    return best;
}

bool CXmlConfig::FindIndexed(const char* serverId, const char* folderId, int* server, int* group) {
    RefreshIndex();
    auto byId = serversById_.find(serverId ? serverId : "");
    if (byId == serversById_.end())
        return false;
    *server = FirstInText(byId->second);
    const ServerKeys& keys = indexedServers_[*server];
    auto byFolder = keys.groups.find(folderId ? folderId : "");
    if (byFolder == keys.groups.end())
        return false;
    *group = FirstInText(byFolder->second);
    return true;
}
