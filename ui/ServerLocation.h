// The name of a news server (its Location) as the add and modify dialogs accept it. The name is
// also the element name of the server's stored group list, so it keeps to characters that can
// name an element. Portable.
#pragma once

#include <string>
#include <vector>

// Trims blanks from both ends of typed into *location. False with *message set when the result
// is empty, holds a character other than an ASCII letter, digit, '.', '-' or '_', or equals one
// of existing ignoring case.
bool CheckServerLocation(const std::string& typed, const std::vector<std::string>& existing, std::string* location,
                         std::string* message);

// True when the Location can name the element of a stored group list. A stored Location that
// cannot (written by hand or by an earlier release) simply has no stored group list.
bool CanStoreGroupList(const std::string& location);
