#include "cfgshift/ConfigConversion.h"

#include "cfgshift/IniReader.h"
#include "xml/CodePage.h"
#include "xml/XmlConfig.h"

namespace cfgshift {

const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n";

namespace {

// Section names that are not servers. They are matched like every INI name, without regard to
// letter case, because the profile functions already read "[setup]" as the settings.
bool IsServerSection(const std::string& name) {
    return !CIniReader::NamesEqual(name, "Servers") && !CIniReader::NamesEqual(name, "Setup") &&
           !CIniReader::NamesEqual(name, "Synchronization");
}

// The text as it can be stored: a lead byte that is not followed by a possible trail byte becomes
// '?'. Trail bytes of every double-byte code page are 0x40 or above, while the bytes that carry
// XML structure ('<', '>', '&', quotes, blanks) lie below; left alone, a stray lead byte at the end
// of a value would join the '<' of the end tag into one character, and the saved file would not
// load again.
std::string StorableText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!codepage::IsLeadByte(c)) {
            out.push_back(text[i]);
        } else if (i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x40) {
            out.append(text, i, 2);
            ++i;
        } else {
            out.push_back('?');
        }
    }
    return out;
}

void SetStorable(CXmlConfig& config, const char* path, const std::string& value, bool relative) {
    config.SetString(path, StorableText(value).c_str(), true, relative);
}

// A server's own keys; never taken for a folder key, whatever the mailbox identifier.
bool IsServerKey(const std::string& key) {
    return CIniReader::NamesEqual(key, "ID") || CIniReader::NamesEqual(key, "Login") ||
           CIniReader::NamesEqual(key, "Username") || CIniReader::NamesEqual(key, "Password");
}

// Adds one subscription to the server saved under "T". A new Subgroup lands directly after the
// server's first one, so the first group converted stays first.
void ConvertGroup(const CIniReader& ini, const std::string& section, const std::string& folderKey, CXmlConfig& config) {
    const std::string group = ini.GetProfileString(section, folderKey, "");
    const std::string fields[][2] = {
        {"FolderID", folderKey},
        {"GroupName", group},
        {"Synchronization", ini.GetProfileString("Synchronization", section + "\\" + group, "")},
        {"LastNumber", ini.GetProfileString(section, group, "")},
    };
    config.RestorePosition("T");
    config.EnterElement();
    config.SelectRecord("Subgroup", "FolderID", "", true, false);
    // Every setter resets the position; each child is written relative to the saved record.
    config.SavePosition("TEMP");
    for (const auto& field : fields) {
        SetStorable(config, field[0].c_str(), field[1], true);
        config.RestorePosition("TEMP");
    }
}

// Returns false when the section has no ID but keys that might have been folder keys.
bool ConvertServer(const CIniReader& ini, const std::string& section, CXmlConfig& config) {
    const std::string id = ini.GetProfileString(section, "ID", "");
    config.ResetPosition();
    config.SelectRecord("Setup:Server", "ID", "", true, false);
    // The new record is now current with its ID child selected. Leaving and entering its parent
    // clears that child, which leaves the same position as a lookup of the record by its ID.
    // The record is kept by position and not looked up by ID again: two sections with the same
    // ID, or two without one, would otherwise both be written into the first of them.
    config.LeaveElement();
    config.EnterElement();
    config.SavePosition("T");
    const std::string fields[][2] = {
        {"ID", id},
        {"Location", section},
        {"Authenication", ini.GetProfileString(section, "Login", "")},
        {"Username", ini.GetProfileString(section, "Username", "")},
        {"Password", ini.GetProfileString(section, "Password", "")},
    };
    for (const auto& field : fields) {
        config.RestorePosition("T");
        SetStorable(config, field[0].c_str(), field[1], true);
    }
    // Folder keys are the host folder identifiers, which contain the mailbox identifier. Without
    // one there is no way to tell them from the group-number keys, so none is taken.
    const std::vector<std::string> keys = ini.GetSectionKeys(section);
    if (id.empty()) {
        for (const std::string& key : keys) {
            if (!IsServerKey(key))
                return false;
        }
        return true;
    }
    for (const std::string& key : keys) {
        if (key.find(id) != std::string::npos && !IsServerKey(key))
            ConvertGroup(ini, section, key, config);
    }
    return true;
}

// Offset one past the last folder separator of a path, stepping over double-byte characters
// whole: a GBK trail byte can be '\'.
size_t NameStart(const std::string& path) {
    const char* begin = path.data();
    const char* end = begin + path.size();
    size_t start = 0;
    for (const char* p = begin; p < end; p += codepage::CharLen(p, end)) {
        if (*p == '\\' || *p == '/' || *p == ':')
            start = static_cast<size_t>(p - begin) + 1;
    }
    return start;
}

}  // namespace

std::vector<std::string> ConvertIni(const CIniReader& ini, CXmlConfig& config) {
    std::vector<std::string> leftOut;
    // The declaration alone holds no element, so the parse "fails" and leaves the text in place;
    // the elements added below are appended after it.
    config.ParseText(kDeclaration);
    const char* const settings[][2] = {{"Online", "1"}, {"MaxNum", "100"}, {"EncodeHeader", "1"}};
    for (const auto& setting : settings) {
        const std::string path = std::string("Setup:Configuration:") + setting[0];
        SetStorable(config, path.c_str(), ini.GetProfileString("Setup", setting[0], setting[1]), false);
    }
    for (const std::string& section : ini.GetSectionNames()) {
        if (IsServerSection(section) && !ConvertServer(ini, section, config))
            leftOut.push_back(section);
    }
    config.ResetPosition();
    return leftOut;
}

std::string XmlPathFor(const std::string& iniPath) {
    const size_t nameStart = NameStart(iniPath);
    std::string name = iniPath.substr(nameStart);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return iniPath.substr(0, nameStart) + name + ".xml";
}

ConvertResult ConvertFile(const std::string& iniPath, const std::string& xmlPath, std::vector<std::string>* leftOut) {
    CIniReader ini;
    if (!ini.LoadFile(iniPath.c_str()))
        return ConvertResult::kIniUnreadable;
    if (CIniReader::NamesEqual(iniPath, xmlPath))
        return ConvertResult::kSameFile;
    CXmlConfig config;
    std::vector<std::string> sections = ConvertIni(ini, config);
    if (leftOut)
        leftOut->swap(sections);
    return config.SaveFile(xmlPath.c_str()) ? ConvertResult::kOk : ConvertResult::kXmlUnwritable;
}

std::string DescribeResult(ConvertResult result,
                           const std::string& iniPath,
                           const std::string& xmlPath,
                           const std::vector<std::string>& leftOut) {
    std::string names;
    for (const std::string& section : leftOut)
        names += (names.empty() ? "[" : ", [") + section + "]";
    switch (result) {
        case ConvertResult::kOk:
            if (!leftOut.empty()) {
                return "Converted \"" + iniPath + "\" to \"" + xmlPath +
                       "\". The newsgroups of these server sections were left out, because a section "
                       "without \"ID\" does not tell which keys are its folders: " +
                       names + ".";
            }
            return "Converted \"" + iniPath + "\" to \"" + xmlPath + "\".";
        case ConvertResult::kIniUnreadable:
            return "Cannot read the configuration file \"" + iniPath + "\". Nothing was converted.";
        case ConvertResult::kSameFile:
            return "The XML file \"" + xmlPath +
                   "\" would replace the configuration file itself. Nothing was converted.";
        case ConvertResult::kXmlUnwritable:
            return "Cannot write the XML file \"" + xmlPath + "\". The configuration was not converted.";
    }
    return std::string();
}

std::vector<std::string> ReadFolderIds(const std::string& xmlPath, const std::string& serverId) {
    std::vector<std::string> folderIds;
    CXmlConfig config;
    config.LoadConfig(xmlPath.c_str());
    config.ResetPosition();
    if (!config.SelectRecord("Setup:Server", "ID", serverId.c_str(), false, true) || !config.EnterElement())
        return folderIds;
    while (config.FindElement("Subgroup")) {
        if (config.FindChildElement("FolderID"))
            folderIds.push_back(config.GetChildText());
    }
    return folderIds;
}

}  // namespace cfgshift
