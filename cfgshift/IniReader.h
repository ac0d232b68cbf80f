// Reader of the old INI configuration. It follows the rules of the operating system's private
// profile functions that the old plug-in wrote and read its file with: section and key names
// compare case-insensitively (ASCII letters only; a double-byte character is compared whole, so
// GBK names whose trail bytes differ only in letter case stay apart), names and values are trimmed,
// a value in one pair of matching quotes loses them, lines end at CR or LF, and the first
// occurrence of a key wins. Of a section that appears twice only the first part is read.
//
// The reader holds the parsed file; returned strings and lists are copies.
#pragma once

#include <string>
#include <vector>

class CIniReader {
public:
    // Reads and parses the file. False when it cannot be read; the reader is then empty.
    bool LoadFile(const char* path);
    void ParseText(const std::string& text);

    // The value of key in section, or def when either is missing. Defined here because
    // <windows.h> renames GetProfileString to GetProfileStringA in the files that include it;
    // every file then gets the name it uses.
    std::string GetProfileString(const std::string& section, const std::string& key, const std::string& def) const {
        return Lookup(section, key, def);
    }
#if defined(_WIN32) && !defined(GetProfileString)
    // For files that include <windows.h> after this header.
    std::string GetProfileStringA(const std::string& section, const std::string& key, const std::string& def) const {
        return Lookup(section, key, def);
    }
#endif
    // Section names as written at their first occurrence, in file order, each once.
    std::vector<std::string> GetSectionNames() const;
    // Key names of a section in file order, each once: the text before the first '=' of every
    // line that has one after its first character. Lines without a key name are left out.
    std::vector<std::string> GetSectionKeys(const std::string& section) const;

    // Compares two names the way section and key names are matched.
    static bool NamesEqual(const std::string& a, const std::string& b);

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    std::string Lookup(const std::string& section, const std::string& key, const std::string& def) const;
    const Section* FindSection(const std::string& name) const;
    void AddLine(Section& section, const std::string& line);

    std::vector<Section> sections_;
};
