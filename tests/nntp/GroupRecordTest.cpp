#include "nntp/GroupRecord.h"

#include <gtest/gtest.h>

#include "xml/XmlConfig.h"

namespace {

const char kConfig[] =
    "<Setup>\r\n"
    "<Server><ID>a.mb\\</ID><Location>news.a</Location>\r\n"
    "<Subgroup><FolderID>a.mb\\one\\</FolderID><GroupName>one</GroupName><LastNumber>41</LastNumber></Subgroup>\r\n"
    "<Subgroup><FolderID>a.mb\\two\\</FolderID><GroupName>two</GroupName></Subgroup>\r\n"
    "</Server>\r\n"
    "<Server><ID>b.mb\\</ID><Location>news.b</Location>\r\n"
    "<Subgroup><FolderID>a.mb\\one\\</FolderID><LastNumber>7</LastNumber></Subgroup>\r\n"
    "</Server>\r\n"
    "</Setup>\r\n";

class GroupRecordTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(config_.ParseText(kConfig)); }
    long long Last(const char* location, const char* folder) {
        long long value = -1;
        return ReadLastNumber(config_, location, folder, &value) ? value : -1;
    }
    CXmlConfig config_;
};

TEST_F(GroupRecordTest, FindsTheGroupOfTheRightServerAndNeverCreatesOne) {
    EXPECT_EQ(Last("news.a", "a.mb\\one\\"), 41);
    EXPECT_EQ(Last("news.b", "a.mb\\one\\"), 7);
    EXPECT_EQ(Last("news.a", "a.mb\\two\\"), 0);  // never updated
    EXPECT_EQ(Last("news.c", "a.mb\\one\\"), -1);
    EXPECT_EQ(Last("news.a", "a.mb\\three\\"), -1);
    EXPECT_FALSE(WriteLastNumber(config_, "news.a", "a.mb\\three\\", 5));
    std::string unchanged = kConfig;
    EXPECT_EQ(config_.GetText(), unchanged);
}

TEST_F(GroupRecordTest, WritesTheNumberInPlaceOrAsANewChild) {
    EXPECT_TRUE(WriteLastNumber(config_, "news.a", "a.mb\\one\\", 20001));
    EXPECT_TRUE(WriteLastNumber(config_, "news.a", "a.mb\\two\\", 6));
    EXPECT_EQ(Last("news.a", "a.mb\\one\\"), 20001);
    EXPECT_EQ(Last("news.a", "a.mb\\two\\"), 6);
    EXPECT_EQ(Last("news.b", "a.mb\\one\\"), 7);
}

TEST_F(GroupRecordTest, AFailedUpdateGivesBackOnlyWhatNoLaterUpdateMoved) {
    struct Case {
        const char* name;
        long long stored;    // LastNumber when the failed update ends
        long long reserved;  // what the failed update had stored
        long long fallback;
        long long expected;
    } cases[] = {
        {"nothing moved it: back to one past the last appended", 101, 101, 60, 60},
        {"a later update moved it: left alone", 150, 101, 60, 150},
        {"everything was appended: nothing to give back", 101, 101, 101, 101},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteLastNumber(config_, "news.a", "a.mb\\one\\", c.stored));
        GiveBackLastNumber(config_, "news.a", "a.mb\\one\\", c.reserved, c.fallback);
        EXPECT_EQ(Last("news.a", "a.mb\\one\\"), c.expected) << c.name;
    }
}

}  // namespace

namespace {

TEST(ParentFolder, CutsAfterTheLastRealBackslash) {
    struct Case {
        const char* folder;
        const char* parent;
    } cases[] = {
        {"news.mb\\!!!!Inbox\\comp.lang.c\\", "news.mb\\!!!!Inbox\\"},
        {"news.mb\\!!!!Inbox\\comp.lang.c\\\\", "news.mb\\!!!!Inbox\\"},
        {"news.mb\\", ""},
        // "\xB1\x5C" is one GBK character whose trail byte is a backslash.
        {"news.mb\\!!!!Inbox\\\xB1\x5C\xB1\x5C\\", "news.mb\\!!!!Inbox\\"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParentFolderId(c.folder), c.parent) << c.folder;
}

}  // namespace
