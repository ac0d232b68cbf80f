// The news-folder test shared by the mail events and the menu commands.
#pragma once

#include <string>

// The Server whose ID is the mailbox and, inside it, the Subgroup whose FolderID is the folder,
// both compared exactly; nothing is created. The caller holds the configuration lock. On
// success the document is left on the group record (saved as "event:group") and the server's
// Location and the group's name are given out.
bool FindNewsFolder(const std::string& mailBox, const std::string& folderId, std::string* location, std::string* group);
