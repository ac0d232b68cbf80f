// Headers-only group updates: overview lines, placeholder messages, the GROUP answer and the
// range that follows from it, and the unstuffing of multi-line replies.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "mime/MimeMessage.h"
#include "nntp/GroupReply.h"
#include "nntp/Overview.h"
#include "nntp/ReplyAssembler.h"

namespace {

std::string Joined(const OverviewFields& f) {
    return f.number + "|" + f.subject + "|" + f.from + "|" + f.date + "|" + f.messageId + "|" + f.references + "|" +
           f.bytes + "|" + f.lines;
}

TEST(OverviewLine, EveryTabSeparatesSoEmptyFieldsKeepTheRestInPlace) {
    static const char kBroken[] = "7\tA\r\nX-RILLPOST-FLAG: TRUE\tf\0g\td\t<m>\t\t1\t1";
    struct Case {
        std::string line, fields;
    } cases[] = {
        {"7\tHi\ta@b\tMon\t<m@x>\t<r@x>\t1234\t20\tXref: x", "7|Hi|a@b|Mon|<m@x>|<r@x>|1234|20"},
        {"7\t\ta@b\td\t<m@x>\t\t99\t3", "7||a@b|d|<m@x>||99|3"},  // empty subject and References
        {"7\tS\ta@b", "7|S|a@b|||||"},                            // missing trailing fields
        // line breaks and NUL cannot survive into a header value
        {std::string(kBroken, sizeof kBroken - 1), "7|A  X-RILLPOST-FLAG: TRUE|f g|d|<m>||1|1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.fields, Joined(SplitOverviewLine(c.line))) << c.line;

    for (auto [bytes, size] : {std::pair<const char*, int>{"12ab", 12}, {"", 0}, {"99999999999999999999", INT_MAX}}) {
        ArticleRecord r = ParseOverviewLine(std::string("1\tS\tF\tD\t<id>\t\t") + bytes + "\t3");
        EXPECT_EQ(size, r.size) << bytes;
        EXPECT_EQ("S", r.subject);
        EXPECT_EQ("<id>", r.messageId);
    }
}

TEST(OverviewMessage, HeadersInFixedOrderThenThePlaceholderBody) {
    std::string subject, id;
    std::string text = BuildOverviewMessage(
        "42\t=?gb2312?B?xOO6ww==?=\tA <a@b>\tMon, 1 Jan 2024\t<m@x>\t<r@x> <s@x>\t5120\t80\tXref: h g:42", "alt.test",
        &subject, &id);
    EXPECT_EQ(
        "Subject: =?gb2312?B?xOO6ww==?=\r\nFrom: A <a@b>\r\nDate: Mon, 1 Jan 2024\r\nMessage-ID: <m@x>\r\n"
        "References: <r@x> <s@x>\r\nX-RILLPOST-SIZE: 5120\r\nLine: 80\r\nNewsgroups: alt.test\r\n"
        "X-RILLPOST-FLAG: FALSE\r\n\r\nBody hasn't been downloaded now,please wait...",
        text);
    EXPECT_EQ("=?gb2312?B?xOO6ww==?=", subject);
    EXPECT_EQ("<m@x>", id);

    // References only when the field begins with "<"; size and line count stay in place.
    text = BuildOverviewMessage("1\t\tF\tD\t<m>\tnot-a-ref\t10\t2", "g", nullptr, nullptr);
    EXPECT_EQ(std::string::npos, text.find("References"));
    EXPECT_NE(std::string::npos, text.find("Subject: \r\nFrom: F\r\n"));
    EXPECT_NE(std::string::npos, text.find("X-RILLPOST-SIZE: 10\r\nLine: 2\r\n"));

    // line breaks in the fields or the group name cannot add headers
    text = BuildOverviewMessage("1\tS\r\nX-RILLPOST-FLAG: TRUE\tF\nX-Evil: 1\tD\t<m>", "g\r\nX-G: 2", nullptr, nullptr);
    MimeMessage message;
    ASSERT_GT(message.Load(text.data(), static_cast<int>(text.size())), 0);
    EXPECT_EQ(8u, message.Fields().size());
    EXPECT_EQ("FALSE", message.GetFieldValue("X-RILLPOST-FLAG"));
}

// The placeholder is written directly for speed; it must stay the text that the message model
// writes for the same fields, which stored placeholders were made with.
TEST(OverviewMessage, SameTextAsTheMessageModelWrites) {
    const std::string longSubject = "Re: " + std::string(300, 'w') + " " + std::string(900, 'y') + " end";
    const std::string lines[] = {
        "1\tplain\tA <a@b>\tMon, 1 Jan 2024 10:00:00 +0000\t<m@x>\t<r@x>\t100\t3",
        "2\t" + longSubject + "\tA\tD\t<m2@x>\t\t99999\t1",
        "3\t\xC4\xE3\xBA\xC3 =?utf-8?Q?caf=C3=A9?=\t\xD5\xC5 <z@y>\tD\t<m3@x>\t<a@b>\t1\t1",
        "4\t\t\t\t\t\t\t",
        "5",
    };
    for (const std::string& line : lines) {
        OverviewFields f = SplitOverviewLine(line);
        MimeMessage model;
        model.SetField("Subject", f.subject);
        model.SetField("From", f.from);
        model.SetField("Date", f.date);
        model.SetField("Message-ID", f.messageId);
        if (!f.references.empty() && f.references[0] == '<')
            model.SetField("References", f.references);
        model.SetField("X-RILLPOST-SIZE", f.bytes);
        model.SetField("Line", f.lines);
        model.SetField("Newsgroups", "alt.test");
        model.SetField("X-RILLPOST-FLAG", "FALSE");
        model.SetContent("Body hasn't been downloaded now,please wait...", 0);
        std::string expected;
        ASSERT_TRUE(model.StoreToString(expected));
        EXPECT_EQ(expected, BuildOverviewMessage(line, "alt.test", nullptr, nullptr)) << line.substr(0, 40);
    }
}

TEST(OverviewReply, LinesBetweenCrLfAfterTheStatusLine) {
    EXPECT_EQ((std::vector<std::string>{"1\ta", "2\tb\nc"}),
              SplitOverviewReply("224 follows\r\n1\ta\r\n2\tb\nc\r\n\r\n3\tafter-empty\r\n"));
    EXPECT_EQ((std::vector<std::string>{"1\ta"}), SplitOverviewReply("224 ok\r\n1\ta\r\ncut"));
    EXPECT_TRUE(SplitOverviewReply("224 ok").empty());
}

TEST(GroupReply, OnlyAWellFormed211SelectsTheGroup) {
    GroupReply r = ParseGroupReply("211 5000 15001 20000 alt.test\r\n");
    EXPECT_TRUE(r.selected);
    EXPECT_EQ(5000, r.count);
    EXPECT_EQ(15001, r.first);
    EXPECT_EQ(20000, r.last);
    EXPECT_EQ("alt.test", r.name);
    EXPECT_TRUE(ParseGroupReply("211  3  1  3").selected);

    const std::pair<const char*, int> refused[] = {
        {"411 no such group\r\n", 411}, {"480 authentication required\r\n", 480}, {"502 access denied", 502},
        {"garbage 211 1 2 3", 0},       {"211 group selected\r\n", 211},          {"211 5 1\r\n", 211},
        {"211 5 1 9x g", 211},          {"211 1 1 1234567890123456789 g", 211},
    };
    for (const auto& c : refused) {
        r = ParseGroupReply(c.first);
        EXPECT_FALSE(r.selected) << c.first;
        EXPECT_EQ(c.second, r.code) << c.first;
        EXPECT_EQ(0, r.last) << c.first;
    }
}

TEST(XoverRange, FromLastNumberLimitedByMaxNumAndNeverEmpty) {
    struct Case {
        long long lastNumber, count, last;
        int maxNum, style;
        bool send;
        long long start;
    } cases[] = {
        {0, 5000, 20000, 100, 1, true, 19901},  // first update: the newest MaxNum
        {0, 30, 20000, 100, 1, true, 19971},    // ... or the whole count when smaller
        {20001, 5000, 20050, 100, 1, true, 20001},
        {20001, 5000, 20050, 30, 0, true, 20021},
        {20001, 5000, 20050, 100, 0, true, 20001},
        {20051, 5000, 20050, 100, 1, false, 20051},  // nothing new: no XOVER
        {0, 0, 0, 100, 1, false, 1},                 // empty group
        {0, 50, 10, 100, 1, true, 1},                // never below 1
        {-5, 10, 10, 100, 1, true, 1},
    };
    for (const Case& c : cases) {
        GroupReply group;
        group.selected = true;
        group.count = c.count;
        group.last = c.last;
        XoverRange r = ChooseXoverRange(c.lastNumber, group, c.maxNum, c.style);
        EXPECT_EQ(c.send, r.send) << c.lastNumber << " " << c.last;
        EXPECT_EQ(c.start, r.start) << c.lastNumber << " " << c.last;
        EXPECT_EQ(c.last, r.end);
        EXPECT_EQ(c.last + 1, r.newLastNumber);
    }
    XoverRange r;
    r.start = 19901;
    r.end = 20000;
    EXPECT_EQ("XOVER 19901-20000\r\n", FormatXoverCommand(r));
}

TEST(MultiLineReply, DotLinesInsideAnArticleArriveIntact) {
    // On the wire every line starting with "." gets one more: "." is sent "..", ".." is sent "...".
    const std::string wire = "220 0 <m@x> article\r\nSubject: s\r\n\r\n..\r\n...\r\n..x\r\nend\r\n.\r\n";
    MultiLineAssembler reply(1 << 16);
    for (char c : wire)
        reply.Append(&c, 1);
    ASSERT_EQ(MultiLineAssembler::kComplete, reply.GetState());
    EXPECT_EQ("220 0 <m@x> article\r\nSubject: s\r\n\r\n.\r\n..\r\n.x\r\nend\r\n", reply.Take());
}

}  // namespace
