// The converted file must read back through the plug-in's configuration store with the same
// settings, servers and groups as the INI file had.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "cfgshift/ConfigConversion.h"
#include "cfgshift/IniReader.h"
#include "xml/XmlConfig.h"

namespace {

struct Group {
    std::string folderId;
    std::string name;
    int synchronization;
    int lastNumber;
};

struct Server {
    std::string id;
    std::string location;
    int authentication;
    std::string username;
    std::string password;
    std::vector<Group> groups;
};

const char kIni[] =
    "[Setup]\r\nOnline=0\r\nMaxNum=250\r\nEncodeHeader=0\r\n"
    "[Servers]\r\nnews.one.example=1\r\nnews.two.example=1\r\n"
    "[news.one.example]\r\nID=405fa3cb.mb\\\r\nLogin=1\r\nUsername=reader\r\nPassword=\"s&cr<t\"\r\n"
    "405fa3cb.mb\\comp\\=comp.lang.c\r\ncomp.lang.c=5001\r\n"
    "405fa3cb.mb\\\xD6\xD0\xCE\xC4\\=cn.bbs.\xD6\xD0\xCE\xC4\r\ncn.bbs.\xD6\xD0\xCE\xC4=12\r\n"
    "405fa3cb.mb\\misc\\=misc.test\r\n"
    "[news.two.example]\r\nID=5a01b2c3.mb\\\r\nLogin=0\r\n"
    "5a01b2c3.mb\\alt\\=alt.test\r\nalt.test=9\r\n"
    "[Synchronization]\r\nnews.one.example\\comp.lang.c=2\r\nnews.one.example\\cn.bbs.\xD6\xD0\xCE\xC4=1\r\n"
    "news.two.example\\alt.test=1\r\n";

const Server kServers[] = {
    {"405fa3cb.mb\\",
     "news.one.example",
     1,
     "reader",
     "s&cr<t",
     {{"405fa3cb.mb\\comp\\", "comp.lang.c", 2, 5001},
      {"405fa3cb.mb\\\xD6\xD0\xCE\xC4\\", "cn.bbs.\xD6\xD0\xCE\xC4", 1, 12},
      {"405fa3cb.mb\\misc\\", "misc.test", 0, 0}}},
    {"5a01b2c3.mb\\", "news.two.example", 0, "", "", {{"5a01b2c3.mb\\alt\\", "alt.test", 1, 9}}},
};

class ConvertedConfig : public testing::Test {
protected:
    void SetUp() override {
        std::ofstream(iniPath_, std::ios::binary) << kIni;
        ASSERT_EQ(cfgshift::ConvertResult::kOk, cfgshift::ConvertFile(iniPath_, xmlPath_));
        config_.LoadConfig(xmlPath_.c_str());
        ASSERT_TRUE(config_.HasRootElement()) << config_.GetParseError();
    }
    void TearDown() override {
        std::remove(iniPath_.c_str());
        std::remove(xmlPath_.c_str());
    }

    const std::string iniPath_ = "converted-config.ini";
    const std::string xmlPath_ = "converted-config.xml";
    CXmlConfig config_;
};

TEST_F(ConvertedConfig, SettingsReadBack) {
    EXPECT_EQ(0, config_.GetInt("Setup:Configuration:Online", 1, false));
    EXPECT_EQ(250, config_.GetInt("Setup:Configuration:MaxNum", 100, false));
    EXPECT_EQ(0, config_.GetInt("Setup:Configuration:EncodeHeader", 1, false));
    // Settings the old version did not have take their defaults.
    EXPECT_EQ(1, config_.GetInt("Setup:Configuration:ThreadSort", 1, false));
}

TEST_F(ConvertedConfig, ServersAndGroupsReadBackByTheirKeys) {
    for (const Server& server : kServers) {
        ASSERT_TRUE(config_.SelectRecord("Setup:Server", "ID", server.id.c_str(), false, true)) << server.id;
        config_.SavePosition("T");
        EXPECT_EQ(server.location, config_.GetString("Location", "", true));
        config_.RestorePosition("T");
        EXPECT_EQ(server.authentication, config_.GetInt("Authenication", -1, true));
        config_.RestorePosition("T");
        EXPECT_EQ(server.username, config_.GetString("Username", "?", true));
        config_.RestorePosition("T");
        EXPECT_EQ(server.password, config_.GetString("Password", "?", true));
        for (const Group& group : server.groups) {
            ASSERT_TRUE(config_.SelectServerGroup(server.id.c_str(), group.folderId.c_str(), true, false))
                << group.folderId;
            config_.SavePosition("TEMP");
            EXPECT_EQ(group.name, config_.GetString("GroupName", "", true));
            config_.RestorePosition("TEMP");
            EXPECT_EQ(group.synchronization, config_.GetInt("Synchronization", -1, true));
            config_.RestorePosition("TEMP");
            EXPECT_EQ(group.lastNumber, config_.GetInt("LastNumber", -1, true));
        }
    }
}

TEST_F(ConvertedConfig, NothingElseIsInTheFile) {
    config_.ResetPosition();
    ASSERT_TRUE(config_.FindElement("Setup"));
    ASSERT_TRUE(config_.EnterElement());
    int servers = 0;
    int groups = 0;
    while (config_.FindElement("Server")) {
        ++servers;
        config_.SavePosition("S");
        config_.EnterElement();
        while (config_.FindElement("Subgroup"))
            ++groups;
        config_.RestorePosition("S");
    }
    EXPECT_EQ(2, servers);
    EXPECT_EQ(4, groups);
}

TEST_F(ConvertedConfig, ReadListsTheFolderIdsOfTheInspectedServer) {
    // The first group converted stays first, the later ones follow in reverse.
    EXPECT_EQ(
        (std::vector<std::string>{"405fa3cb.mb\\comp\\", "405fa3cb.mb\\misc\\", "405fa3cb.mb\\\xD6\xD0\xCE\xC4\\"}),
        cfgshift::ReadFolderIds(xmlPath_, "405fa3cb.mb\\"));
    EXPECT_TRUE(cfgshift::ReadFolderIds(xmlPath_, "unknown.mb\\").empty());
    EXPECT_TRUE(cfgshift::ReadFolderIds("no-such.xml", "405fa3cb.mb\\").empty());
}

}  // namespace
