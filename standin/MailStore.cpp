#include "standin/MailStore.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const char kStatusFile[] = "Folder.status";
const char kMailSuffix[] = ".msg";

bool ReadWholeFile(const std::string& path, std::string* text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(file, nullptr);
    text->assign(size, '\0');
    DWORD got = 0;
    bool ok = size == 0 || (ReadFile(file, &(*text)[0], size, &got, nullptr) && got == size);
    CloseHandle(file);
    return ok;
}

// Written to a side file first and moved over the old one, so that a crash never leaves half a
// message behind.
bool WriteWholeFile(const std::string& path, const std::string& text) {
    std::string temp = path + ".new";
    HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD done = 0;
    bool ok = text.empty() ||
              (WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &done, nullptr) && done == text.size());
    CloseHandle(file);
    if (ok)
        ok = MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    if (!ok)
        DeleteFileA(temp.c_str());
    return ok;
}

bool IsDirectory(const std::string& path) {
    DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> List(const std::string& dir, bool directories) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        bool isDir = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isDir != directories || !strcmp(found.cFileName, ".") || !strcmp(found.cFileName, ".."))
            continue;
        names.push_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

bool DeleteTree(const std::string& dir) {
    for (const std::string& sub : List(dir, true))
        DeleteTree(dir + sub + "\\");
    for (const std::string& file : List(dir, false))
        DeleteFileA((dir + file).c_str());
    return RemoveDirectoryA(dir.c_str()) != 0;
}

// Splits "a\b\c\" into its segments; the id must end with a backslash.
bool Segments(const std::string& id, std::vector<std::string>* parts) {
    if (id.empty() || id.back() != '\\')
        return false;
    size_t pos = 0;
    while (pos < id.size()) {
        size_t end = id.find('\\', pos);
        parts->push_back(id.substr(pos, end - pos));
        pos = end + 1;
    }
    return true;
}

}  // namespace

bool MailStore::Open(const std::string& dataFolder) {
    root_ = dataFolder;
    if (root_.empty())
        return false;
    if (root_.back() != '\\' && root_.back() != '/')
        root_ += '\\';
    // Create every missing level, as a fresh scenario starts from an empty folder.
    for (size_t pos = 3; pos < root_.size(); ++pos) {
        if (root_[pos] == '\\' || root_[pos] == '/')
            CreateDirectoryA(root_.substr(0, pos).c_str(), nullptr);
    }
    return IsDirectory(root_);
}

bool MailStore::CreateMailBox(const std::string& name, std::string* mailboxId) {
    std::string id = name + ".mb\\";
    if (!IsValidFolderId(id + "!!!!Inbox\\"))
        return false;
    CreateDirectoryA(Path(id).c_str(), nullptr);
    CreateDirectoryA(Path(id + "!!!!Inbox\\").c_str(), nullptr);
    std::string ini = Path(id) + "MailBox.ini";
    if (GetFileAttributesA(ini.c_str()) == INVALID_FILE_ATTRIBUTES)
        WriteWholeFile(ini, "[Account]\r\nName=" + name + "\r\n");
    *mailboxId = id;
    return IsDirectory(Path(id + "!!!!Inbox\\"));
}

bool MailStore::WriteAccount(const std::string& mailboxId, const std::string& yourName, const std::string& address) {
    std::string ini = Path(mailboxId) + "MailBox.ini";
    return WritePrivateProfileStringA("Account", "YourName", yourName.c_str(), ini.c_str()) &&
           WritePrivateProfileStringA("Account", "MailAddress", address.c_str(), ini.c_str());
}

std::vector<std::string> MailStore::MailBoxes() const {
    std::vector<std::string> ids;
    for (const std::string& name : List(root_, true)) {
        if (name.size() > 3 && name.compare(name.size() - 3, 3, ".mb") == 0)
            ids.push_back(name + "\\");
    }
    return ids;
}

bool MailStore::IsValidFolderId(const std::string& folderId) {
    std::vector<std::string> parts;
    if (!Segments(folderId, &parts) || parts.size() < 2)
        return false;
    for (const std::string& p : parts) {
        if (p.empty() || p == "." || p == ".." || p.find_first_of(":/*?\"<>|") != std::string::npos)
            return false;
    }
    return parts[0].size() > 3 && parts[0].compare(parts[0].size() - 3, 3, ".mb") == 0;
}

std::string MailStore::MailBoxOf(const std::string& id) {
    size_t slash = id.find('\\');
    return slash == std::string::npos ? std::string() : id.substr(0, slash + 1);
}

std::string MailStore::FolderOf(const std::string& mailId) {
    size_t slash = mailId.rfind('\\');
    return slash == std::string::npos ? std::string() : mailId.substr(0, slash + 1);
}

std::string MailStore::LastSegment(const std::string& folderId) {
    if (folderId.size() < 2)
        return folderId;
    size_t slash = folderId.rfind('\\', folderId.size() - 2);
    return folderId.substr(slash + 1, folderId.size() - slash - 2);
}

bool MailStore::FolderExists(const std::string& folderId) const {
    return IsValidFolderId(folderId) && IsDirectory(Path(folderId));
}

bool MailStore::CreateFolder(const std::string& folderId) {
    std::vector<std::string> parts;
    if (!IsValidFolderId(folderId) || !Segments(folderId, &parts))
        return false;
    std::string path = root_;
    for (const std::string& p : parts) {
        path += p + "\\";
        CreateDirectoryA(path.c_str(), nullptr);
    }
    return IsDirectory(path);
}

std::vector<std::string> MailStore::SubFolders(const std::string& parentId) const {
    std::vector<std::string> ids;
    for (const std::string& name : List(Path(parentId), true))
        ids.push_back(parentId + name + "\\");
    // The inbox leads, as "!!!!" already sorts it first; keep that independent of locale.
    std::stable_partition(ids.begin(), ids.end(),
                          [&](const std::string& id) { return LastSegment(id) == "!!!!Inbox"; });
    return ids;
}

bool MailStore::RenameFolder(const std::string& folderId, const std::string& newName, std::string* newId) {
    if (!FolderExists(folderId) || newName.empty())
        return false;
    std::string parent = folderId.substr(0, folderId.size() - LastSegment(folderId).size() - 1);
    std::string target = parent + newName + "\\";
    if (!IsValidFolderId(target) || target.find('\\', parent.size()) != target.size() - 1)
        return false;
    if (target == folderId) {
        *newId = target;
        return true;
    }
    if (!MoveFileA(Path(folderId).c_str(), Path(target).c_str()))
        return false;
    *newId = target;
    return true;
}

bool MailStore::DeleteFolder(const std::string& folderId) {
    return FolderExists(folderId) && DeleteTree(Path(folderId));
}

std::vector<std::string> MailStore::Messages(const std::string& folderId) const {
    std::vector<std::string> ids;
    if (!FolderExists(folderId))
        return ids;
    for (const std::string& name : List(Path(folderId), false)) {
        if (name.size() > 4 && name.compare(name.size() - 4, 4, kMailSuffix) == 0)
            ids.push_back(folderId + name);
    }
    return ids;
}

std::string MailStore::AppendMessage(const std::string& folderId, const std::string& text) {
    if (!FolderExists(folderId))
        return std::string();
    unsigned next = 1;
    for (const std::string& id : Messages(folderId)) {
        unsigned n = static_cast<unsigned>(strtoul(LastSegment(id + "\\").c_str(), nullptr, 10));
        next = std::max(next, n + 1);
    }
    char name[32];
    snprintf(name, sizeof name, "%08u%s", next, kMailSuffix);
    std::string id = folderId + name;
    return WriteWholeFile(Path(id), text) ? id : std::string();
}

bool MailStore::MessageExists(const std::string& mailId) const {
    std::string folder = FolderOf(mailId);
    return FolderExists(folder) && mailId.find('\\', folder.size()) == std::string::npos &&
           mailId.size() > folder.size() + 4 && GetFileAttributesA(Path(mailId).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MailStore::ReadMessage(const std::string& mailId, std::string* text) const {
    return MessageExists(mailId) && ReadWholeFile(Path(mailId), text);
}

bool MailStore::WriteMessage(const std::string& mailId, const std::string& text) {
    return MessageExists(mailId) && WriteWholeFile(Path(mailId), text);
}

bool MailStore::ReadStatusFile(const std::string& folderId, std::vector<std::pair<std::string, unsigned>>* rows) const {
    std::string text;
    if (!ReadWholeFile(Path(folderId) + kStatusFile, &text))
        return false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        size_t blank = line.find(' ');
        if (blank != std::string::npos)
            rows->emplace_back(line.substr(0, blank),
                               static_cast<unsigned>(strtoul(line.c_str() + blank + 1, nullptr, 10)));
        pos = end + 1;
    }
    return true;
}

void MailStore::WriteStatusFile(const std::string& folderId,
                                const std::vector<std::pair<std::string, unsigned>>& rows) {
    std::string text;
    for (const auto& row : rows) {
        if (row.second != 0)
            text += row.first + " " + std::to_string(row.second) + "\r\n";
    }
    WriteWholeFile(Path(folderId) + kStatusFile, text);
}

unsigned MailStore::GetStatus(const std::string& mailId) const {
    std::vector<std::pair<std::string, unsigned>> rows;
    ReadStatusFile(FolderOf(mailId), &rows);
    std::string file = mailId.substr(FolderOf(mailId).size());
    for (const auto& row : rows) {
        if (row.first == file)
            return row.second;
    }
    return 0;
}

void MailStore::SetStatus(const std::string& mailId, unsigned set, unsigned clear) {
    if (!MessageExists(mailId))
        return;
    std::string folder = FolderOf(mailId);
    std::string file = mailId.substr(folder.size());
    std::vector<std::pair<std::string, unsigned>> rows;
    ReadStatusFile(folder, &rows);
    bool found = false;
    for (auto& row : rows) {
        if (row.first == file) {
            row.second = (row.second & ~clear) | set;
            found = true;
        }
    }
    if (!found)
        rows.emplace_back(file, set & ~clear);
    WriteStatusFile(folder, rows);
}
