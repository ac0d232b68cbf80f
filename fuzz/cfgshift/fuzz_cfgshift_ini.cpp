// Arbitrary bytes as an old INI file: the reader must not fail, and the converted document, saved
// and loaded again, must give back the settings the conversion wrote and one server per server
// section.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cfgshift/ConfigConversion.h"
#include "cfgshift/IniReader.h"
#include "xml/XmlConfig.h"

namespace {

void Check(bool ok) {
    if (!ok)
        abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CIniReader ini;
    ini.ParseText(std::string(reinterpret_cast<const char*>(data), size));

    CXmlConfig converted;
    cfgshift::ConvertIni(ini, converted);

    CXmlConfig reread;
    Check(reread.ParseText(converted.GetText().c_str()));
    const char* const settings[][2] = {{"Online", "1"}, {"MaxNum", "100"}, {"EncodeHeader", "1"}};
    for (const auto& setting : settings) {
        const std::string path = std::string("Setup:Configuration:") + setting[0];
        const std::string written = converted.GetString(path.c_str(), "<missing>", false);
        Check(reread.GetString(path.c_str(), "<missing>", false) == written);
        // Well-formed values pass unchanged.
        const std::string value = ini.GetProfileString("Setup", setting[0], setting[1]);
        Check(written == value || written.find('?') != std::string::npos);
    }

    size_t serverSections = 0;
    for (const std::string& section : ini.GetSectionNames()) {
        if (!CIniReader::NamesEqual(section, "Setup") && !CIniReader::NamesEqual(section, "Servers") &&
            !CIniReader::NamesEqual(section, "Synchronization"))
            ++serverSections;
    }
    size_t servers = 0;
    reread.ResetPosition();
    Check(reread.FindElement("Setup") && reread.EnterElement());
    while (reread.FindElement("Server")) {
        ++servers;
        Check(reread.FindChildElement("Location"));
    }
    Check(servers == serverSections);
    return 0;
}
