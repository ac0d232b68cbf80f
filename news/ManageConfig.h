// The manage dialog's reads and edits of the shared configuration document (gConfig). Each call
// is one whole sequence under the configuration lock and leaves the position reset; edits stay
// in memory until the "Manage NewsGroup" command saves the file. A server is found by its
// Location, compared exactly as stored. User-interface thread.
#pragma once

#include <string>
#include <vector>

#include "ui/ManageTypes.h"

namespace manageconfig {

using ::StoredGroup;

// The Location of every Server under Setup, in document order.
std::vector<std::string> ServerLocations();
// The server's ID, Location, login flag, user name and password; false when there is none.
bool ReadServer(const std::string& location, std::string* id, ServerFields* fields);
// The server's Subgroups in document order (empty when there is no such server).
std::vector<StoredGroup> SubscribedGroups(const std::string& location);
// Writes the style of the server's Subgroup with that GroupName; false when there is none.
bool SetGroupStyle(const std::string& location, const std::string& group, int style);
// A new Server with ID, Location, Username, Password and Authenication.
bool AddServer(const std::string& id, const ServerFields& fields);
// Rewrites Location, Authenication, Username and Password of the server found by `location`.
bool ModifyServer(const std::string& location, const ServerFields& fields);
bool RemoveServer(const std::string& location);

}  // namespace manageconfig
