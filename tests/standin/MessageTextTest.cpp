#include "standin/MessageText.h"

#include <gtest/gtest.h>

namespace {

const char kMessage[] =
    "From: a@example.com\r\n"
    "Subject: first line\r\n"
    "\tcontinued\r\n"
    "X-RILLPOST-FLAG: FALSE\r\n"
    "\r\n"
    "Subject: in the body\r\n";

TEST(MessageText, GetHeaderIgnoresCaseJoinsFoldsAndStopsAtBody) {
    struct Case {
        const char* name;
        const char* value;
        bool present;
    } cases[] = {
        {"subject", "first line continued", true},
        {"X-Rillpost-Flag", "FALSE", true},
        {"From", "a@example.com", true},
        {"To", "", false},
        {"Subj", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.value, messagetext::GetHeader(kMessage, c.name)) << c.name;
        EXPECT_EQ(c.present, messagetext::HasHeader(kMessage, c.name)) << c.name;
    }
    // An empty value is still a field.
    EXPECT_TRUE(messagetext::HasHeader("References:\r\n\r\nbody\r\n", "References"));
}

TEST(MessageText, SetHeaderReplacesFieldWithItsContinuation) {
    std::string out = messagetext::SetHeader(kMessage, "SUBJECT", "new");
    EXPECT_EQ("From: a@example.com\r\nSUBJECT: new\r\nX-RILLPOST-FLAG: FALSE\r\n\r\nSubject: in the body\r\n", out);
}

TEST(MessageText, SetHeaderAppendsMissingFieldBeforeTheBlankLine) {
    std::string out = messagetext::SetHeader(kMessage, "Newsgroups", "comp.lang.c");
    EXPECT_EQ("comp.lang.c", messagetext::GetHeader(out, "Newsgroups"));
    EXPECT_NE(std::string::npos, out.find("FALSE\r\nNewsgroups: comp.lang.c\r\n\r\nSubject: in the body"));
}

TEST(MessageText, SetHeaderOnTextsWithoutBodyOrLineEnds) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"", "To: x\r\n\r\n"},
        {"From: a", "From: a\r\nTo: x\r\n\r\n"},
        {"From: a\n\nbody\n", "From: a\nTo: x\r\n\nbody\n"},
        {"To: old", "To: x\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.out, messagetext::SetHeader(c.in, "To", "x")) << c.in;
}

TEST(MessageText, HeaderBlockLengthIncludesTheBlankLine) {
    EXPECT_EQ(std::string(kMessage).find("\r\n\r\n") + 4, messagetext::HeaderBlockLength(kMessage));
    EXPECT_EQ(9u, messagetext::HeaderBlockLength("From: a\r\n"));
    EXPECT_EQ(0u, messagetext::HeaderBlockLength(""));
}

TEST(MessageText, ToCrLfNormalizesEveryLineEnd) {
    EXPECT_EQ("a\r\nb\r\nc\r\n\r\nd", messagetext::ToCrLf("a\nb\r\nc\r\rd"));
    EXPECT_EQ("", messagetext::ToCrLf(""));
}

}  // namespace
