// The group list read line by line must give what assembling the whole reply and parsing it
// gives: the same names, end, line count and, for a reply other than 215, the same text, however
// the reply is cut into pieces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nntp/GroupListReader.h"
#include "nntp/NntpText.h"
#include "nntp/ReplyAssembler.h"

namespace {

struct Outcome {
    MultiLineAssembler::State state;
    std::vector<std::string> names;
    size_t lineFeeds;
    std::string text;
};

// The whole reply assembled, then parsed.
Outcome Assembled(const std::string& wire, size_t piece, size_t maxBytes) {
    MultiLineAssembler reply(maxBytes);
    for (size_t at = 0; at < wire.size() && reply.GetState() == MultiLineAssembler::kMore; at += piece)
        reply.Append(wire.data() + at, std::min(piece, wire.size() - at));
    Outcome out{reply.GetState(), {}, reply.LineFeeds(), {}};
    if (out.state == MultiLineAssembler::kComplete) {
        out.text = reply.Take();
        ParseGroupList(out.text, &out.names);
        if (out.text.compare(0, 4, "215 ") == 0)
            out.text = out.text.substr(0, out.text.find('\n') + 1);
    }
    return out;
}

Outcome Read(const std::string& wire, size_t piece, size_t maxBytes) {
    Outcome out{MultiLineAssembler::kMore, {}, 0, {}};
    GroupListReader reader(maxBytes, &out.names);
    for (size_t at = 0; at < wire.size() && reader.GetState() == MultiLineAssembler::kMore; at += piece)
        reader.Append(wire.data() + at, std::min(piece, wire.size() - at));
    out.state = reader.GetState();
    out.lineFeeds = reader.LineFeeds();
    if (out.state == MultiLineAssembler::kComplete)
        out.text = reader.Text();
    else
        out.names.clear();  // a list that did not end is not used
    return out;
}

TEST(GroupListReader, GivesWhatTheWholeReplyParsedGives) {
    std::string many = "215 list\r\n";
    for (int i = 0; i < 300; ++i)
        many += (i % 7 == 0 ? ".." : "") + std::string("big.group") + std::to_string(i) + " 10 1 y\r\n";
    many += ".\r\n";
    struct Case {
        std::string wire;
        size_t maxBytes;
    } cases[] = {
        {"215 list\r\ncomp.lang.c 12345 1000 y\r\nalt.test 10 1 n\r\n..odd.group 1 1 y\r\n.\r\n", 1 << 20},
        {"215 empty\r\n.\r\n", 1 << 20},
        {"215 x\r\n\r\nnospace\r\ntab\tx\r\n..\r\n...\r\nbad\ngroup 1\r\nlone\rcr\r\n\r\r\n.\r\nAFTER 1\r\n", 1 << 20},
        {"215 bare lf\n.\r\nfirst 1\r\nsecond 2\r\n.\r\n", 1 << 20},
        {"215 bare lf\nskipped\r\n.\r\n", 1 << 20},
        {"211 not a list\r\nx y\r\n..z w\r\n.\r\n", 1 << 20},
        {"502 denied\r\n", 1 << 20},
        {"garbage\r\nmore\r\n", 1 << 20},
        {"215 unended\r\na 1\r\n.\r", 1 << 20},
        {"215 capped\r\n" + std::string(40, 'a') + "\r\nb\r\n.\r\n", 48},
        {"215 " + std::string(20000, 'x'), 1 << 20},
        {many, 1 << 20},
    };
    for (const Case& c : cases) {
        for (size_t piece : {c.wire.size(), size_t{1}, size_t{2}, size_t{7}, size_t{4096}}) {
            if (piece == 0)
                continue;
            Outcome want = Assembled(c.wire, piece, c.maxBytes);
            Outcome got = Read(c.wire, piece, c.maxBytes);
            SCOPED_TRACE(c.wire.substr(0, 60) + " in pieces of " + std::to_string(piece));
            EXPECT_EQ(want.state, got.state);
            if (want.state != MultiLineAssembler::kComplete)
                continue;
            EXPECT_EQ(want.names, got.names);
            EXPECT_EQ(want.lineFeeds, got.lineFeeds);
            EXPECT_EQ(want.text, got.text);
        }
    }
}

}  // namespace
