#include "cfgshift/IniReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "xml/AtomicFile.h"
#endif

namespace {

struct LookupCase {
    const char* what;
    std::string ini;
    const char* section;
    std::string key;
    std::string expected;
};

// Every lookup uses the default "<def>" so that a missing value is told apart from an empty one.
class IniLookup : public testing::TestWithParam<LookupCase> {};

TEST_P(IniLookup, FollowsPrivateProfileRules) {
    const LookupCase& c = GetParam();
    CIniReader ini;
    ini.ParseText(c.ini);
    EXPECT_EQ(c.expected, ini.GetProfileString(c.section, c.key, "<def>")) << c.what;
}

const LookupCase kLookupCases[] = {
    {"section and key ignore ASCII case", "[Setup]\nMaxNum=5\n", "sETUP", "maxnum", "5"},
    {"names and values are trimmed", "[ S ]\r\n \t k \t=  v w \t\r\n", "S", "k", "v w"},
    {"first occurrence of a key wins", "[S]\nk=1\nK=2\n", "S", "k", "1"},
    {"repeated section is not read", "[S]\na=1\n[T]\nb=3\n[s]\nb=2\na=9\n", "S", "b", "<def>"},
    {"repeated section keeps first value", "[S]\na=1\n[s]\na=9\n", "S", "a", "1"},
    {"double quotes are removed", "[S]\nk= \"a b\" \n", "S", "k", "a b"},
    {"single quotes are removed", "[S]\nk='x'\n", "S", "k", "x"},
    {"unmatched quote stays", "[S]\nk=\"half\n", "S", "k", "\"half"},
    {"lone quote stays", "[S]\nk=\"\n", "S", "k", "\""},
    {"empty value is not the default", "[S]\nk=\n", "S", "k", ""},
    {"value keeps later equals signs", "[S]\nk = a=b\n", "S", "k", "a=b"},
    {"missing key gives default", "[S]\nk=1\n", "S", "j", "<def>"},
    {"missing section gives default", "[S]\nk=1\n", "T", "k", "<def>"},
    {"line without equals is no key", "[S]\nk\n", "S", "k", "<def>"},
    {"keys before any section are ignored", "k=1\n[S]\n", "S", "k", "<def>"},
    {"unclosed section header is no section", "[S]\n[broken\nk=1\n", "S", "k", "1"},
    {"last line without line break", "[S]\nk=end", "S", "k", "end"},
    {"lone CR ends a line", "[S]\rk=a\rb=c\r", "S", "k", "a"},
    {"semicolon starts no comment", "[S]\n;k=1\n", "S", ";k", "1"},
    {"byte-order mark before first section", "\xEF\xBB\xBF[S]\nk=1\n", "S", "k", "1"},
    {"text ends at a NUL byte", std::string("[S]\nk=ab\0cd\n", 12), "S", "k", "ab"},
    // 0x81 0x41 and 0x81 0x61 are two different GBK characters, not one letter in two cases.
    {"trail bytes are not case-folded", "[S]\n\x81\x41=upper\n\x81\x61=lower\n", "S", "\x81\x61", "lower"},
    {"trail byte ']' does not close a section name", "[\x81\x5D]\nk=1\n", "\x81\x5D", "k", "1"},
    {"GBK value kept byte for byte", "[S]\nk = \xD6\xD0\xCE\xC4 \n", "S", "k", "\xD6\xD0\xCE\xC4"},
};

INSTANTIATE_TEST_SUITE_P(Rules, IniLookup, testing::ValuesIn(kLookupCases));

#ifdef _WIN32
// The old plug-in read its file with the operating system's profile functions; the reader must
// give the same answers.
TEST_P(IniLookup, AgreesWithTheProfileFunctions) {
    const LookupCase& c = GetParam();
    char folder[MAX_PATH];
    GetTempPathA(sizeof(folder), folder);
    const std::string path = std::string(folder) + "cfgshift-profile-" + std::to_string(GetCurrentProcessId()) + ".ini";
    ASSERT_TRUE(atomicfile::WriteAll(path.c_str(), c.ini));
    char value[512];
    GetPrivateProfileStringA(c.section, c.key.c_str(), "<def>", value, sizeof(value), path.c_str());
    DeleteFileA(path.c_str());
    CIniReader ini;
    ini.ParseText(c.ini);
    EXPECT_EQ(value, ini.GetProfileString(c.section, c.key, "<def>")) << c.what;
}
#endif

TEST(IniReader, SectionNamesInFileOrderOnceAsFirstWritten) {
    CIniReader ini;
    ini.ParseText("[Setup]\n[news.b]\nk=1\n[Synchronization]\n[NEWS.B]\n[news.a]\n");
    EXPECT_EQ((std::vector<std::string>{"Setup", "news.b", "Synchronization", "news.a"}), ini.GetSectionNames());
}

TEST(IniReader, SectionKeysInFileOrderOnceTrimmed) {
    CIniReader ini;
    ini.ParseText("[S]\n b = 1\nnoequals\n=orphan\n \t= blank key\nA=2\nB=3\nd=5\n[T]\nc=4\n[s]\ne=6\n");
    EXPECT_EQ((std::vector<std::string>{"b", "A", "d"}), ini.GetSectionKeys("s"));
    EXPECT_TRUE(ini.GetSectionKeys("missing").empty());
}

TEST(IniReader, MissingFileIsReportedAndReadsEmpty) {
    CIniReader ini;
    ini.ParseText("[S]\nk=1\n");
    EXPECT_FALSE(ini.LoadFile("no-such-folder/no-such.ini"));
    EXPECT_FALSE(ini.LoadFile(nullptr));
    EXPECT_TRUE(ini.GetSectionNames().empty());
    EXPECT_EQ("d", ini.GetProfileString("S", "k", "d"));
}

TEST(IniReader, NamesEqualComparesWholeCharacters) {
    EXPECT_TRUE(CIniReader::NamesEqual("Servers", "SERVERS"));
    EXPECT_FALSE(CIniReader::NamesEqual("Server", "Servers"));
    EXPECT_FALSE(CIniReader::NamesEqual("\x81\x41", "\x81\x61"));
    EXPECT_FALSE(CIniReader::NamesEqual("\x81\x41", "\x81"));
    EXPECT_TRUE(CIniReader::NamesEqual("", ""));
}

}  // namespace
