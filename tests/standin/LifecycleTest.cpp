// The news plug-in's life from load to unload inside the stand-in host, one host process per
// test: configuration defaults and what exit writes back, the sync timer, a missing location
// plug-in.
#include <gtest/gtest.h>

#include "tests/RequireOrSkip.h"

#include <memory>
#include <string>

#include "StandinProcess.h"

namespace {

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++n;
    return n;
}

const char kConfig[] =
    "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n"
    "<!-- written by hand -->\r\n"
    "<Setup>\r\n"
    "  <Configuration>\r\n"
    "    <Online>0</Online>\r\n"
    "    <SynTime>0</SynTime>\r\n"
    "  </Configuration>\r\n"
    "  <Server>\r\n"
    "    <ID>news.mb\\</ID>\r\n"
    "    <Location>127.0.0.1</Location>\r\n"
    "    <Note kind=\"keep\">  untouched \xD6\xD0\xCE\xC4 &amp; text  </Note>\r\n"
    "    <Subgroup><FolderID>news.mb\\!!!!Inbox\\a.b\\</FolderID><GroupName>a.b</GroupName>"
    "<HaveRead>1</HaveRead></Subgroup>\r\n"
    "    <Subgroup><FolderID>news.mb\\!!!!Inbox\\e.f\\</FolderID><GroupName>e.f</GroupName></Subgroup>\r\n"
    "  </Server>\r\n"
    "  <Server>\r\n"
    "    <ID>other.mb\\</ID>\r\n"
    "    <Subgroup><GroupName>c.d</GroupName><HaveRead>1</HaveRead><LastNumber>42</LastNumber></Subgroup>\r\n"
    "  </Server>\r\n"
    "</Setup>\r\n";

class RillpostInStandin : public ::testing::Test {
protected:
    // False when Rillpost.dll was not built beside the test.
    bool Prepare() {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("lifecycle-") + info->name();
        for (char& c : name) {
            if (c == '/')
                c = '-';
        }
        host_.reset(new StandinProcess(name));
        return host_->AddPlugin("Rillpost.dll");
    }

    std::unique_ptr<StandinProcess> host_;
    std::string out_;
};

#define PREPARE_OR_SKIP()                                 \
    do {                                                  \
        RP_REQUIRE_OR_SKIP(Prepare(), "Rillpost.dll was not built"); \
    } while (0)

TEST_F(RillpostInStandin, MissingConfigurationGivesDefaultsAndStatusBarIsHooked) {
    PREPARE_OR_SKIP();
    // The host starts with a first status-bar edge of 330; the plug-in moves it 50 to the left,
    // which it can only do when the main menu was initialized before the start callback.
    int code = host_->Run(
        "expect plugin Rillpost.dll loaded\n"
        "dump status\n"
        "wait 1500\n"
        "expect nolog \"message Done.\"\n",
        &out_);
    ASSERT_EQ(0, code) << out_;
    EXPECT_NE(std::string::npos, out_.find("part 0 edge=280")) << out_;
    std::string saved = host_->ReadPluginFile("Rillpost.xml");
    EXPECT_NE(std::string::npos, saved.find("<Online>1</Online>")) << saved;
}

TEST_F(RillpostInStandin, ExitResetsHaveReadKeepsOnlineAndUntouchedBytes) {
    PREPARE_OR_SKIP();
    host_->WritePluginFile("Rillpost.xml", kConfig);
    ASSERT_EQ(0, host_->Run("expect plugin Rillpost.dll loaded\n", &out_)) << out_;
    std::string saved = host_->ReadPluginFile("Rillpost.xml");
    EXPECT_EQ(0u, Count(saved, "<HaveRead>1</HaveRead>")) << saved;
    EXPECT_EQ(2u, Count(saved, "<HaveRead>0</HaveRead>")) << saved;
    EXPECT_EQ(1u, Count(saved, "<Online>0</Online>")) << saved;
    EXPECT_EQ(0u, Count(saved, "<Online>1</Online>")) << saved;
    // Bytes the exit did not touch stay as they were, a group without HaveRead gets none.
    const char* kept[] = {
        "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<!-- written by hand -->\r\n<Setup>\r\n",
        "    <Note kind=\"keep\">  untouched \xD6\xD0\xCE\xC4 &amp; text  </Note>\r\n",
        "    <Subgroup><FolderID>news.mb\\!!!!Inbox\\e.f\\</FolderID><GroupName>e.f</GroupName></Subgroup>\r\n",
        "<LastNumber>42</LastNumber></Subgroup>\r\n",
    };
    for (const char* part : kept)
        EXPECT_NE(std::string::npos, saved.find(part)) << part << "\n--- in ---\n" << saved;
}

TEST_F(RillpostInStandin, ToggledOnlineModeIsWhatExitSaves) {
    PREPARE_OR_SKIP();
    int code = host_->Run("menu main \"Rillpost Online Mode\"\n", &out_);
    if (out_.find("no menu item") != std::string::npos)
        GTEST_SKIP() << "the plug-in has no online-mode menu item yet";
    ASSERT_EQ(0, code) << out_;
    EXPECT_NE(std::string::npos, host_->ReadPluginFile("Rillpost.xml").find("<Online>0</Online>"));
}

struct SynTimeCase {
    const char* synTime;
    const char* script;
};

class SyncTimerInStandin : public RillpostInStandin, public ::testing::WithParamInterface<SynTimeCase> {};

// SynTime 0 makes no timer: no run ever reports "Done.". Any other value makes a timer whose
// first run comes at once, long before its period of minutes. Either way the host exits
// cleanly, so no timer callback runs in unloaded code.
TEST_P(SyncTimerInStandin, FirstRunFollowsSynTime) {
    PREPARE_OR_SKIP();
    host_->WritePluginFile("Rillpost.xml", std::string("<Setup><Configuration><SynTime>") + GetParam().synTime +
                                               "</SynTime></Configuration></Setup>\r\n");
    ASSERT_EQ(0, host_->Run(GetParam().script, &out_)) << out_;
}

INSTANTIATE_TEST_SUITE_P(SynTime,
                         SyncTimerInStandin,
                         ::testing::Values(SynTimeCase{"0", "wait 2500\nexpect nolog \"message Done.\"\n"},
                                           SynTimeCase{"5", "wait log \"message Done.\" 3000\n"}));

TEST_F(RillpostInStandin, WithoutGeomarkOpeningMessagesBreaksNothing) {
    PREPARE_OR_SKIP();
    host_->WritePluginFile("Rillpost.xml", kConfig);
    int code = host_->Run(
        "mailbox news\n"
        "folder news.mb\\!!!!Inbox\\a.b\\\n"
        "message news.mb\\!!!!Inbox\\a.b\\ \"From: x@y\\r\\nSubject: s\\r\\nMessage-ID: <1@y>\\r\\n\\r\\nbody\\r\\n\"\n"
        "select folder news.mb\\!!!!Inbox\\a.b\\\n"
        "select mail #0\n"
        "wait idle 5000\n"
        "expect nodialog\n"
        "expect nolog \"Access Violation\"\n"
        "expect header #0 Subject s\n",
        &out_);
    EXPECT_EQ(0, code) << out_;
}

}  // namespace
