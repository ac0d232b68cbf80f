#include "news/SyncList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xml/XmlConfig.h"

namespace {

std::string Group(const char* folder, const char* name, const char* syncElement) {
    return std::string("<Subgroup><FolderID>") + folder + "</FolderID><GroupName>" + name + "</GroupName>" +
           syncElement + "</Subgroup>\r\n";
}

std::vector<SyncRecord> ListOf(const std::string& text) {
    CXmlConfig config;
    config.ParseText(text.c_str());  // an empty text is no document, which is one of the cases
    return BuildSyncList(config);
}

struct StyleCase {
    const char* element;  // the group's Synchronization element, or none
    int expected;         // headersOnly flag, -1 when the group is skipped
};

class SyncStyle : public ::testing::TestWithParam<StyleCase> {};

TEST_P(SyncStyle, OnlyStylesOneAndTwoAreVisited) {
    auto list =
        ListOf("<Setup><Server><Location>s</Location>" + Group("f\\", "g", GetParam().element) + "</Server></Setup>");
    if (GetParam().expected < 0) {
        EXPECT_TRUE(list.empty()) << GetParam().element;
    } else {
        ASSERT_EQ(list.size(), 1u) << GetParam().element;
        EXPECT_EQ(list[0], (SyncRecord{"s", "g", "f\\", GetParam().expected}));
    }
}

INSTANTIATE_TEST_SUITE_P(Styles,
                         SyncStyle,
                         ::testing::Values(StyleCase{"<Synchronization>1</Synchronization>", 1},
                                           StyleCase{"<Synchronization>2</Synchronization>", 0},
                                           StyleCase{"<Synchronization>0</Synchronization>", -1},
                                           StyleCase{"<Synchronization>3</Synchronization>", -1},
                                           StyleCase{"<Synchronization> 1</Synchronization>", -1},
                                           StyleCase{"<Synchronization>01</Synchronization>", -1},
                                           StyleCase{"<Synchronization></Synchronization>", -1},
                                           StyleCase{"", -1}));

TEST(SyncList, FollowsDocumentOrderAcrossServers) {
    const char* one = "<Synchronization>1</Synchronization>";
    const char* two = "<Synchronization>2</Synchronization>";
    auto list = ListOf(
        "<Setup><Configuration><SynTime>5</SynTime></Configuration>"
        "<Server><ID>a\\</ID><Location>news.a</Location>" +
        Group("a1", "g.one", one) + Group("a2", "g.off", "") + Group("a3", "g.two", two) +
        "</Server><Server><Location>news.b</Location>" + Group("b1", "g.b", one) + "</Server></Setup>");
    std::vector<SyncRecord> expected = {
        {"news.a", "g.one", "a1", 1}, {"news.a", "g.two", "a3", 0}, {"news.b", "g.b", "b1", 1}};
    EXPECT_EQ(list, expected);
}

TEST(SyncList, EmptyWithoutSetupOrServers) {
    EXPECT_TRUE(ListOf("").empty());
    EXPECT_TRUE(
        ListOf("<Other><Server><Subgroup><Synchronization>1</Synchronization></Subgroup></Server></Other>").empty());
    EXPECT_TRUE(ListOf("<Setup><Configuration/></Setup>").empty());
}

TEST(SyncList, ServerWithoutLocationGivesAnEmptyLocation) {
    auto list =
        ListOf("<Setup><Server>" + Group("f", "g", "<Synchronization>1</Synchronization>") + "</Server></Setup>");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].location, "");
}

}  // namespace
