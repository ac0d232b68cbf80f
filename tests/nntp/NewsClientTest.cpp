#include <gtest/gtest.h>

#include "tests/RequireOrSkip.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "host/Optex.h"
#include "nntp/NewsClient.h"
#include "tests/nntp/FakeNewsServer.h"
#include "xml/XmlConfig.h"

namespace {

::testing::Environment* const gSockets = ::testing::AddGlobalTestEnvironment(new SocketsEnvironment);

const char kPasswordWrong[] = "You Password is wrong,Please check out your configuration!";

class RecordingDisplay : public NewsDisplay {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void SetHostMessage(const std::string& text) override { hostMessages.push_back(text); }
    std::string CurrentMail() override { return "mail-1"; }
    std::vector<std::string> messages;
    std::vector<std::string> hostMessages;
};

class RecordingDialog : public GroupListView {
public:
    void SetStatus(const std::string& text) override {
        std::lock_guard<std::mutex> hold(lock);
        statuses.push_back(text);
    }
    bool IsCancelled() override { return cancelled; }
    bool Saw(const std::string& prefix) {
        std::lock_guard<std::mutex> hold(lock);
        return std::any_of(statuses.begin(), statuses.end(),
                           [&](const std::string& s) { return s.compare(0, prefix.size(), prefix) == 0; });
    }
    std::mutex lock;
    std::vector<std::string> statuses;
    std::atomic<bool> cancelled{false};
};

class NewsClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        RP_REQUIRE_OR_SKIP(server_.Load(), "the scripted news server is not running");
        Configure(0, "alice", "secret");
        client_.SetPort(server_.NewsPort());
        client_.SetTimeout(2);
    }
    void Configure(int authentication, const std::string& user, const std::string& password) {
        std::string text = "<Setup><Server><ID>1</ID><Location>127.0.0.1</Location><Authenication>" +
                           std::to_string(authentication) + "</Authenication><Username>" + user +
                           "</Username><Password>" + password + "</Password></Server></Setup>";
        ASSERT_TRUE(config_.ParseText(text.c_str()));
    }
    bool Fetch(const char* scenario) {
        server_.Use(scenario);
        return client_.GetGroupList("127.0.0.1", &dialog_);
    }

    FakeNewsServer server_;
    CXmlConfig config_;
    Optex optex_;
    RecordingDisplay display_;
    RecordingDialog dialog_;
    NewsClient client_{NewsContext{&config_, &optex_, &display_}};
};

const std::vector<std::string> kGroups = {"comp.lang.c", "alt.test", ".odd.group"};

TEST_F(NewsClientTest, ListFetchCollectsNamesFromSplitPiecesAndReportsEachStep) {
    ASSERT_TRUE(Fetch("list_ok"));
    EXPECT_EQ(kGroups, client_.GroupNames());
    EXPECT_EQ("CAPABILITIES|MODE READER|LIST", server_.Log());
    EXPECT_TRUE(display_.messages.empty());
    for (const char* status : {"Connecting to the server...", "Connection established!",
                               "Getting group list from the server, Please wait...", "Parsing group list..."})
        EXPECT_TRUE(dialog_.Saw(status)) << status;
    EXPECT_FALSE(dialog_.Saw("Logining"));
    EXPECT_EQ("5 groups retrieved...", dialog_.statuses[dialog_.statuses.size() - 2]);

    // The same client fetches again on a fresh connection and appends.
    ASSERT_TRUE(Fetch("list_ok"));
    std::vector<std::string> twice = kGroups;
    twice.insert(twice.end(), kGroups.begin(), kGroups.end());
    EXPECT_EQ(twice, client_.GroupNames());
}

TEST_F(NewsClientTest, LoginOutcomes) {
    struct Case {
        const char* scenario;
        const char* password;
        bool ok;
        const char* log;
    } cases[] = {
        {"list_ok", "secret", true, "CAPABILITIES|MODE READER|AUTHINFO USER alice|AUTHINFO PASS secret|LIST"},
        // 281 to the user name still leads to the password; only its answer counts
        {"auth_281_user", "secret", true, "CAPABILITIES|MODE READER|AUTHINFO USER alice|AUTHINFO PASS secret|LIST"},
        {"auth_refused", "secret", false, "CAPABILITIES|MODE READER|AUTHINFO USER alice|AUTHINFO PASS secret"},
        {"auth_user_rejected", "secret", false, "CAPABILITIES|MODE READER|AUTHINFO USER alice"},
        // a line break would smuggle a command: nothing is sent
        {"list_ok", "x\r\nLIST", false, "CAPABILITIES|MODE READER"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        Configure(1, "alice", c.password);
        display_.messages.clear();
        display_.hostMessages.clear();
        EXPECT_EQ(c.ok, Fetch(c.scenario));
        EXPECT_EQ(c.log, server_.Log());
        EXPECT_TRUE(dialog_.Saw("Logining to the server..."));
        if (c.ok) {
            EXPECT_TRUE(display_.messages.empty());
        } else {
            EXPECT_EQ(std::vector<std::string>{kPasswordWrong}, display_.messages);
            EXPECT_EQ(std::vector<std::string>{"0 new articles added"}, display_.hostMessages);
        }
        // The configuration lock is free again for other threads.
        bool free = false;
        std::thread other([&] {
            free = optex_.TryEnter();
            if (free)
                optex_.Leave();
        });
        other.join();
        EXPECT_TRUE(free);
    }
}

// A server that never answers the user name: the login waits for it without the configuration
// lock, so every other reader of the configuration goes on meanwhile.
TEST_F(NewsClientTest, TheConfigurationLockIsFreeWhileTheLoginWaits) {
    Configure(1, "alice", "secret");
    client_.SetTimeout(5);
    server_.Use("list_ok AUTHINFO_USER=silence");
    std::atomic<bool> done{false};
    std::thread fetch([&] {
        client_.GetGroupList("127.0.0.1", &dialog_);
        done = true;
    });
    for (int i = 0; i < 500 && !dialog_.Saw("Logining to the server..."); ++i)
        Sleep(10);
    Sleep(300);  // AUTHINFO USER is on its way or waiting for its answer
    bool free = false;
    std::thread other([&] {
        free = optex_.TryEnter();
        if (free)
            optex_.Leave();
    });
    other.join();
    EXPECT_FALSE(done) << "the login ended before the lock was tried";
    EXPECT_TRUE(free);
    fetch.join();
    EXPECT_EQ("CAPABILITIES|MODE READER|AUTHINFO USER alice", server_.Log());
}

// Memory running out (or any other exception) inside the fetch ends it like a failure: shown and
// false; nothing reaches the dialog's thread.
TEST_F(NewsClientTest, ExceptionsOtherThanTheSocketsEndTheFetchAndAreShown) {
    class ThrowingDialog : public RecordingDialog {
    public:
        void SetStatus(const std::string& text) override {
            if (text == "Parsing group list...")
                throw std::bad_alloc();
            RecordingDialog::SetStatus(text);
        }
    } dialog;
    server_.Use("list_ok");
    bool ok = true;
    EXPECT_NO_THROW(ok = client_.GetGroupList("127.0.0.1", &dialog));
    EXPECT_FALSE(ok);
    EXPECT_EQ(std::vector<std::string>{"Unkown Exception Raised."}, display_.messages);
}

TEST_F(NewsClientTest, ErrorRepliesToListAreShownAtOnceWithoutWaitingForATimeout) {
    struct Case {
        const char* scenario;
        const char* shown;
        const char* log;
    } cases[] = {
        // no login configured: none is attempted even though the server demands one
        {"auth_required", "480 authentication required\r\n", "CAPABILITIES|MODE READER|LIST"},
        // a refusing greeting is not examined; the commands fail on their own replies
        {"greeting_502", "502 permission denied\r\n", "CAPABILITIES|MODE READER|LIST"},
    };
    client_.SetTimeout(30);  // a wait for a terminator would show as a hang of the test
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        display_.messages.clear();
        EXPECT_TRUE(Fetch(c.scenario));
        EXPECT_EQ(std::vector<std::string>{c.shown}, display_.messages);
        EXPECT_EQ(c.log, server_.Log());
    }
    EXPECT_TRUE(client_.GroupNames().empty());
}

TEST_F(NewsClientTest, BrokenConversationsFailWithOneMessage) {
    struct Case {
        const char* scenario;
        const char* shown;  // nullptr: any non-timeout text
    } cases[] = {
        {"silent_after_greeting", "Receive timeout"},
        {"silent_mid_list", "Receive timeout"},
        {"disconnect_mid_list", nullptr},
        {"close_at_once", nullptr},
        {"oversize_greeting", nullptr},
        {"oversize_list", nullptr},
    };
    client_.Socket().SetLimits(1024, 64 * 1024);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        display_.messages.clear();
        EXPECT_FALSE(Fetch(c.scenario));
        ASSERT_EQ(1u, display_.messages.size());
        if (c.shown) {
            EXPECT_EQ(c.shown, display_.messages[0]);
        } else {
            EXPECT_EQ(std::string::npos, display_.messages[0].find("timeout")) << display_.messages[0];
        }
    }
    EXPECT_TRUE(client_.GroupNames().empty());
}

class RecordingSync : public SyncView {
public:
    void SetStatus(const std::string& text) override { statuses.push_back(text); }
    void SetItemProgress(int percent) override { progress.push_back(percent); }
    std::vector<std::string> statuses;
    std::vector<int> progress;
};

TEST_F(NewsClientTest, DownloadProgressGoesToTheFirstTargetGiven) {
    struct Case {
        int expectedSize;
        const char* mailId;
        bool withSync;
        int lastPercent;    // of the sync dialog; -1 when it is not given
        bool hostMessages;  // whether the host's status bar is written
    } cases[] = {
        {20, "mail-1", true, 100, false},  // the dialog wins over the host's status bar
        {0, "", true, 0, false},           // no size known: no division, 0%
        {1000, "mail-1", false, -1, true},
        {1000, "other-mail", false, -1, false},  // only the mail on display shows progress
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expectedSize);
        server_.Use("multiline_split");
        CBlockingSocket& socket = client_.Socket();
        socket.Close();
        socket.Create();
        SOCKADDR_IN address = CBlockingSocket::GetHostByName("127.0.0.1", server_.NewsPort());
        socket.Connect(reinterpret_cast<const SOCKADDR*>(&address));

        RecordingSync sync;
        display_.hostMessages.clear();
        std::string reply;
        client_.ReadResponse(&reply, c.expectedSize, c.mailId, c.withSync ? &sync : nullptr, "Subject", nullptr, 2, 1);
        EXPECT_EQ("215 ok\r\nline one\r\nline two\r\n", reply);
        if (c.withSync) {
            ASSERT_FALSE(sync.progress.empty());
            EXPECT_EQ(c.lastPercent, sync.progress.back());
            EXPECT_TRUE(std::is_sorted(sync.progress.begin(), sync.progress.end()));
            EXPECT_EQ(0u, sync.statuses.back().find("Downloading " + std::to_string(c.lastPercent) + "%, "));
            EXPECT_NE(std::string::npos, sync.statuses.back().find(" total - Subject 1/2"));
        }
        EXPECT_EQ(c.hostMessages, !display_.hostMessages.empty());
        if (c.hostMessages) {
            EXPECT_EQ(0u, display_.hostMessages.back().find("Downloading "));
        }
    }
}

TEST_F(NewsClientTest, CancelClosesTheSocketAndItsFailureIsNotShown) {
    client_.SetTimeout(20);
    std::thread canceller([&] {
        for (int i = 0; i < 1000 && !dialog_.Saw("3 groups retrieved") && !dialog_.Saw("4 groups retrieved"); ++i)
            Sleep(10);
        dialog_.cancelled = true;
        client_.Cancel();
    });
    EXPECT_FALSE(Fetch("silent_mid_list"));
    canceller.join();
    EXPECT_TRUE(display_.messages.empty()) << display_.messages[0];
}

}  // namespace
