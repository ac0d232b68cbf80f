// Article preparation: which messages are articles, the header rebuild, and the bytes sent after
// POST, checked by reading them back the way a server reads them.
#include <gtest/gtest.h>

#include <string>

#include "nntp/ArticleFramer.h"
#include "nntp/ArticleText.h"
#include "nntp/ReplyAssembler.h"

namespace {

const char kVersion[] = "2.50.01";

// The article as a reader gets it back: the terminator found, stuffing dots taken off.
std::string ReadBack(const std::string& wire) {
    MultiLineAssembler reply(1 << 20);
    std::string status = "240 ok\r\n";
    reply.Append(status.data(), status.size());
    EXPECT_EQ(reply.Append(wire.data(), wire.size()), MultiLineAssembler::kComplete);
    return reply.Take().substr(status.size());
}

TEST(ArticleTextTest, FramingStuffsDotsAndEndsEveryLineWithCrLf) {
    struct Case {
        const char* text;
        const char* wire;
        const char* readBack;
    } cases[] = {
        {"a\r\nb\r\n", "a\r\nb\r\n.\r\n", "a\r\nb\r\n"},
        {"a\r\nb", "a\r\nb\r\n.\r\n", "a\r\nb\r\n"},
        {".\r\n..\r\n.x\r\nend", "..\r\n...\r\n..x\r\nend\r\n.\r\n", ".\r\n..\r\n.x\r\nend\r\n"},
        {"a\nb\rc\r\n", "a\r\nb\r\nc\r\n.\r\n", "a\r\nb\r\nc\r\n"},
        {"a\n.\r.b", "a\r\n..\r\n..b\r\n.\r\n", "a\r\n.\r\n.b\r\n"},
        {"a\r\r\n", "a\r\n\r\n.\r\n", "a\r\n\r\n"},
        {"", ".\r\n", ""},
        {"x.\r\n .", "x.\r\n .\r\n.\r\n", "x.\r\n .\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string wire = FrameArticle(c.text);
        EXPECT_EQ(wire, c.wire);
        EXPECT_EQ(ReadBack(wire), c.readBack);
    }
}

// Lines are scanned eight bytes at a time: a line end at every place in a word, of every kind,
// followed by a dot line, frames as a line end found byte by byte would.
TEST(ArticleTextTest, FramingFindsLineEndsAnywhereInALongLine) {
    const char* ends[] = {"\r\n", "\n", "\r"};
    for (size_t at = 0; at < 20; ++at)
        for (const char* end : ends) {
            std::string head(at, 'a'), tail(at, 'c');
            std::string text = head + end + ".b" + tail + end + tail;
            std::string wire = head + "\r\n..b" + tail + "\r\n" + tail + (at ? "\r\n" : "") + ".\r\n";
            SCOPED_TRACE(testing::Message() << at << " " << (end[0] == '\r' ? "CR" : "LF") << end[1]);
            EXPECT_EQ(FrameArticle(text), wire);
            ArticleFramer framer(text);
            EXPECT_EQ(framer.Size(), wire.size());
        }
}

TEST(ArticleTextTest, OnlyTheXMailerFieldOfTheHeaderMarksAnArticle) {
    const std::string mailer = XMailerValue(kVersion);
    struct Case {
        std::string message;
        bool article;
    } cases[] = {
        {"To: a\r\nX-Mailer: " + mailer + "\r\nSubject: s\r\n\r\nbody\r\n", true},
        {"x-mailer:" + mailer + "  \r\n\r\n", true},
        {"X-Mailer: " + mailer + "\r\n", true},  // a header without a body
        // A mail quoting an article's header block in its body is mail.
        {"To: a\r\n\r\n> X-Mailer: " + mailer + "\r\nX-Mailer: " + mailer + "\r\n", false},
        {"Subject: X-Mailer: " + mailer + "\r\n\r\n", false},
        {"X-Mailer: " + XMailerValue("2.50.02") + "\r\n\r\n", false},
        {"X-Mailer: " + mailer + " and more\r\n\r\n", false},
        {"X-Mailers: " + mailer + "\r\n\r\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(IsNewsArticle(c.message, kVersion), c.article);
    }
}

TEST(ArticleTextTest, RebuildKeepsRepeatedFieldsInPlaceAndDecodesWords) {
    std::string article =
        "Received: from one\r\nSubject: =?gb2312?B?xOO6ww==?=\r\nReceived: from two\r\n"
        "Newsgroups: fake.test\r\n\r\n.\r\n..\r\nbody\r\n";
    std::string rebuilt = RebuildHeaderFields(article);
    EXPECT_EQ(rebuilt.find("Received: from one\r\nSubject: \xC4\xE3\xBA\xC3\r\nReceived: from two\r\n"), 0u) << rebuilt;
    EXPECT_NE(rebuilt.find("\r\n\r\n.\r\n..\r\nbody\r\n"), std::string::npos);
    EXPECT_EQ(ArticleSubject(article), "\xC4\xE3\xBA\xC3");
}

TEST(ArticleTextTest, DecodedLineBreaksCannotStartALine) {
    // "a\r\nNewsgroups: evil\0b" encoded: once decoded it must not become a field of its own.
    std::string article =
        "Subject: =?us-ascii?Q?a=0D=0ANewsgroups:_evil=00b?=\r\nNewsgroups: fake.test\r\n\r\nbody\r\n";
    std::string rebuilt = RebuildHeaderFields(article);
    EXPECT_EQ(rebuilt.find("\nNewsgroups: evil"), std::string::npos) << rebuilt;
    EXPECT_NE(rebuilt.find("Subject: a  Newsgroups: evil b\r\n"), std::string::npos) << rebuilt;
}

TEST(ArticleTextTest, RebuildKeepsFoldsAndFoldsOverlongLines) {
    const std::string words = [] {
        std::string text;
        for (int i = 0; i < 300; ++i)
            text += "word" + std::to_string(i) + " ";
        return text + "end";
    }();
    const std::string unbroken(1200, 'x');
    const struct {
        const char* name;
        std::string subject;   // as written in the article
        std::string expected;  // the Subject field as posted, up to its final CR LF
    } cases[] = {
        {"a fold stays", "part one\r\n\tpart two", "part one\r\n\tpart two"},
        {"an encoded LF is a blank", "=?us-ascii?Q?a=0Ab?=", "a b"},
        {"an encoded CR is a blank", "=?us-ascii?Q?a=0Db?=", "a b"},
        {"a line of blanks is no fold", "=?us-ascii?Q?a=0D=0A=20?=", "a   "},
        {"one unbroken word stays long", unbroken, unbroken},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string rebuilt = RebuildHeaderFields("Subject: " + c.subject + "\r\nNewsgroups: a.b\r\n\r\nbody\r\n");
        EXPECT_EQ(rebuilt, "Subject: " + c.expected + "\r\nNewsgroups: a.b\r\n\r\nbody\r\n");
    }

    // A long line is folded at blanks, no line over 998 bytes, and unfolding gives it back.
    std::string rebuilt = RebuildHeaderFields("Subject: " + words + "\r\n\r\nbody\r\n");
    std::string header = rebuilt.substr(0, rebuilt.find("\r\n\r\n"));
    size_t lines = 0;
    for (size_t at = 0, end; at <= header.size(); at = end + 2, ++lines) {
        end = header.find("\r\n", at);
        if (end == std::string::npos)
            end = header.size();
        EXPECT_LE(end - at, 998u);
        if (at > 0) {
            EXPECT_EQ(header[at], ' ');
            EXPECT_LT(header.find_first_not_of(" \t", at), end) << "a fold holding only blanks";
        }
    }
    EXPECT_GE(lines, 3u);
    std::string unfolded = header;
    for (size_t at; (at = unfolded.find("\r\n")) != std::string::npos;)
        unfolded.erase(at, 2);
    EXPECT_EQ(unfolded, "Subject: " + words);
}

}  // namespace
