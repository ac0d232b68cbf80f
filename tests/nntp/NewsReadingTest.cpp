// Group updates and article retrieval against the scripted news server, with a recording host:
// what goes over the wire, what reaches the host, and what LastNumber becomes on every way an
// update or a retrieval can end.
#include <gtest/gtest.h>

#include "tests/RequireOrSkip.h"

#include <string>

#include "host/Optex.h"
#include "nntp/GroupRecord.h"
#include "nntp/NewsClient.h"
#include "tests/nntp/FakeNewsServer.h"
#include "tests/nntp/RecordingHost.h"
#include "xml/XmlConfig.h"

namespace {

::testing::Environment* const gSockets = ::testing::AddGlobalTestEnvironment(new SocketsEnvironment);

const char kFolder[] = "f.mb\\!!!!Inbox\\fake.test\\";
const char kDownloadError[] = "Download Error!The article seems not to be exist.Please try again.";

class NewsReadingTest : public ::testing::Test {
protected:
    void SetUp() override {
        RP_REQUIRE_OR_SKIP(server_.Load(), "the scripted news server is not running");
        SetLastNumber(-1);
        client_.SetPort(server_.NewsPort());
        client_.SetTimeout(2);
        // Small enough that an endless reply ends quickly.
        client_.Socket().SetLimits(16 * 1024, 2 * 1024 * 1024);
    }
    // `location` names the server record; the client connects to the scripted server whatever
    // port it names.
    void SetLastNumber(long long last, const char* extra = "", const std::string& location = "127.0.0.1") {
        std::string text = "<Setup><Server><ID>f.mb\\</ID><Location>" + location + "</Location>" + extra +
                           "<Subgroup><FolderID>" + kFolder + "</FolderID><GroupName>fake.test</GroupName>" +
                           (last >= 0 ? "<LastNumber>" + std::to_string(last) + "</LastNumber>" : "") +
                           "</Subgroup></Server></Setup>";
        ASSERT_TRUE(config_.ParseText(text.c_str()));
    }
    long long LastNumber() {
        long long value = -1;
        ReadLastNumber(config_, "127.0.0.1", kFolder, &value);
        return value;
    }
    bool Update(const std::string& scenario) {
        server_.Use(scenario);
        return client_.UpdateGroupHeaders("127.0.0.1", "fake.test", kFolder, 0, nullptr);
    }
    bool Retrieve(const std::string& scenario, const std::string& mail, int article) {
        server_.Use(scenario);
        std::string id = "<" + std::to_string(article) + ".fake.test@rillpost.invalid>";
        return client_.RetrieveArticle("127.0.0.1", "fake.test", mail, id, 300);
    }

    FakeNewsServer server_;
    CXmlConfig config_;
    Optex optex_;
    RecordingHost host_;
    NewsClient client_{NewsContext{&config_, &optex_, &host_, &host_, &host_}};
};

TEST_F(NewsReadingTest, FirstUpdateBringsPlaceholdersAndReservesTheRange) {
    ASSERT_TRUE(Update("normal"));
    EXPECT_EQ(server_.Log(), "CAPABILITIES|MODE READER|GROUP fake.test|XOVER 1-5");
    ASSERT_EQ(host_.appends.size(), 5u);
    EXPECT_EQ(host_.appends[0].folder, kFolder);
    EXPECT_NE(host_.appends[2].text.find("Message-ID: <3.fake.test@rillpost.invalid>\r\n"), std::string::npos);
    EXPECT_NE(host_.appends[2].text.find("X-RILLPOST-FLAG: FALSE\r\n"), std::string::npos);
    EXPECT_EQ(LastNumber(), 6);
    EXPECT_TRUE(host_.Saw("part1 Updating..."));
    EXPECT_TRUE(host_.Saw("part1 5 new articles"));
    EXPECT_TRUE(host_.Saw("ended " + std::string(kFolder)));
    EXPECT_TRUE(host_.Saw("new <1.fake.test@rillpost.invalid> Hello from the fake server"));
}

// Every way an update can end: what was sent, what was kept, and that the folder always leaves
// the busy list.
TEST_F(NewsReadingTest, EveryEndKeepsLastNumberRightAndFreesTheFolder) {
    struct Case {
        const char* scenario;
        long long lastBefore;  // -1: never updated
        bool ok;
        const char* log;  // commands seen, "" to skip the check
        size_t appended;
        long long lastAfter;
        const char* shown;  // a host message that must appear, or null
    } cases[] = {
        {"group_411", 3, false, "CAPABILITIES|MODE READER|GROUP fake.test", 0, 3, "message 411 no such group"},
        {"group_480", 3, false, "CAPABILITIES|MODE READER|GROUP fake.test", 0, 3,
         "message 480 authentication required"},
        {"group_502", -1, false, "CAPABILITIES|MODE READER|GROUP fake.test", 0, 0, "message 502 permission denied"},
        // Nothing new: no XOVER at all, LastNumber stays one past the last article.
        {"normal", 6, true, "CAPABILITIES|MODE READER|GROUP fake.test", 0, 6, nullptr},
        // An error answer to XOVER is an empty list, not a wait for a terminator.
        {"xover_502", 1, true, "CAPABILITIES|MODE READER|GROUP fake.test|XOVER 1-5", 0, 6, nullptr},
        // Cut, silent, endless: the range goes back, nothing is lost.
        {"xover_cut", 2, false, "", 0, 2, nullptr},
        {"xover_silent", 2, false, "", 0, 2, "message Receive timeout"},
        {"xover_endless", 2, false, "", 0, 2, nullptr},
        {"group_silent", 2, false, "", 0, 2, "message Receive timeout"},
        // A server that trickles: every read gets a byte, the reply still has its deadline.
        {"normal GREETING=trickle:1", 2, false, "", 0, 2, "message Receive timeout"},
        {"normal XOVER=trickle:0.2", 2, false, "", 0, 2, "message Receive timeout"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        host_.Reset();
        SetLastNumber(c.lastBefore);
        EXPECT_EQ(Update(c.scenario), c.ok);
        if (*c.log) {
            EXPECT_EQ(server_.Log(), c.log);
        }
        EXPECT_EQ(host_.appends.size(), c.appended);
        EXPECT_EQ(LastNumber(), c.lastAfter);
        if (c.shown) {
            EXPECT_TRUE(host_.Saw(c.shown));
        }
        EXPECT_TRUE(host_.Saw("ended " + std::string(kFolder)));
    }
}

// What CAPABILITIES lists decides between OVER and XOVER; an empty range is no lines whichever
// way the server says it, and a server's record can turn the whole exchange off.
TEST_F(NewsReadingTest, CapabilitiesChooseTheOverviewCommand) {
    struct Case {
        const char* scenario;
        const char* record;  // extra children of the Server record
        bool ok;
        const char* log;
        size_t appended;
    } cases[] = {
        // No list (500): asked once, then everything as without it.
        {"normal", "", true, "CAPABILITIES|MODE READER|GROUP fake.test|XOVER 1-5", 5},
        {"caps_reader", "", true, "CAPABILITIES|GROUP fake.test|XOVER 1-5", 5},
        {"caps_over", "", true, "CAPABILITIES|GROUP fake.test|OVER 1-5", 5},
        // A list without READER (a transit server): MODE READER, and the list asked again.
        {"normal caps=VERSION,MODE-READER,OVER", "", true,
         "CAPABILITIES|MODE READER|CAPABILITIES|GROUP fake.test|OVER 1-5", 5},
        // A list that says READER of a server that then wants MODE READER: switched when it says so.
        {"caps_over gate=1", "", true,
         "CAPABILITIES|GROUP fake.test|MODE READER|CAPABILITIES|GROUP fake.test|OVER 1-5", 5},
        // Empty: XOVER answers 224 and no lines, OVER answers 423.
        {"normal overview=none", "", true, "CAPABILITIES|MODE READER|GROUP fake.test|XOVER 1-5", 0},
        {"caps_over overview=none", "", true, "CAPABILITIES|GROUP fake.test|OVER 1-5", 0},
        {"caps_over", "<Extensions>0</Extensions>", true, "MODE READER|GROUP fake.test|XOVER 1-5", 5},
        // A list that never comes is a time-out like any other.
        {"caps_silent", "", false, "CAPABILITIES", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.scenario) + c.record);
        host_.Reset();
        SetLastNumber(1, c.record);
        EXPECT_EQ(Update(c.scenario), c.ok);
        EXPECT_EQ(server_.Log(), c.log);
        EXPECT_EQ(host_.appends.size(), c.appended);
        EXPECT_EQ(LastNumber(), c.ok ? 6 : 1);
        if (!c.ok) {
            EXPECT_TRUE(host_.Saw("message Receive timeout"));
        }
    }
}

// COMPRESS DEFLATE against the scripted server: the placeholders are those of a plain update;
// a refusal goes on in clear, a damaged stream ends the update with its text; after either the
// server is not asked again. Each case has a server of its own (the memory of refusals lasts
// as long as the plug-in).
TEST_F(NewsReadingTest, CompressionIsUsedWhenOfferedAndDroppedForAServerThatFails) {
    SetLastNumber(1);
    ASSERT_TRUE(Update("caps_over"));
    std::vector<RecordingHost::Append> plain = host_.appends;
    ASSERT_EQ(plain.size(), 5u);

    struct Case {
        const char* scenario;
        const char* location;
        bool ok;
        const char* shown;  // null: nothing but the usual texts
    } cases[] = {
        {"deflate", "127.0.0.1:1001", true, nullptr},
        {"deflate_refused", "127.0.0.1:1002", true, nullptr},
        {"deflate_corrupt", "127.0.0.1:1003", false, "could not be decompressed"},
        {"deflate_cut", "127.0.0.1:1004", false, "ended in the middle of a block"},
    };
    const std::string opening = "CAPABILITIES|";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        host_.Reset();
        SetLastNumber(1, "", c.location);
        server_.Use(c.scenario);
        EXPECT_EQ(client_.UpdateGroupHeaders(c.location, "fake.test", kFolder, 0, nullptr), c.ok);
        std::string log = server_.Log();
        EXPECT_EQ(log.substr(0, opening.size() + 16), opening + "COMPRESS DEFLATE");
        if (c.ok) {
            EXPECT_EQ(log, opening + "COMPRESS DEFLATE|GROUP fake.test|OVER 1-5");
            ASSERT_EQ(host_.appends.size(), plain.size());
            for (size_t i = 0; i < plain.size(); ++i)
                EXPECT_EQ(host_.appends[i].text, plain[i].text);
        } else {
            EXPECT_TRUE(host_.SawPart(c.shown)) << host_.Events();
        }
        EXPECT_EQ(client_.Socket().IsCompressed(), std::string(c.scenario) != "deflate_refused");
        if (std::string(c.scenario) == "deflate") {
            EXPECT_GT(client_.Socket().InflatedBytes(), 0u);
        }

        // Asked again: only the server that took it gets COMPRESS.
        SetLastNumber(1, "", c.location);
        server_.Use("deflate");
        EXPECT_TRUE(client_.UpdateGroupHeaders(c.location, "fake.test", kFolder, 0, nullptr));
        EXPECT_EQ(server_.Log(), opening + (std::string(c.scenario) == "deflate" ? "COMPRESS DEFLATE|" : "") +
                                     "GROUP fake.test|OVER 1-5");
    }
}

// The host refuses the third placeholder of a range whose lines the server numbered below it:
// LastNumber goes back no further than the range's start, so nothing before it comes twice.
TEST_F(NewsReadingTest, AFailedUpdateNeverGivesBackBelowTheRangeAsked) {
    SetLastNumber(6);
    host_.failAppendAfter = 2;
    EXPECT_FALSE(Update("normal overview=low range=10:1:10"));
    EXPECT_EQ(server_.Log(), "CAPABILITIES|MODE READER|GROUP fake.test|XOVER 6-10");
    EXPECT_EQ(host_.appends.size(), 2u);
    EXPECT_EQ(LastNumber(), 6);
}

// Cancel pressed before the operation has connected: it never connects, and an article to post
// comes back to the user.
TEST_F(NewsReadingTest, CancelBeforeTheConnectionStopsEveryOperation) {
    const char* const operations[] = {"post", "group list", "synchronize"};
    for (const char* operation : operations) {
        SCOPED_TRACE(operation);
        host_.Reset();
        server_.Use("normal");
        NewsClient client(NewsContext{&config_, &optex_, &host_, &host_, &host_});
        client.SetPort(server_.NewsPort());
        client.SetTimeout(2);
        client.Cancel();
        bool ok = true;
        if (std::string(operation) == "post")
            ok = client.PostArticle("127.0.0.1", "Newsgroups: fake.test\r\nSubject: s\r\n\r\nbody\r\n", nullptr);
        else if (std::string(operation) == "group list")
            ok = client.GetGroupList("127.0.0.1", nullptr);
        else
            ok = client.SynchronizeGroup("127.0.0.1", "fake.test", kFolder, 1, nullptr);
        EXPECT_FALSE(ok);
        EXPECT_EQ("", server_.LogAll());
        EXPECT_EQ(host_.returned.size(), std::string(operation) == "post" ? 1u : 0u);
        EXPECT_TRUE(host_.appends.empty());
        for (const std::string& event : host_.events)
            EXPECT_NE(event.compare(0, 4, "box "), 0) << "a cancelled operation shows no failure: " << event;
    }
}

TEST_F(NewsReadingTest, OddOverviewLinesKeepTheirFieldsInPlace) {
    ASSERT_TRUE(Update("overview_odd"));
    ASSERT_EQ(host_.appends.size(), 5u);
    // Article 1 has an empty subject: the author stays in From, the size in X-RILLPOST-SIZE.
    const std::string& first = host_.appends[0].text;
    EXPECT_EQ(first.find("Subject: \r\nFrom: Alice <alice@fake.invalid>\r\n"), 0u) << first;
    EXPECT_NE(first.find("X-RILLPOST-SIZE: 300\r\nLine: 2\r\n"), std::string::npos) << first;
    for (const RecordingHost::Append& a : host_.appends) {
        EXPECT_EQ(a.text.find("\r\n\r\n"), a.text.rfind("\r\n\r\n")) << "a field value added lines: " << a.text;
        EXPECT_NE(a.text.find("X-RILLPOST-FLAG: FALSE\r\n\r\n"), std::string::npos) << a.text;
    }
}

TEST_F(NewsReadingTest, RetrievedArticleReplacesThePlaceholderWithItsDotLinesIntact) {
    ASSERT_TRUE(Retrieve("normal", "mail-3", 3));
    EXPECT_EQ(server_.Log(), "CAPABILITIES|GROUP fake.test|ARTICLE <3.fake.test@rillpost.invalid>");
    ASSERT_EQ(host_.sources.size(), 1u);
    EXPECT_EQ(host_.sources[0].folder, "mail-3");
    const std::string& article = host_.sources[0].text;
    EXPECT_EQ(article.find("From: "), 0u);
    EXPECT_NE(article.find("\r\n.\r\n..\r\n.hidden\r\n"), std::string::npos) << article;
    EXPECT_TRUE(host_.queued.empty());
}

// The size a placeholder announces is the server's word: far too large (beyond the reply cap),
// zero, negative or smaller than the article, the stored article is the same bytes.
TEST_F(NewsReadingTest, AnnouncedSizeNeverChangesTheStoredArticle) {
    const std::string id = "<3.fake.test@rillpost.invalid>";
    const int sizes[] = {1500000, 0x7fffffff, 0, -1, 10, 1000000};
    std::string expected;
    for (int size : sizes) {
        SCOPED_TRACE(size);
        host_.Reset();
        server_.Use("normal ARTICLE=huge:1500000");
        ASSERT_TRUE(client_.RetrieveArticle("127.0.0.1", "fake.test", "mail-3", id, size));
        ASSERT_EQ(host_.sources.size(), 1u);
        const std::string& article = host_.sources[0].text;
        if (expected.empty()) {
            expected = article;
            EXPECT_GT(expected.size(), 1400000u);
            EXPECT_NE(expected.find("\r\n.\r\n..\r\n.hidden\r\n"), std::string::npos);
        }
        EXPECT_TRUE(article == expected) << article.size() << " bytes against " << expected.size();
    }
}

TEST_F(NewsReadingTest, ArticleOnDisplayIsShownAndQueuedForTheMessage) {
    host_.currentMail = "mail-2";
    host_.hasLocation = true;
    ASSERT_TRUE(Retrieve("normal", "mail-2", 2));
    EXPECT_TRUE(host_.Saw("geomark mail-2 1"));
    ASSERT_EQ(host_.queued.size(), 1u);
    EXPECT_EQ(host_.queued[0].folder, "mail-2");
    EXPECT_TRUE(host_.sources.empty()) << "the message itself is stored by the user-interface thread";

    host_.Reset();
    host_.currentMail = "mail-2";
    ASSERT_TRUE(Retrieve("normal", "mail-2", 2));
    ASSERT_EQ(host_.sources.size(), 1u);
    EXPECT_EQ(host_.sources[0].folder, "TEMP");
}

TEST_F(NewsReadingTest, ATransitServerIsSwitchedToReaderModeOnce) {
    ASSERT_TRUE(Retrieve("mode_reader_required", "mail-1", 1));
    EXPECT_EQ(server_.Log(),
              "CAPABILITIES|GROUP fake.test|MODE READER|GROUP fake.test|ARTICLE <1.fake.test@rillpost.invalid>");
    EXPECT_EQ(host_.sources.size(), 1u);
}

// A failed retrieval sets the placeholder's flag back, so that opening it again retries.
TEST_F(NewsReadingTest, FailedRetrievalMakesThePlaceholderFetchableAgain) {
    const char* cases[] = {"article_430", "article_502", "article_cut", "article_silent", "group_silent"};
    for (const char* scenario : cases) {
        SCOPED_TRACE(scenario);
        host_.Reset();
        host_.sources.push_back({"mail-4", "Subject: s\r\nX-RILLPOST-FLAG: TRUE\r\n\r\nBody hasn't been downloaded"});
        EXPECT_FALSE(Retrieve(scenario, "mail-4", 4));
        EXPECT_TRUE(host_.Saw("message " + std::string(kDownloadError)));
        ASSERT_EQ(host_.sources.size(), 2u);
        EXPECT_EQ(host_.sources[1].text, "Subject: s\r\nX-RILLPOST-FLAG: FALSE\r\n\r\nBody hasn't been downloaded");
    }
}

class FaultingHost : public RecordingHost {
public:
    void SetSource(const std::string& mail, const std::string& text) override {
        if (faults_-- > 0) {
            volatile int* nowhere = nullptr;
            *nowhere = 1;
        }
        RecordingHost::SetSource(mail, text);
    }

private:
    int faults_ = 1;
};

TEST_F(NewsReadingTest, AccessViolationDuringRetrievalResetsTheFlag) {
    FaultingHost host;
    host.RecordingHost::SetSource("mail-5", "Subject: s\r\nX-RILLPOST-FLAG: TRUE\r\n\r\nb");
    NewsClient client(NewsContext{&config_, &optex_, &host, &host, &host});
    client.SetPort(server_.NewsPort());
    client.SetTimeout(2);
    server_.Use("normal");
    EXPECT_FALSE(client.RetrieveArticle("127.0.0.1", "fake.test", "mail-5", "<5.fake.test@rillpost.invalid>", 0));
    EXPECT_TRUE(host.Saw("message Access Violation from Becky!"));
    ASSERT_EQ(host.sources.size(), 2u);
    EXPECT_EQ(host.sources[1].text, "Subject: s\r\nX-RILLPOST-FLAG: FALSE\r\n\r\nb");
}

}  // namespace
