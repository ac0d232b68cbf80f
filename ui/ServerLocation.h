// The name of a news server (its Location) as the add and modify dialogs accept it. The name is
// also the element name of the server's stored group list, so it keeps to characters that can
// name an element (see GroupListElementName). Portable.
#pragma once

#include <string>
#include <vector>

// Trims blanks from both ends of typed into *location. False with *message set when the result
// is empty, its host holds a character other than an ASCII letter, digit, '.', '-' or '_' or
// holds "..", a ":port" suffix is not one number 1..65535, or it equals one of existing ignoring
// case, or its group list would be stored under the element name of one of existing.
// "host" and "host:port" are different servers.
bool CheckServerLocation(const std::string& typed,
                         const std::vector<std::string>& existing,
                         std::string* location,
                         std::string* message);

// True when the Location can name the element of a stored group list. A stored Location that
// cannot (written by hand or by an earlier release) simply has no stored group list.
bool CanStoreGroupList(const std::string& location);

// The element name under which the group-list document stores the list of the server with this
// Location (CanStoreGroupList true). A ':' in an element name would be read as a namespace
// prefix, so "host:port" is stored as "host..port"; a bare host is its own name, as in files
// written before ports existed. ".." never occurs in a host that CheckServerLocation accepts,
// so no two Locations share a name.
std::string GroupListElementName(const std::string& location);
