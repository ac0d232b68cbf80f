#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "nntp/NntpReply.h"
#include "nntp/NntpText.h"
#include "nntp/ProgressGate.h"
#include "nntp/ReplyAssembler.h"
#include "nntp/ReplyBufferPool.h"
#include "nntp/ServerAccount.h"
#include "xml/XmlConfig.h"

namespace {

TEST(ReplyCode, OnlyThreeDigitsFollowedBySpaceOrLineEndAreReplies) {
    struct Case {
        const char* line;
        bool ok;
        int code;
    } cases[] = {
        {"215 list follows\r\n", true, 215},
        {"281\r\n", true, 281},
        {"502", true, 502},
        {"381\n", true, 381},
        {"2150 x\r\n", false, 0},
        {"21 x", false, 0},
        {" 215 x", false, 0},
        {"21a x", false, 0},
        {"215-x", false, 0},
        {"000 x", false, 0},
        {"", false, 0},
        {"600 x", false, 0},
    };
    for (const Case& c : cases) {
        int code = -1;
        EXPECT_EQ(c.ok, ParseReplyCode(c.line, std::string(c.line).size(), &code)) << c.line;
        EXPECT_EQ(c.ok ? c.code : -1, code) << c.line;
    }
}

// Feeds the text in pieces of `step` bytes and returns the assembled reply ("" unless complete).
std::string Assemble(const std::string& wire,
                     size_t step,
                     size_t cap = 1 << 20,
                     MultiLineAssembler::State* last = nullptr) {
    MultiLineAssembler reply(cap);
    MultiLineAssembler::State state = MultiLineAssembler::kMore;
    for (size_t at = 0; at < wire.size() && state == MultiLineAssembler::kMore; at += step)
        state = reply.Append(wire.data() + at, std::min(step, wire.size() - at));
    if (last)
        *last = state;
    return state == MultiLineAssembler::kComplete ? reply.Take() : std::string();
}

TEST(MultiLineReply, TerminatorIsFoundWhateverThePieceBoundaries) {
    const std::string wire = "215 ok\r\nalt.test 10 1 n\r\ncomp.lang.c 12345 1000 y\r\n.\r\n";
    const std::string want = "215 ok\r\nalt.test 10 1 n\r\ncomp.lang.c 12345 1000 y\r\n";
    for (size_t step = 1; step <= wire.size(); ++step)
        EXPECT_EQ(want, Assemble(wire, step)) << "piece size " << step;
}

TEST(MultiLineReply, ShapesOfReplies) {
    struct Case {
        const char* wire;
        const char* want;  // nullptr: not complete
    } cases[] = {
        // empty block: the status line's CR LF starts the terminator
        {"215 none\r\n.\r\n", "215 none\r\n"},
        // stuffed lines lose one dot; the status line is never touched
        {"220 ..x\r\n..hidden\r\n...\r\n.a\r\n.\r\n", "220 ..x\r\n.hidden\r\n..\r\n.a\r\n"},
        // error and garbage status lines end the reply at once
        {"502 no permission\r\n", "502 no permission\r\n"},
        {"480 auth required\r\nrest", "480 auth required\r\n"},
        {"garbage\r\n", "garbage\r\n"},
        // bytes after the terminator belong to nobody and are dropped
        {"215 ok\r\na 1 1 y\r\n.\r\n200 extra\r\n", "215 ok\r\na 1 1 y\r\n"},
        // a line "." inside a longer line or without the CR LF before it is not the end
        {"215 ok\r\nx.\r\n", nullptr},
        {"215 ok\r\na\n.\r\n", nullptr},
        // a dot line right after a bare LF is text; the CR LF before it counts
        {"220 ok\r\na\n..b\r\n.\r\n", "220 ok\r\na\n.b\r\n"},
        {"215 ok\r\n", nullptr},
    };
    // Every split, so that a line whose first bytes arrive in the next piece is seen too.
    for (const Case& c : cases) {
        for (size_t step = 1; step <= 8; ++step) {
            MultiLineAssembler::State state;
            std::string got = Assemble(c.wire, step, 1 << 20, &state);
            if (c.want)
                EXPECT_EQ(c.want, got) << c.wire << " piece size " << step;
            else
                EXPECT_EQ(MultiLineAssembler::kMore, state) << c.wire << " piece size " << step;
        }
    }
}

TEST(MultiLineReply, GrowthBeyondTheCapIsAnOverflowNotMoreMemory) {
    std::string wire = "215 ok\r\n" + std::string(5000, 'x');
    MultiLineAssembler::State state;
    Assemble(wire, 100, 1000, &state);
    EXPECT_EQ(MultiLineAssembler::kOverflow, state);
    // A status line that never ends is capped as well.
    Assemble(std::string(5000, '2'), 100, 1000, &state);
    EXPECT_EQ(MultiLineAssembler::kOverflow, state);
    // Under a large reply cap the status line still keeps to the line cap, ended or not.
    const std::string longStatus = "215 " + std::string(MultiLineAssembler::kMaxStatusLine, 'x');
    for (const std::string& wire : {longStatus, longStatus + "\r\n.\r\n"}) {
        Assemble(wire, 4096, 1 << 24, &state);
        EXPECT_EQ(MultiLineAssembler::kOverflow, state);
    }
}

TEST(MultiLineReply, TakesNothingBeyondTheReplysEnd) {
    const struct {
        const char* first;  // fed before, may be empty
        const char* piece;
        size_t taken;
    } cases[] = {
        {"", "215 ok\r\na\r\n.\r\n200 next\r\n", 14},
        {"", "502 no\r\n200 next\r\n", 8},
        {"215 ok\r\na\r", "\n.\r\n200", 4},  // the terminator split across pieces
        {"215 ok\r\n", "a\r\n", 3},
        {"215 ok\r\n.\r\n", "200 late\r\n", 0},  // nothing once complete
    };
    for (const auto& c : cases) {
        MultiLineAssembler reply(1 << 20);
        reply.Append(c.first, std::strlen(c.first));
        reply.Append(c.piece, std::strlen(c.piece));
        EXPECT_EQ(c.taken, reply.Taken()) << c.first << c.piece;
    }
}

TEST(ProgressGate, ShowsChangesAtMostTwentyTimesASecondAndAlwaysTheLast) {
    const struct {
        long long value;
        uint64_t now;
        bool last;
        bool shown;
    } steps[] = {
        {0, 1000, false, true},   // the first update
        {1, 1010, false, false},  // too soon after it
        {1, 1050, false, true},   // a change, 50 ms on
        {1, 1200, false, false},  // no change, however late
        {2, 1210, false, true},   // a change
        {3, 1230, false, false},  // a change, too soon after the last shown
        {4, 1240, true, true},    // the last, however soon
    };
    ProgressGate gate;
    for (const auto& s : steps)
        EXPECT_EQ(s.shown, gate.Pass(s.value, s.now, s.last)) << s.value << " at " << s.now;
}

TEST(MultiLineReply, CountsLineFeedsForProgress) {
    MultiLineAssembler reply(1 << 20);
    reply.Append("215 ok\r\na 1 1 y\r\nb", 18);
    EXPECT_EQ(2u, reply.LineFeeds());
}

TEST(ReplyBufferPool, HandsTheSpareOnlyToAReplyItFits) {
    const size_t kMb = 1u << 20;
    const struct {
        size_t spare;  // room of the buffer given back
        size_t wanted;
        bool kept;    // the pool holds it
        bool reused;  // the next Take gets that very buffer
    } cases[] = {
        {2 * kMb, 2 * kMb, true, true},     {3 * kMb, 2 * kMb, true, true},
        {5 * kMb, 2 * kMb, true, false},     // more than twice the need
        {2 * kMb, 3 * kMb, true, false},     // too small
        {2 * kMb, kMb / 2, true, false},     // small replies are the heap's
        {kMb / 2, kMb / 2, false, false},    // too small to keep
        {40 * kMb, 30 * kMb, false, false},  // too large to keep idle
    };
    for (const auto& c : cases) {
        ReplyBufferPool::Release();
        std::string given;
        given.reserve(c.spare);
        given.assign("old text");
        const char* buffer = given.data();
        ReplyBufferPool::GiveBack(std::move(given));
        EXPECT_EQ(c.kept, ReplyBufferPool::SpareCapacity() >= c.spare) << c.spare;
        std::string taken = ReplyBufferPool::Take(c.wanted);
        EXPECT_TRUE(taken.empty());
        EXPECT_GE(taken.capacity(), c.wanted);
        // A buffer that was freed may come back from the heap at the same place: only a kept one
        // says anything.
        if (c.kept) {
            EXPECT_EQ(c.reused, taken.data() == buffer) << c.spare << " for " << c.wanted;
        }
    }
    ReplyBufferPool::Release();
    EXPECT_EQ(0u, ReplyBufferPool::SpareCapacity());
}

TEST(StatusLine, EndsAtTheFirstLineFeedAndIsCapped) {
    LineAssembler line(10);
    EXPECT_EQ(4u, line.Append("200\r", 4));
    EXPECT_FALSE(line.IsComplete());
    EXPECT_EQ(1u, line.Append("\nnext", 5));
    EXPECT_TRUE(line.IsComplete());
    EXPECT_EQ("200\r\n", line.Line());

    LineAssembler longLine(10);
    longLine.Append("0123456789", 10);
    EXPECT_FALSE(longLine.IsOverflow());
    longLine.Append("a", 1);
    EXPECT_TRUE(longLine.IsOverflow());
}

TEST(GroupList, NamesAreTheTextBeforeTheFirstSeparator) {
    const struct {
        const char* reply;
        std::vector<std::string> names;
    } cases[] = {
        {"215 list\r\ncomp.lang.c 12345 1000 y\r\nalt.test 10 1 n\r\n\r\nnospace\r\ntab\tx\r\ncut",
         {"comp.lang.c", "alt.test", "nospace", "tab"}},
        // Found by fuzzing: a bare line feed inside a line must not end up inside a name.
        {"215 list\r\nbad\ngroup 1 1 y\r\nlone\rcr\r\n", {"bad", "lone"}},
        {"215 list\r\n.\r\n", {}},
        {"502 denied\r\n", {}},
        {"no line end", {}},
    };
    for (const auto& c : cases) {
        // Both forms append to what was there.
        std::vector<std::string> names{"kept.first"};
        ParseGroupList(c.reply, &names);
        std::vector<std::string> expected{"kept.first"};
        expected.insert(expected.end(), c.names.begin(), c.names.end());
        EXPECT_EQ(expected, names) << c.reply;
        std::string stored = "kept.first,", expectedText;
        for (const std::string& name : expected)
            expectedText += name + ",";
        AppendGroupListText(c.reply, &stored);
        EXPECT_EQ(expectedText, stored) << c.reply;
        std::string inPlace = c.reply;
        MakeGroupListText(&inPlace);
        EXPECT_EQ(expectedText.substr(std::strlen("kept.first,")), inPlace) << c.reply;
    }
}

TEST(Commands, LineBreaksInArgumentsAreRefused) {
    std::string command = "untouched";
    EXPECT_TRUE(BuildCommand("AUTHINFO USER", "alice", &command));
    EXPECT_EQ("AUTHINFO USER alice\r\n", command);
    const std::string bad[] = {"a\r\nLIST", "a\nb", "a\rb", std::string("a\0b", 3)};
    for (const std::string& argument : bad) {
        command = "untouched";
        EXPECT_FALSE(BuildCommand("AUTHINFO PASS", argument, &command));
        EXPECT_EQ("untouched", command);
    }
}

TEST(SocketErrorText, FormatsAndCutsToTheCallersBuffer) {
    char buffer[64];
    FormatSocketError("Receive timeout", 0, buffer, sizeof buffer);
    EXPECT_STREQ("Receive timeout error", buffer);
    FormatSocketError("Connect Failed", 10061, buffer, sizeof buffer);
    EXPECT_STREQ("Connect Failed error #10061", buffer);
    FormatSocketError("Connect Failed", 10061, buffer, 5);
    EXPECT_STREQ("Conn", buffer);
    EXPECT_FALSE(FormatSocketError("x", 1, buffer, 0));

    EXPECT_TRUE(IsTimeoutMessage("Send timeout"));
    EXPECT_TRUE(IsTimeoutMessage("Receive timeout"));
    EXPECT_FALSE(IsTimeoutMessage("Receive Failed"));
}

TEST(Progress, PercentIsBoundedAndNeverDividesByZero) {
    struct Case {
        long long received, expected;
        int percent;
    } cases[] = {{0, 100, 0},
                 {50, 100, 50},
                 {99, 100, 99},
                 {150, 100, 100},
                 {10, 0, 0},
                 {10, -5, 0},
                 {(1LL << 62), (1LL << 62) + 1, 99}};
    for (const Case& c : cases)
        EXPECT_EQ(c.percent, DownloadPercent(c.received, c.expected)) << c.received << "/" << c.expected;
    EXPECT_EQ("Downloading 42%, 1.5 KB total - alt.test 3/7", FormatSyncProgress(42, "1.5 KB", "alt.test", 3, 7));
    EXPECT_EQ("Downloading 100%, 30 bytes total", FormatHostProgress(100, "30 bytes"));
    EXPECT_EQ("12 groups retrieved...", FormatGroupsRetrieved(12));
}

TEST(ServerAccount, FoundByLocationWithDefaultsForMissingFields) {
    CXmlConfig config;
    ASSERT_TRUE(config.ParseText(
        "<Setup><Server><ID>1</ID><Location>news.one</Location><Authenication>1</Authenication></Server>"
        "<Server><Location>news.two</Location><Authenication>2</Authenication><Username>bob</Username>"
        "<Password>pw</Password></Server></Setup>"));

    ServerAccount one = ReadServerAccount(config, "news.one");
    EXPECT_EQ(1, one.authentication);
    EXPECT_EQ("", one.username);
    ServerAccount two = ReadServerAccount(config, "news.two");
    EXPECT_EQ(2, two.authentication);
    EXPECT_EQ("bob", two.username);
    EXPECT_EQ("pw", two.password);
    ServerAccount none = ReadServerAccount(config, "news.three");
    EXPECT_EQ(0, none.authentication);
    EXPECT_EQ(kSecurityPlain, one.security) << "a record written before TLS reads as plain";
}

TEST(ServerAccount, SecurityAndTrustAreReadAndTheTrustRewritten) {
    CXmlConfig config;
    ASSERT_TRUE(
        config.ParseText("<Setup><Server><Location>a</Location><Security>2</Security></Server>"
                         "<Server><Location>b:563</Location><Security>7</Security>"
                         "<TrustedCertificate>AA:BB</TrustedCertificate></Server></Setup>"));
    EXPECT_EQ(kSecurityStartTls, ReadServerAccount(config, "a").security);
    ServerAccount b = ReadServerAccount(config, "b:563");
    EXPECT_EQ(kSecurityPlain, b.security) << "an unknown mode is never taken for TLS or STARTTLS";
    EXPECT_EQ("AA:BB", b.trustedCertificate);
    EXPECT_TRUE(WriteTrustedCertificate(config, "b:563", "CC:DD"));
    EXPECT_TRUE(WriteTrustedCertificate(config, "a", "EE:FF"));
    EXPECT_FALSE(WriteTrustedCertificate(config, "c", "00:11"));
    EXPECT_EQ("CC:DD", ReadServerAccount(config, "b:563").trustedCertificate);
    EXPECT_EQ("EE:FF", ReadServerAccount(config, "a").trustedCertificate);
}

TEST(ServerAccount, LocationGivesHostAndPort) {
    const struct {
        const char* location;
        int security;
        bool ok;
        const char* host;
        unsigned short port;
    } cases[] = {
        {"news.a", kSecurityPlain, true, "news.a", 119},
        {"news.a", kSecurityTls, true, "news.a", 563},
        {"news.a", kSecurityStartTls, true, "news.a", 119},
        {"news.a:8119", kSecurityTls, true, "news.a", 8119},
        {"news.a:65535", 0, true, "news.a", 65535},
        {"news.a:0", 0, false, "", 0},
        {"news.a:65536", 0, false, "", 0},
        {"news.a:", 0, false, "", 0},
        {"news.a:1x", 0, false, "", 0},
        {":119", 0, false, "", 0},
    };
    for (const auto& c : cases) {
        std::string host;
        unsigned short port = 0;
        EXPECT_EQ(c.ok, SplitServerLocation(c.location, c.security, &host, &port)) << c.location;
        if (c.ok) {
            EXPECT_EQ(c.host, host) << c.location;
            EXPECT_EQ(c.port, port) << c.location;
        }
    }
}

TEST(Capabilities, ALabelCountsOnlyAsTheFirstWordOfAListedLine) {
    const std::string reply = "101 Capability list: STARTTLS\r\nVERSION 2\r\nstarttls\r\nAUTHINFO USER\r\n";
    EXPECT_TRUE(HasCapability(reply, "STARTTLS"));
    EXPECT_TRUE(HasCapability(reply, "AUTHINFO"));
    EXPECT_FALSE(HasCapability(reply, "USER"));
    EXPECT_FALSE(HasCapability("101 list STARTTLS\r\nVERSION 2\r\n", "STARTTLS")) << "the status line is no capability";
    EXPECT_FALSE(HasCapability("101 list\r\nSTARTTLSX\r\n", "STARTTLS"));
    // An argument counts only on its own label's line.
    const std::string compress = "101 list\r\nCOMPRESS GZIP deflate\r\nOVER DEFLATE\r\nCOMPRESS\r\n";
    EXPECT_TRUE(HasCapability(compress, "COMPRESS", "DEFLATE"));
    EXPECT_FALSE(HasCapability(compress, "COMPRESS", "ZSTD"));
    EXPECT_FALSE(HasCapability("101 list\r\nOVER DEFLATE\r\nCOMPRESS\r\n", "COMPRESS", "DEFLATE"));
}

}  // namespace
