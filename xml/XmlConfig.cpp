#include "xml/XmlConfig.h"

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

bool CXmlConfig::SelectRecord(const char* path, const char* keyName, const char* keyValue, bool forceNew,
                              bool strict) {
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
    ResetPosition();
    if (!SelectRecord("Setup:Server", "ID", serverId, false, strict))
        return false;
    EnterElement();
    return SelectRecord("Subgroup", "FolderID", folderId, forceNew, strict);
}
