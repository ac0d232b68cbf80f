#include "ui/ServerLocation.h"

#include "ui/GroupListModel.h"

namespace {

bool IsLocationChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
}

bool IsHostPart(const std::string& host) {
    if (host.empty())
        return false;
    for (char c : host) {
        if (!IsLocationChar(c))
            return false;
    }
    return true;
}

// "1".."65535" without a sign, blanks or leading zeros.
bool IsPortPart(const std::string& port) {
    if (port.empty() || port.size() > 5 || port[0] == '0' || port.find_first_not_of("0123456789") != std::string::npos)
        return false;
    return std::stol(port) <= 65535;
}

// Where a ":port" suffix starts, or npos when there is none.
size_t PortColon(const std::string& location) {
    return location.find(':');
}

}  // namespace

bool CanStoreGroupList(const std::string& location) {
    size_t colon = PortColon(location);
    if (colon == std::string::npos)
        return IsHostPart(location);
    // One ":port" suffix and a host without "..", so that its element name cannot be another's.
    return IsHostPart(location.substr(0, colon)) && location.find("..") == std::string::npos &&
           IsPortPart(location.substr(colon + 1));
}

std::string GroupListElementName(const std::string& location) {
    size_t colon = PortColon(location);
    if (colon == std::string::npos)
        return location;
    return location.substr(0, colon) + ".." + location.substr(colon + 1);
}

bool CheckServerLocation(const std::string& typed,
                         const std::vector<std::string>& existing,
                         std::string* location,
                         std::string* message) {
    const char* blanks = " \t\r\n";
    size_t begin = typed.find_first_not_of(blanks);
    size_t end = typed.find_last_not_of(blanks);
    *location = begin == std::string::npos ? std::string() : typed.substr(begin, end - begin + 1);
    if (location->empty()) {
        *message = "Please enter the news server's host name.";
        return false;
    }
    size_t colon = PortColon(*location);
    std::string host = location->substr(0, colon);
    if (!IsHostPart(host)) {
        *message =
            "The news server's host name may hold only the letters A to Z, the digits 0 to 9, \".\", \"-\" "
            "and \"_\", followed by one \":port\" at most.";
        return false;
    }
    if (host.find("..") != std::string::npos) {
        *message = "The news server's host name may not hold \"..\".";
        return false;
    }
    if (colon != std::string::npos && !IsPortPart(location->substr(colon + 1))) {
        *message = "The port after \":\" must be a number from 1 to 65535.";
        return false;
    }
    std::string lowered = GroupListModel::Lower(*location);
    std::string listName = GroupListModel::Lower(GroupListElementName(*location));
    for (const std::string& other : existing) {
        if (GroupListModel::Lower(other) == lowered) {
            *message = "The news server \"" + other + "\" is already in the list.";
            return false;
        }
        // A Location stored by hand or by an earlier release ("a..80") may name the group list
        // that this one would use ("a:80"): the two servers would share one list.
        if (CanStoreGroupList(other) && GroupListModel::Lower(GroupListElementName(other)) == listName) {
            *message = "The news server \"" + other + "\" already keeps its group list under the name this one needs.";
            return false;
        }
    }
    return true;
}
