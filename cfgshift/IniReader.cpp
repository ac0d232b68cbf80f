#include "cfgshift/IniReader.h"

#include "xml/AtomicFile.h"
#include "xml/CodePage.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Blanks are single bytes below every trail byte, so trimming bytes from either end never cuts a
// double-byte character.
std::string Trim(const std::string& s) {
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && IsBlank(s[begin]))
        ++begin;
    while (end > begin && IsBlank(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

// Offset of the first character c in s, stepping over double-byte characters whole; npos if none.
size_t FindChar(const std::string& s, char c) {
    const char* begin = s.data();
    const char* end = begin + s.size();
    for (const char* p = begin; p < end; p += codepage::CharLen(p, end)) {
        if (*p == c)
            return static_cast<size_t>(p - begin);
    }
    return std::string::npos;
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool CIniReader::LoadFile(const char* path) {
    sections_.clear();
    std::string text;
    if (!path || !atomicfile::ReadAll(path, text))
        return false;
    ParseText(text);
    return true;
}

void CIniReader::ParseText(const std::string& text) {
    sections_.clear();
    size_t pos = 0;
    // A file saved by an editor that marks UTF-8 starts with a byte-order mark before the first line.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        pos = 3;
    // Index rather than pointer: sections_ grows while lines are added. kNone while lines belong to
    // no section or to a repeated one, which the profile functions never read.
    const size_t kNone = std::string::npos;
    size_t current = kNone;
    while (pos < text.size()) {
        // Lines end at LF, CR or both, as the profile functions read them.
        size_t eol = text.find_first_of("\r\n", pos);
        if (eol == std::string::npos)
            eol = text.size();
        // The profile functions hand out C strings: a line's text ends at a NUL byte.
        std::string line = text.substr(pos, eol - pos);
        line = Trim(line.substr(0, line.find('\0')));
        pos = eol + 1;
        if (line.empty())
            continue;
        if (line[0] == '[') {
            size_t close = FindChar(line, ']');
            if (close != std::string::npos) {
                std::string name = Trim(line.substr(1, close - 1));
                current = FindSection(name) ? kNone : sections_.size();
                if (current != kNone)
                    sections_.push_back(Section{name, {}});
                continue;
            }
        }
        if (current != kNone)
            AddLine(sections_[current], line);
    }
}

void CIniReader::AddLine(Section& section, const std::string& line) {
    size_t eq = FindChar(line, '=');
    if (eq == std::string::npos || eq == 0)
        return;
    std::string key = Trim(line.substr(0, eq));
    if (key.empty())
        return;
    std::string value = Trim(line.substr(eq + 1));
    // The profile functions hand out a value enclosed in one pair of like quotes without them.
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    section.entries.push_back(Entry{key, value});
}

const CIniReader::Section* CIniReader::FindSection(const std::string& name) const {
    for (const Section& section : sections_) {
        if (NamesEqual(section.name, name))
            return &section;
    }
    return nullptr;
}

std::string CIniReader::Lookup(const std::string& section, const std::string& key, const std::string& def) const {
    const Section* found = FindSection(section);
    if (!found)
        return def;
    for (const Entry& entry : found->entries) {
        if (NamesEqual(entry.key, key))
            return entry.value;
    }
    return def;
}

std::vector<std::string> CIniReader::GetSectionNames() const {
    std::vector<std::string> names;
    names.reserve(sections_.size());
    for (const Section& section : sections_)
        names.push_back(section.name);
    return names;
}

std::vector<std::string> CIniReader::GetSectionKeys(const std::string& section) const {
    std::vector<std::string> keys;
    const Section* found = FindSection(section);
    if (!found)
        return keys;
    for (const Entry& entry : found->entries) {
        bool seen = false;
        for (const std::string& key : keys) {
            if (NamesEqual(key, entry.key)) {
                seen = true;
                break;
            }
        }
        if (!seen)
            keys.push_back(entry.key);
    }
    return keys;
}

bool CIniReader::NamesEqual(const std::string& a, const std::string& b) {
    const char* pa = a.data();
    const char* ea = pa + a.size();
    const char* pb = b.data();
    const char* eb = pb + b.size();
    while (pa < ea && pb < eb) {
        size_t la = codepage::CharLen(pa, ea);
        size_t lb = codepage::CharLen(pb, eb);
        if (la != lb)
            return false;
        if (la == 1) {
            if (AsciiLower(*pa) != AsciiLower(*pb))
                return false;
        } else if (pa[0] != pb[0] || pa[1] != pb[1]) {
            return false;
        }
        pa += la;
        pb += lb;
    }
    return pa == ea && pb == eb;
}
