#include "standin/ScriptLine.h"

#include <gtest/gtest.h>

namespace {

using Words = std::vector<std::string>;

TEST(ScriptLine, SplitsWordsQuotesAndEscapes) {
    struct Case {
        const char* line;
        Words words;
    } cases[] = {
        {"select folder news.mb\\!!!!Inbox\\comp.lang.c\\", {"select", "folder", "news.mb\\!!!!Inbox\\comp.lang.c\\"}},
        {"  dialog set 1014  \"Your Name\"  ", {"dialog", "set", "1014", "Your Name"}},
        {"message f \"a\\r\\nb\\t\\\"q\\\"\\\\\"", {"message", "f", "a\r\nb\t\"q\"\\"}},
        {"print \"\\xC4\\xE3\"", {"print", "\xC4\xE3"}},
        {"print \"C:\\Data\\Mail\"", {"print", "C:\\Data\\Mail"}},
        {"# a comment", {}},
        {"select mail #2 # the third", {"select", "mail", "#2"}},
        {"print \"# not a comment\"", {"print", "# not a comment"}},
        {"print \"\"", {"print", ""}},
        {"", {}},
    };
    for (const Case& c : cases) {
        Words words;
        std::string error;
        EXPECT_TRUE(scriptline::Split(c.line, &words, &error)) << c.line << ": " << error;
        EXPECT_EQ(c.words, words) << c.line;
    }
}

TEST(ScriptLine, RejectsUnterminatedQuotesAndBadHex) {
    for (const char* line : {"print \"open", "print \"\\x4\"", "print \"\\xZZ\"", "print \"ends with\\"}) {
        Words words;
        std::string error;
        EXPECT_FALSE(scriptline::Split(line, &words, &error)) << line;
        EXPECT_FALSE(error.empty()) << line;
    }
}

TEST(ScriptLine, StripAmpersandsKeepsDoubledOnes) {
    EXPECT_EQ("Manage NewsGroup...", scriptline::StripAmpersands("&Manage NewsGroup..."));
    EXPECT_EQ("Save & Close", scriptline::StripAmpersands("&Save && Close"));
    EXPECT_EQ("", scriptline::StripAmpersands("&"));
}

}  // namespace
