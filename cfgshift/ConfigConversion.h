// Conversion of the old INI configuration into the XML configuration document, and the file
// handling around it. Portable: the dialog program and the tests share it.
#pragma once

#include <string>
#include <vector>

class CIniReader;
class CXmlConfig;

namespace cfgshift {

// The text a converted document starts with; elements follow it.
extern const char kDeclaration[];

// Rebuilds config from the INI settings: the declaration, the three settings, then one Server
// per server section with its Subgroups. The first server converted stays first and later ones
// follow it in reverse order of conversion; the same holds for the groups of a server.
// A section without "ID" gives a server without groups, since nothing tells its folder keys from
// its other keys. Returns those of such sections that had keys left out, in file order.
std::vector<std::string> ConvertIni(const CIniReader& ini, CXmlConfig& config);

// The file a conversion writes by default: the INI file's name without its extension, followed
// by ".xml", in the INI file's folder.
std::string XmlPathFor(const std::string& iniPath);

enum class ConvertResult {
    kOk,
    kIniUnreadable,  // the INI file could not be opened or read; nothing was written
    kSameFile,       // the output would replace the INI file itself; nothing was written
    kXmlUnwritable,  // the XML file could not be written
};

// Reads iniPath, converts it and saves the document to xmlPath. When leftOut is given it
// receives the sections whose groups were left out (see ConvertIni).
ConvertResult ConvertFile(const std::string& iniPath,
                          const std::string& xmlPath,
                          std::vector<std::string>* leftOut = nullptr);

// Sentences for the user that tell what happened to the two files and name the sections whose
// groups were left out.
std::string DescribeResult(ConvertResult result,
                           const std::string& iniPath,
                           const std::string& xmlPath,
                           const std::vector<std::string>& leftOut = {});

// The folder identifiers of the subscriptions of the server bound to the given mailbox in an
// XML configuration file, in file order; empty when the file or the server is missing.
std::vector<std::string> ReadFolderIds(const std::string& xmlPath, const std::string& serverId);

}  // namespace cfgshift
