// The stand-in host's mail data on disk, below one data folder:
//   <data>\<name>.mb\MailBox.ini           [Account] YourName, MailAddress
//   <data>\<name>.mb\!!!!Inbox\<sub>\...    one directory per folder
//   <folder>\00000001.msg ...               one file per message, its complete text
//   <folder>\Folder.status                  "<file> <bits>" per message whose status is not 0
// Identifiers are paths relative to the data folder: mailbox "<name>.mb\", folder
// "<name>.mb\!!!!Inbox\<sub>\", mail "<folder>00000001.msg". Not thread-safe: the host
// serializes every call.
#pragma once

#include <string>
#include <vector>

class MailStore {
public:
    // dataFolder is made to end with a backslash and created when missing.
    bool Open(const std::string& dataFolder);
    const std::string& Root() const { return root_; }

    // A mailbox "<name>.mb\" with its inbox and MailBox.ini; existing ones are kept.
    bool CreateMailBox(const std::string& name, std::string* mailboxId);
    bool WriteAccount(const std::string& mailboxId, const std::string& yourName, const std::string& address);
    std::vector<std::string> MailBoxes() const;

    // Identifier checks: relative, below a mailbox, no "." or ".." segment, no drive or '/'.
    static bool IsValidFolderId(const std::string& folderId);
    static std::string MailBoxOf(const std::string& folderOrMailId);
    static std::string FolderOf(const std::string& mailId);
    static std::string LastSegment(const std::string& folderId);

    bool FolderExists(const std::string& folderId) const;
    bool CreateFolder(const std::string& folderId);
    // Child folders of a mailbox or folder, sorted by name, as identifiers.
    std::vector<std::string> SubFolders(const std::string& parentId) const;
    bool RenameFolder(const std::string& folderId, const std::string& newName, std::string* newId);
    bool DeleteFolder(const std::string& folderId);

    // Mail identifiers of a folder in file order.
    std::vector<std::string> Messages(const std::string& folderId) const;
    std::string AppendMessage(const std::string& folderId, const std::string& text);
    bool ReadMessage(const std::string& mailId, std::string* text) const;
    bool WriteMessage(const std::string& mailId, const std::string& text);
    bool MessageExists(const std::string& mailId) const;
    unsigned GetStatus(const std::string& mailId) const;
    void SetStatus(const std::string& mailId, unsigned set, unsigned clear);

    std::string Path(const std::string& id) const { return root_ + id; }

private:
    bool ReadStatusFile(const std::string& folderId, std::vector<std::pair<std::string, unsigned>>* rows) const;
    void WriteStatusFile(const std::string& folderId, const std::vector<std::pair<std::string, unsigned>>& rows);

    std::string root_;
};
