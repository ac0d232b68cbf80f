#include "ui/MailboxFolders.h"

#include <windows.h>

#include "host/HostApi.h"

namespace {

bool EndsWithMailboxSuffix(std::string name) {
    if (name.size() < 3)
        return false;
    CharLowerBuffA(&name[0], static_cast<DWORD>(name.size()));
    return name.compare(name.size() - 3, 3, ".mb") == 0;
}

}  // namespace

std::vector<std::string> MailboxFolders(const std::string& dataFolder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dataFolder + "*.*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != "." && name != ".." &&
            EndsWithMailboxSuffix(name))
            names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

std::string HostDataFolder() {
    LPCSTR data = gHostApi.IsBound() ? gHostApi.BKA_GetDataFolder() : nullptr;
    std::string folder = data ? data : "";
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    return folder;
}
