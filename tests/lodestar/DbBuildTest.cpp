#include <gtest/gtest.h>

#include "tests/lodestar/LookupScenarios.h"
#include "tools/dbbuild/MyipBuilder.h"
#include "tools/dbbuild/QqwryBuilder.h"
#include "tools/dbbuild/RangeList.h"

namespace lodestar_test {
namespace {

using dbbuild::Layout;

// The first byte of each range's location shows which form the builder chose; the second and
// fifth byte of a mode-1 target show whether country and area are redirected.
TEST(DbBuild, WritesTheRequestedLocationForms) {
    const std::vector<unsigned char> db = BuildDatabase(
        "10.0.0.0 10.0.0.255 C1 A1 inline\n"
        "10.0.1.0 10.0.1.255 C2 A2 mode1\n"
        "10.0.2.0 10.0.2.255 C1 A3 mode1+2\n"
        "10.0.3.0 10.0.3.255 C1 A4 mode2\n"
        "10.0.4.0 10.0.4.255 C5 A1 mode2area\n"
        "10.0.5.0 10.0.5.255 C2 A2 auto\n"
        "10.0.6.0 10.0.6.255 C1 A6 auto\n"
        "10.0.7.0 10.0.7.255 C7 A1 auto\n");
    struct Expected {
        unsigned char mode;
        unsigned char targetMode;  // first byte at a mode-1 target
    };
    const Expected expected[] = {{'C', 0}, {1, 'C'}, {1, 2}, {2, 0}, {'C', 0}, {1, 'C'}, {2, 0}, {'C', 0}};
    for (size_t i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        const size_t location = RecordOf(db, i) + 4;
        EXPECT_EQ(expected[i].mode, db[location]);
        if (expected[i].mode == 1) {
            const size_t target = db[location + 1] | db[location + 2] << 8 | db[location + 3] << 16;
            EXPECT_EQ(expected[i].targetMode, db[target]);
        }
    }
    // mode2area and auto with a known area: "C5\0" then a mode-2 area.
    EXPECT_EQ(2, db[RecordOf(db, 4) + 4 + 3]);
    EXPECT_EQ(2, db[RecordOf(db, 7) + 4 + 3]);
}

TEST(DbBuild, RefusesRangesTheReaderCouldNotServe) {
    struct Case {
        const char* what;
        std::vector<dbbuild::Range> ranges;
    };
    const Case cases[] = {
        {"none", {}},
        {"ends before start", {{20, 10, "c", "a"}}},
        {"overlap", {{10, 20, "c", "a"}, {20, 30, "c", "a"}}},
        {"NUL in text", {{10, 20, std::string("c\0d", 3), "a"}}},
        {"redirect byte",
         {{10, 20, "c",
           "\x02"
           "a"}}},
        {"redirect byte",
         {{10, 20,
           "\x01"
           "c",
           "a"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dbbuild::QqwryBuilder builder;
        for (const dbbuild::Range& range : c.ranges)
            builder.Add(range);
        std::vector<unsigned char> out;
        std::string error;
        EXPECT_FALSE(builder.Build(out, error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(DbBuild, SortsRangesAndStopsAtTheOffsetLimit) {
    dbbuild::QqwryBuilder builder;
    builder.Add({30, 40, "b", "b"});
    builder.Add({10, 20, "a", "a"});
    std::vector<unsigned char> out;
    std::string error;
    ASSERT_TRUE(builder.Build(out, error)) << error;
    EXPECT_EQ(10u, out[out.size() - 14]);  // first index entry's start address

    dbbuild::QqwryBuilder huge;
    for (uint32_t i = 0; i < 17; ++i)
        huge.Add({i * 10, i * 10 + 1, std::string(1 << 20, 'x') + std::to_string(i), "a", Layout::Inline});
    EXPECT_FALSE(huge.Build(out, error));
}

TEST(DbBuild, ReadsRangeLists) {
    std::vector<dbbuild::Range> ranges;
    std::string error;
    ASSERT_TRUE(
        dbbuild::ParseRangeList("# comment\r\n\n1.2.3.4 16909060 C\r\n"
                                "5.0.0.0\t5.0.0.9\tTwo words\t-\tmode1\n",
                                Layout::Inline, ranges, error))
        << error;
    ASSERT_EQ(2u, ranges.size());
    EXPECT_EQ(0x01020304u, ranges[0].start);
    EXPECT_EQ(0x01020304u, ranges[0].end);
    EXPECT_EQ("area.unknown.invalid", ranges[0].area);
    EXPECT_EQ(Layout::Inline, ranges[0].layout);
    EXPECT_EQ("Two words", ranges[1].country);
    EXPECT_EQ("", ranges[1].area);
    EXPECT_EQ(Layout::Redirect, ranges[1].layout);

    for (const char* bad : {"1.2.3.4 1.2.3.4\n", "1.2.3 1.2.3.4 C\n", "1.2.3.4 4294967296 C\n",
                            "1.2.3.4 1.2.3.4 C A mode9\n", "1 2 C A auto extra\n"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(dbbuild::ParseRangeList(std::string("\n") + bad, Layout::Auto, ranges, error));
        EXPECT_EQ(0u, error.find("line 2: "));
    }
}

TEST(DbBuild, WritesDbaseOwnTable) {
    dbbuild::MyipBuilder builder;
    const unsigned widths[5] = {0, 0, 4, 0, 2};
    builder.SetWidths(widths);
    builder.Add({"1.2.3.4", "1.2.3.40", "Country", "Ar", ""});
    std::vector<unsigned char> out;
    std::string error;
    ASSERT_TRUE(builder.Build(out, error)) << error;
    const unsigned char expectedWidths[5] = {7, 8, 4, 2, 2};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(expectedWidths[i], out[48 + 32 * i]) << i;
    EXPECT_EQ(0x0D, out[192]);
    EXPECT_EQ(' ', out[193]);
    EXPECT_EQ("1.2.3.41.2.3.40CounAr  ", std::string(out.begin() + 194, out.begin() + 194 + 23));
    EXPECT_EQ(0x1A, out.back());
    EXPECT_EQ(194u + 23u + 1u, out.size());
}

}  // namespace
}  // namespace lodestar_test
