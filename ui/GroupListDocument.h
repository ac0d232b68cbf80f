// "RillpostData.xml", the stored group lists: a top element Server holding one element per news
// server, named after the server's Location, whose text is every group name followed by a comma.
// The manage dialog owns one for as long as it is open: loaded when it opens, saved after each
// change. A file that does not parse is set aside beside itself before the first save (and the
// user is told), so the lists of other servers are never lost to a save. Portable; one thread.
#pragma once

#include <string>

#include "xml/DamagedFile.h"
#include "xml/XmlDocument.h"

class GroupListDocument : private CXmlDocument {
public:
    // The document's path: the configuration file's folder and "RillpostData.xml".
    static std::string PathBeside(const std::string& configPath);

    // A missing file gives an empty document, a damaged one too (see DamageMessage).
    void Load(const std::string& path);
    // For the user, once: the file did not parse and where its text was kept. Empty otherwise.
    std::string DamageMessage() const;

    // The stored list of a server; false when it has none.
    bool Get(const std::string& location, std::string* text) const;
    // Replaces the server's list, or adds it at the end (creating the top element when needed).
    // False when the Location cannot name an element (CanStoreGroupList).
    bool Set(const std::string& location, const std::string& text);
    // False when the server had no list.
    bool Remove(const std::string& location);
    // The list of `from` under the name `to`: added first, then the old element removed, so a
    // failure in between never leaves the list stored under neither name; a list that `to` had
    // already is replaced. False when there was nothing to move or `to` cannot name an element.
    bool Rename(const std::string& from, const std::string& to);

    // Writes the file. False with *error set (for a message box) when nothing was written.
    bool Save(std::string* error);

private:
    // The element of a server's list, 0 when there is none.
    int Find(const std::string& location) const;
    int Top() const;

    std::string path_;
    DamagedFile damage_;
};
