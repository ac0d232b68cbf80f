// Posting against the scripted news server with a recording host and posting window: the bytes
// the server receives, what the user is shown, and that every failed posting gives the article
// back exactly as it was handed over.
#include <gtest/gtest.h>

#include "tests/RequireOrSkip.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/Optex.h"
#include "nntp/ArticleFramer.h"
#include "nntp/ArticleText.h"
#include "nntp/NewsClient.h"
#include "tests/nntp/FakeNewsServer.h"
#include "tests/nntp/RecordingHost.h"
#include "xml/XmlConfig.h"

namespace {

::testing::Environment* const gSockets = ::testing::AddGlobalTestEnvironment(new SocketsEnvironment);

const char kInbox[] = "news.mb\\!!!!Inbox\\";
const char kArticle[] =
    "From: Poster <poster@example.com>\r\nNewsgroups: fake.test\r\nSubject: Dots\r\n\r\n"
    ".\r\n..\r\n.x\r\nA body line long enough that the article passes a hundred bytes.\r\n";

// A posting window that records what it is told; with cancelAt set it presses Cancel (closing
// the client's connection) when the progress first reaches that percentage.
class RecordingPostingView : public PostingView {
public:
    void SetTitle(const std::string& text) override { Log("title " + text); }
    void Show() override { Log("show"); }
    void SetStatus(const std::string& text) override { Log("status " + text); }
    void SetProgress(int percent) override {
        progress.push_back(percent);
        if (cancelAt >= 0 && percent >= cancelAt && !cancelled) {
            cancelled = true;
            client->Cancel();
        }
    }
    void Hide() override { Log("hide"); }
    bool IsCancelled() override { return cancelled; }

    void Log(const std::string& event) { events.push_back(event); }
    std::vector<std::string> events;
    std::vector<int> progress;
    int cancelAt = -1;
    bool cancelled = false;
    NewsClient* client = nullptr;
};

class NewsPostingTest : public ::testing::Test {
protected:
    void SetUp() override {
        RP_REQUIRE_OR_SKIP(server_.Load(), "the scripted news server is not running");
        Configure(0);
    }
    void Configure(int authentication) {
        std::string text = "<Setup><Server><ID>news.mb\\</ID><Location>127.0.0.1</Location><Authenication>" +
                           std::to_string(authentication) +
                           "</Authenication><Username>alice</Username><Password>wrong</Password></Server></Setup>";
        ASSERT_TRUE(config_.ParseText(text.c_str()));
    }
    bool Post(const std::string& scenario, const std::string& article) {
        host_.Reset();
        view_.events.clear();
        view_.progress.clear();
        server_.Use(scenario);
        // One client per posting, as the plug-in makes them: its give-back is claimed once.
        client_ = std::make_unique<NewsClient>(NewsContext{&config_, &optex_, &host_, &host_, &host_});
        client_->SetPort(server_.NewsPort());
        client_->SetTimeout(2);
        view_.client = client_.get();
        return client_->PostArticle("127.0.0.1", article, &view_);
    }
    std::string Posted() {
        std::string hex = server_.Posted();
        std::string bytes;
        for (size_t i = 0; i + 1 < hex.size(); i += 2)
            bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        return bytes;
    }
    bool ReturnedIntact() {
        return host_.returned.size() == 1 && host_.returned[0].folder == kInbox && host_.returned[0].text == kArticle;
    }

    FakeNewsServer server_;
    CXmlConfig config_;
    Optex optex_;
    RecordingHost host_;
    std::unique_ptr<NewsClient> client_;
    RecordingPostingView view_;
};

TEST_F(NewsPostingTest, PostedArticleArrivesDotStuffedAndIsConfirmed) {
    ASSERT_TRUE(Post("normal", kArticle));
    EXPECT_EQ(server_.Log(), "POST");
    EXPECT_EQ(Posted(), FrameArticle(RebuildHeaderFields(kArticle)));
    EXPECT_NE(Posted().find("\r\n..\r\n...\r\n..x\r\n"), std::string::npos);
    EXPECT_TRUE(host_.Saw("box You have posted a new article successfully!"));
    EXPECT_TRUE(host_.returned.empty());
    std::vector<std::string> expected = {"title Posting Dots", "show", "status Connecting to the server...",
                                         "status Connection established."};
    ASSERT_GE(view_.events.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(view_.events.begin(), view_.events.begin() + 4), expected);
    EXPECT_EQ(view_.events[view_.events.size() - 2], "status Receving the server response...");
    EXPECT_EQ(view_.events.back(), "hide");
}

// Every way a posting can fail: what the user sees, and the article always comes back whole.
TEST_F(NewsPostingTest, EveryFailureGivesTheArticleBack) {
    struct Case {
        const char* scenario;
        int authentication;
        const char* shown;  // the start of the one message box shown, "" for none
    } cases[] = {
        {"post_refused", 0, "box This Server doesn't allow you to post new articles!"},
        {"normal POST=480", 0, "box This Server doesn't allow you to post new articles!"},
        {"post_failed", 0, "box Posted Error!\n441 posting failed"},
        {"auth_refused", 1, "box You Password is wrong,Please check out your configuration!"},
        {"post_silent", 0, "box Receive timeout"},
        {"post_stall", 0, "box Receive timeout"},
        // The connection is closed mid-article: the system's text, whatever it is here.
        {"post_cut", 0, "box "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        Configure(c.authentication);
        EXPECT_FALSE(Post(c.scenario, kArticle));
        EXPECT_TRUE(ReturnedIntact());
        EXPECT_EQ(view_.events.back(), "hide");
        std::vector<std::string> boxes;
        for (const std::string& e : host_.events)
            if (e.compare(0, 4, "box ") == 0)
                boxes.push_back(e);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].compare(0, strlen(c.shown), c.shown), 0) << boxes[0];
        EXPECT_GT(boxes[0].size(), 4u);
    }
}

TEST_F(NewsPostingTest, TransitServerIsSwitchedToReaderModeOnce) {
    ASSERT_TRUE(Post("mode_reader_required", kArticle));
    EXPECT_EQ(server_.Log(), "POST|MODE READER|POST");
}

// 200,000 framed bytes go out as three pieces of 65,536 and one of 3,392. The window hears of
// the first piece and of the last; those between only as often as the progress gate lets them.
TEST_F(NewsPostingTest, LargeArticleIsSentInPiecesWithProgress) {
    host_.encodeHeader = false;
    std::string article = "Subject: big\r\n\r\n";
    std::string line(98, 'x');
    while (article.size() + 100 <= 199997)
        article += line + "\r\n";
    article += std::string(199997 - article.size() - 2, 'y') + "\r\n";
    ASSERT_EQ(FrameArticle(article).size(), 200000u);
    ASSERT_TRUE(Post("normal", article));
    ASSERT_GE(view_.progress.size(), 2u);
    ASSERT_LE(view_.progress.size(), 4u);
    EXPECT_EQ(view_.progress.front(), 32);
    EXPECT_EQ(view_.progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(view_.progress.begin(), view_.progress.end()));
    EXPECT_EQ(Posted(), FrameArticle(article));
    host_.encodeHeader = true;
}

TEST_F(NewsPostingTest, CancelMidSendReturnsTheArticleQuietly) {
    std::string article = std::string(kArticle) + std::string(300000, 'z') + "\r\n";
    view_.cancelAt = 1;
    EXPECT_FALSE(Post("normal", article));
    view_.cancelAt = -1;
    view_.cancelled = false;
    EXPECT_EQ(view_.progress.size(), 1u);
    ASSERT_EQ(host_.returned.size(), 1u);
    EXPECT_EQ(host_.returned[0].text, article);
    for (const std::string& e : host_.events)
        EXPECT_NE(e.compare(0, 4, "box "), 0) << e;
}

}  // namespace
