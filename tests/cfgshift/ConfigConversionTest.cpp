#include "cfgshift/ConfigConversion.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "cfgshift/IniReader.h"
#include "xml/XmlConfig.h"

namespace {

// The converted document: the declaration, then one line per element tag, each ending in CR LF.
std::string Xml(std::initializer_list<const char*> lines) {
    std::string text = cfgshift::kDeclaration;
    for (const char* line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string Convert(const std::string& iniText) {
    CIniReader ini;
    ini.ParseText(iniText);
    CXmlConfig config;
    cfgshift::ConvertIni(ini, config);
    return config.GetText();
}

#define SETTINGS(online, maxNum, encode)                                                        \
    "<Setup>", "<Configuration>", "<Online>" online "</Online>", "<MaxNum>" maxNum "</MaxNum>", \
        "<EncodeHeader>" encode "</EncodeHeader>", "</Configuration>"

#define SERVER(id, location, login) \
    "<Server>", "<ID>" id "</ID>", "<Location>" location "</Location>", "<Authenication>" login "</Authenication>"

#define NO_LOGIN "<Username></Username>", "<Password></Password>"

#define GROUP(folder, name, sync, last)                                                 \
    "<Subgroup>", "<FolderID>" folder "</FolderID>", "<GroupName>" name "</GroupName>", \
        "<Synchronization>" sync "</Synchronization>", "<LastNumber>" last "</LastNumber>", "</Subgroup>"

TEST(ConvertIni, SetupOnlyGivesTheThreeSettings) {
    EXPECT_EQ(Xml({SETTINGS("0", "50", "1"), "</Setup>"}), Convert("[Setup]\nOnline=0\nMaxNum = 50\n"));
}

TEST(ConvertIni, EmptyFileTakesTheDefaults) {
    EXPECT_EQ(Xml({SETTINGS("1", "100", "1"), "</Setup>"}), Convert(""));
}

TEST(ConvertIni, ServerWithLoginAndOneGroup) {
    const char ini[] =
        "[Setup]\nOnline=1\nMaxNum=100\nEncodeHeader=0\n"
        "[Servers]\nnews.a=1\n"
        "[news.a]\nID=a.mb\\\nLogin=1\nUsername=joe\nPassword=p&<w>\n"
        "a.mb\\comp\\=comp.lang\ncomp.lang=1234\n"
        "[Synchronization]\nnews.a\\comp.lang=2\n";
    EXPECT_EQ(
        Xml({SETTINGS("1", "100", "0"), "<Server>", "<ID>a.mb\\</ID>", "<Location>news.a</Location>",
             "<Authenication>1</Authenication>", "<Username>joe</Username>", "<Password>p&amp;&lt;w&gt;</Password>",
             GROUP("a.mb\\comp\\", "comp.lang", "2", "1234"), "</Server>", "</Setup>"}),
        Convert(ini));
}

// A new record lands directly after the first one of its name: A, B stays A, B; A, B, C gives
// A, C, B. The groups of a server follow the same rule.
TEST(ConvertIni, ServersAndGroupsLandInDocumentedOrder) {
    const char ini[] =
        "[A]\nID=a\\\na\\1\\=g1\na\\2\\=g2\na\\3\\=g3\n"
        "[B]\nID=b\\\nb\\1\\=h1\nb\\2\\=h2\n"
        "[C]\nID=c\\\n";
    EXPECT_EQ(Xml({SETTINGS("1", "100", "1"),
                   // A: first group first, then the later ones in reverse.
                   SERVER("a\\", "A", ""), NO_LOGIN, GROUP("a\\1\\", "g1", "", ""), GROUP("a\\3\\", "g3", "", ""),
                   GROUP("a\\2\\", "g2", "", ""), "</Server>",
                   // C, converted last, lands right after A.
                   SERVER("c\\", "C", ""), NO_LOGIN, "</Server>", SERVER("b\\", "B", ""), NO_LOGIN,
                   GROUP("b\\1\\", "h1", "", ""), GROUP("b\\2\\", "h2", "", ""), "</Server>", "</Setup>"}),
              Convert(ini));
}

// Without ID no key can be told to be a folder key, so the server comes without groups (rather
// than with "Login" and the group numbers as subscriptions). Two such sections stay two servers.
TEST(ConvertIni, ServersWithoutIdKeepTheirOwnRecords) {
    const char ini[] = "[X]\nLogin=1\nUsername=ux\ng=5\n[Y]\nLogin=0\nPassword=py\n";
    // Only X had keys that were left out; the user is told about it, not about Y.
    CIniReader reader;
    reader.ParseText(ini);
    CXmlConfig config;
    EXPECT_EQ(std::vector<std::string>{"X"}, cfgshift::ConvertIni(reader, config));
    EXPECT_NE(std::string::npos, cfgshift::DescribeResult(cfgshift::ConvertResult::kOk, "a.ini", "a.xml", {"X"})
                                     .find("left out, because a section without \"ID\" does not tell which keys "
                                           "are its folders: [X]."));

    EXPECT_EQ(Xml({SETTINGS("1", "100", "1"), "<Server>", "<ID></ID>", "<Location>X</Location>",
                   "<Authenication>1</Authenication>", "<Username>ux</Username>", "<Password></Password>", "</Server>",
                   "<Server>", "<ID></ID>", "<Location>Y</Location>", "<Authenication>0</Authenication>",
                   "<Username></Username>", "<Password>py</Password>", "</Server>", "</Setup>"}),
              Convert(ini));
}

TEST(ConvertIni, SameIdTwiceKeepsBothServers) {
    const char ini[] = "[A]\nID=m\\\nm\\1\\=ga\n[B]\nID=m\\\nm\\2\\=gb\n";
    EXPECT_EQ(
        Xml({SETTINGS("1", "100", "1"), SERVER("m\\", "A", ""), NO_LOGIN, GROUP("m\\1\\", "ga", "", ""), "</Server>",
             SERVER("m\\", "B", ""), NO_LOGIN, GROUP("m\\2\\", "gb", "", ""), "</Server>", "</Setup>"}),
        Convert(ini));
}

// GBK names pass through byte for byte, also where a trail byte is '\' (0x95 0x5C) or a letter,
// and the synchronization key is built from them. Spacing around '=' is trimmed everywhere.
TEST(ConvertIni, GbkNamesAndOddSpacing) {
    const char ini[] =
        "[setup]\r\n  Online \t=\t0 \r\nEncodeHeader=   \r\n"
        "[  news.cn  ]\r\nID = cn.mb\\ \r\n  Login=  0\r\n"
        " cn.mb\\\x95\x5C\\  =  \xD6\xD0\xCE\xC4.\x81\x41  \r\n"
        "\xD6\xD0\xCE\xC4.\x81\x41 = 77\r\n"
        "\xD6\xD0\xCE\xC4.\x81\x61 = 99\r\n"
        "[SYNCHRONIZATION]\r\nnews.cn\\\xD6\xD0\xCE\xC4.\x81\x41=1\r\n";
    EXPECT_EQ(Xml({SETTINGS("0", "100", ""), SERVER("cn.mb\\", "news.cn", "0"), NO_LOGIN,
                   GROUP("cn.mb\\\x95\x5C\\", "\xD6\xD0\xCE\xC4.\x81\x41", "1", "77"), "</Server>", "</Setup>"}),
              Convert(ini));
}

// A lead byte without its trail byte (a cut or damaged file) would join the '<' of the end tag
// into one character, and the saved document would not load again. Found by fuzzing.
TEST(ConvertIni, StrayLeadBytesCannotBreakTheDocument) {
    const struct {
        const char* value;
        const char* stored;
    } cases[] = {
        {"5\xC8", "5?"},
        {"a\x81<b", "a?&lt;b"},
        {"\x81 x", "? x"},
        {"\x81\x41\xD6\xD0", "\x81\x41\xD6\xD0"},
    };
    for (const auto& c : cases) {
        const std::string text = Convert(std::string("[Setup]\r\nMaxNum=") + c.value + "\r\n");
        std::string expected = Xml({SETTINGS("1", "@", "1"), "</Setup>"});
        expected.replace(expected.find('@'), 1, c.stored);
        EXPECT_EQ(expected, text) << c.value;
        CXmlConfig reloaded;
        EXPECT_TRUE(reloaded.ParseText(text.c_str())) << c.value;
    }
}

TEST(XmlPathFor, TitlePlusXmlInTheSameFolder) {
    const struct {
        const char* ini;
        const char* xml;
    } cases[] = {
        {"C:\\Mail\\Rillpost.ini", "C:\\Mail\\Rillpost.xml"},
        {"old.cfg.ini", "old.cfg.xml"},
        {"dir/noext", "dir/noext.xml"},
        {"C:.\\x.ini", "C:.\\x.xml"},
        {"C:x.ini", "C:x.xml"},
        {"a.b\\plain", "a.b\\plain.xml"},
        {"\\.ini", "\\.ini.xml"},
        // 0x95 0x5C is one GBK character, not a folder separator.
        {"D:\\\x95\x5C.ini", "D:\\\x95\x5C.xml"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.xml, cfgshift::XmlPathFor(c.ini)) << c.ini;
}

class ConvertFileTest : public testing::Test {
protected:
    void TearDown() override {
        std::remove(iniPath_.c_str());
        std::remove(xmlPath_.c_str());
    }
    void WriteIni(const std::string& text) { std::ofstream(iniPath_, std::ios::binary) << text; }
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    const std::string iniPath_ = "cfgshift-test.ini";
    const std::string xmlPath_ = "cfgshift-test.xml";
};

TEST_F(ConvertFileTest, WritesTheConvertedDocument) {
    const char ini[] = "[Setup]\nMaxNum=7\n[S]\nID=s\\\ns\\f\\=g\ng=3\n[Synchronization]\nS\\g=2\n";
    WriteIni(ini);
    ASSERT_EQ(cfgshift::ConvertResult::kOk, cfgshift::ConvertFile(iniPath_, xmlPath_));
    EXPECT_EQ(Convert(ini), ReadFile(xmlPath_));
}

TEST_F(ConvertFileTest, MissingIniWritesNothing) {
    EXPECT_EQ(cfgshift::ConvertResult::kIniUnreadable, cfgshift::ConvertFile(iniPath_, xmlPath_));
    EXPECT_FALSE(std::ifstream(xmlPath_).good());
    EXPECT_NE(std::string::npos,
              cfgshift::DescribeResult(cfgshift::ConvertResult::kIniUnreadable, iniPath_, xmlPath_).find(iniPath_));
}

TEST_F(ConvertFileTest, RefusesToReplaceTheIniFile) {
    WriteIni("[Setup]\n");
    EXPECT_EQ(cfgshift::ConvertResult::kSameFile, cfgshift::ConvertFile(iniPath_, "CFGSHIFT-test.INI"));
    EXPECT_EQ("[Setup]\n", ReadFile(iniPath_));
}

TEST_F(ConvertFileTest, UnwritableXmlIsReported) {
    WriteIni("[Setup]\n");
    const std::string xml = "no-such-folder/out.xml";
    EXPECT_EQ(cfgshift::ConvertResult::kXmlUnwritable, cfgshift::ConvertFile(iniPath_, xml));
    EXPECT_NE(std::string::npos,
              cfgshift::DescribeResult(cfgshift::ConvertResult::kXmlUnwritable, iniPath_, xml).find(xml));
}

}  // namespace
