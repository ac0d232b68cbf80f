#include "ui/FolderName.h"

#include <cstring>

#include "xml/DeviceName.h"

bool IsValidFolderName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ')
        return false;
    // "con.test" would be the console, not a folder.
    if (IsDeviceName(name))
        return false;
    for (char c : name) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || std::strchr("\\/:*?\"<>|", c) != nullptr)
            return false;
    }
    return true;
}
