#include "ui/ServerLocation.h"

#include "ui/GroupListModel.h"

namespace {

bool IsLocationChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
}

}  // namespace

bool CanStoreGroupList(const std::string& location) {
    if (location.empty())
        return false;
    for (char c : location) {
        if (!IsLocationChar(c))
            return false;
    }
    return true;
}

bool CheckServerLocation(const std::string& typed, const std::vector<std::string>& existing, std::string* location,
                         std::string* message) {
    const char* blanks = " \t\r\n";
    size_t begin = typed.find_first_not_of(blanks);
    size_t end = typed.find_last_not_of(blanks);
    *location = begin == std::string::npos ? std::string() : typed.substr(begin, end - begin + 1);
    if (location->empty()) {
        *message = "Please enter the news server's host name.";
        return false;
    }
    if (!CanStoreGroupList(*location)) {
        *message = "The news server's host name may hold only the letters A to Z, the digits 0 to 9, \".\", \"-\" "
                   "and \"_\".";
        return false;
    }
    std::string lowered = GroupListModel::Lower(*location);
    for (const std::string& other : existing) {
        if (GroupListModel::Lower(other) == lowered) {
            *message = "The news server \"" + other + "\" is already in the list.";
            return false;
        }
    }
    return true;
}
