#include "news/SettingCache.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "news/SocketStart.h"
#include "xml/XmlConfig.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class ConfigFile : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".xml";
        std::remove(path_.c_str());
    }
    void TearDown() override { std::remove(path_.c_str()); }
    void Load(const std::string& text) {
        WriteFile(path_, text);
        config_.LoadConfig(path_.c_str());
    }

    std::string path_;
    CXmlConfig config_;
};

TEST_F(ConfigFile, MissingFileGivesEveryDefault) {
    config_.LoadConfig(path_.c_str());
    SettingCache cache;
    cache.synTime = 99;
    cache.Load(config_);
    for (const SettingCache::Setting& setting : SettingCache::kSettings)
        EXPECT_EQ(cache.*setting.field, setting.defaultValue) << setting.key;
    EXPECT_EQ(cache.online, 1);
    EXPECT_EQ(cache.maxNum, 100);
    EXPECT_EQ(cache.synTime, 0);
    // Reading creates nothing.
    EXPECT_EQ(config_.GetText(), "");
}

TEST_F(ConfigFile, StoredValuesWinAndBadOnesReadAsZero) {
    Load(
        "<Setup>\r\n<Configuration>\r\n<Online>0</Online>\r\n<MaxNum>250</MaxNum>\r\n<SynTime>5</SynTime>\r\n"
        "<MarkRead>yes</MarkRead>\r\n</Configuration>\r\n</Setup>\r\n");
    SettingCache cache;
    cache.Load(config_);
    EXPECT_EQ(cache.online, 0);
    EXPECT_EQ(cache.maxNum, 250);
    EXPECT_EQ(cache.synTime, 5);
    EXPECT_EQ(cache.markRead, 0);
    EXPECT_EQ(cache.submenu, 1);  // absent: default
}

TEST(SettingCacheTable, CoversEveryFieldOnceWithTheSettingsPrefix) {
    std::vector<int SettingCache::*> seen;
    for (const SettingCache::Setting& setting : SettingCache::kSettings) {
        EXPECT_EQ(std::string(setting.key).rfind("Setup:Configuration:", 0), 0u) << setting.key;
        for (auto field : seen)
            EXPECT_NE(field, setting.field) << setting.key;
        seen.push_back(setting.field);
    }
    EXPECT_EQ(seen.size(), 11u);
    EXPECT_STREQ(SettingCache::kSettings[0].key, "Setup:Configuration:Online");
}

const char kTwoServers[] =
    "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n"
    "<Setup>\r\n"
    "  <!-- kept as written -->\r\n"
    "  <Configuration><Online>1</Online></Configuration>\r\n"
    "  <Server><ID>a\\</ID><Location>news.a</Location>\r\n"
    "    <Subgroup><FolderID>a\\!!!!Inbox\\x\\</FolderID><HaveRead>1</HaveRead></Subgroup>\r\n"
    "    <Subgroup><FolderID>a\\!!!!Inbox\\y\\</FolderID></Subgroup>\r\n"
    "  </Server>\r\n"
    "  <Server><ID>b\\</ID><Subgroup><HaveRead>1</HaveRead><GroupName>z</GroupName></Subgroup></Server>\r\n"
    "</Setup>\r\n";

TEST_F(ConfigFile, ExitResetsEveryHaveReadWritesOnlineAndKeepsTheRest) {
    Load(kTwoServers);
    PrepareConfigForExit(config_, 0);
    ASSERT_TRUE(config_.SaveFile(path_.c_str()));
    std::string expected = kTwoServers;
    auto replace = [&](const std::string& from, const std::string& to) {
        size_t at = expected.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        expected.replace(at, from.size(), to);
    };
    replace("<Online>1</Online>", "<Online>0</Online>");
    replace("<HaveRead>1</HaveRead>", "<HaveRead>0</HaveRead>");
    replace("<HaveRead>1</HaveRead>", "<HaveRead>0</HaveRead>");
    EXPECT_EQ(ReadFile(path_), expected);
}

TEST_F(ConfigFile, ExitOnAnEmptyDocumentOnlyWritesOnline) {
    config_.LoadConfig(path_.c_str());
    PrepareConfigForExit(config_, 1);
    EXPECT_EQ(config_.GetText(),
              "<Setup>\r\n<Configuration>\r\n<Online>1</Online>\r\n</Configuration>\r\n</Setup>\r\n");
}

TEST_F(ConfigFile, PreferencesAreWrittenInOrderAndTheTimerSeesOldAndNewSynTime) {
    config_.LoadConfig(path_.c_str());
    SettingCache cache;
    cache.Load(config_);
    Preferences values = PreferencesFromCache(cache);
    values.maxNum = 300;
    values.synTime = 5;
    values.pictureRender = 0;
    std::vector<int> rescheduled;
    int maxNumWhenRescheduled = -1;
    ASSERT_TRUE(ApplyPreferences(config_, cache, values, [&](int oldMinutes, int newMinutes) {
        rescheduled = {oldMinutes, newMinutes};
        maxNumWhenRescheduled = cache.maxNum;
    }));
    EXPECT_EQ(rescheduled, (std::vector<int>{0, 5}));
    EXPECT_EQ(maxNumWhenRescheduled, 300) << "SynTime comes after MaxNum";
    EXPECT_EQ(cache.synTime, 5);
    EXPECT_EQ(cache.pictureRender, 0);

    std::string saved = ReadFile(path_);
    EXPECT_LT(saved.find("<MaxNum>300</MaxNum>"), saved.find("<SynTime>5</SynTime>"));
    EXPECT_LT(saved.find("<SynTime>5</SynTime>"), saved.find("<PictureRender>0</PictureRender>"));
    EXPECT_EQ(saved.find("<Online>"), std::string::npos) << "the online flag is not a preference";

    // Applying again rewrites the same elements instead of adding new ones.
    ASSERT_TRUE(ApplyPreferences(config_, cache, values, nullptr));
    std::string again = ReadFile(path_);
    EXPECT_EQ(again, saved);
}

TEST(SocketStart, OnlyVersionOneOneIsUsable) {
    // The version word holds the major version in its low byte: 0x0202 is 2.2, 0x0001 is 1.0.
    EXPECT_TRUE(IsWinsockVersionUsable(0x0101));
    for (uint16_t other : {0x0001, 0x0100, 0x0202, 0x0201, 0x0000})
        EXPECT_FALSE(IsWinsockVersionUsable(other)) << other;
}

}  // namespace
