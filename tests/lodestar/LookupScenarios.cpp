#include "tests/lodestar/LookupScenarios.h"

#include <gtest/gtest.h>

#include "lodestar/LodestarTexts.h"
#include "tools/dbbuild/MyipBuilder.h"
#include "tools/dbbuild/QqwryBuilder.h"
#include "tools/dbbuild/RangeList.h"

namespace lodestar_test {

using lodestar::kNotLoadedCountry;
using lodestar::kStar;
using lodestar::kUnknownAreaMarker;
using lodestar::kUnknownCountry;
using lodestar::kWapCountry;

std::vector<unsigned char> BuildDatabase(const std::string& list) {
    std::vector<dbbuild::Range> ranges;
    std::string error;
    EXPECT_TRUE(dbbuild::ParseRangeList(list, dbbuild::Layout::Auto, ranges, error)) << error;
    dbbuild::QqwryBuilder builder;
    for (dbbuild::Range& range : ranges)
        builder.Add(std::move(range));
    std::vector<unsigned char> bytes;
    EXPECT_TRUE(builder.Build(bytes, error)) << error;
    return bytes;
}

std::vector<unsigned char> BuildOwnTable(const std::string& list) {
    std::vector<dbbuild::MyipRow> rows;
    std::string error;
    EXPECT_TRUE(dbbuild::ParseMyipList(list, rows, error)) << error;
    dbbuild::MyipBuilder builder;
    for (dbbuild::MyipRow& row : rows)
        builder.Add(std::move(row));
    std::vector<unsigned char> bytes;
    EXPECT_TRUE(builder.Build(bytes, error)) << error;
    return bytes;
}

static unsigned Little(const std::vector<unsigned char>& bytes, size_t at, int size) {
    unsigned value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | bytes.at(at + i);
    return value;
}

void SetLittle(std::vector<unsigned char>& bytes, size_t at, unsigned value, int size) {
    for (int i = 0; i < size; ++i)
        bytes.at(at + i) = static_cast<unsigned char>(value >> (8 * i));
}

size_t RecordOf(const std::vector<unsigned char>& database, size_t entry) {
    return Little(database, Little(database, 0, 4) + 7 * entry + 4, 3);
}

void SetRecordOf(std::vector<unsigned char>& database, size_t entry, size_t record) {
    SetLittle(database, Little(database, 0, 4) + 7 * entry + 4, static_cast<unsigned>(record), 3);
}

namespace {

const std::string kUnknown = kUnknownCountry;
const std::string kStarText = kStar;

Scenario Boundaries() {
    Scenario s;
    s.name = "Boundaries";
    s.hasDatabase = true;
    s.database = BuildDatabase(
        "1.0.0.0 1.0.0.255 First a1\n"
        "1.0.1.0 1.0.3.255 Second a2\n"
        "2.0.0.0 2.0.0.0 Single a3\n"
        "200.0.0.0 200.255.255.255 Last a4\n");
    s.queries = {
        {"0.0.0.0", kWapCountry, ""},      {"0.255.255.255", kUnknown, ""},  // below the first range
        {"1.0.0.0", "First", "a1"},        {"1.0.0.128", "First", "a1"},    {"1.0.0.255", "First", "a1"},
        {"1.0.1.0", "Second", "a2"},       {"1.0.3.255", "Second", "a2"},   {"1.0.4.0", kUnknown, ""},  // gap
        {"1.255.255.255", kUnknown, ""},   {"2.0.0.0", "Single", "a3"},     {"2.0.0.1", kUnknown, ""},
        {"200.0.0.0", "Last", "a4"},       {"200.128.0.1", "Last", "a4"},   {"200.255.255.255", "Last", "a4"},
        {"201.0.0.0", kUnknown, ""},  // above the last range
        {"255.255.255.255", kUnknown, ""},
    };
    return s;
}

// A database of one range, as the builder writes it for a one-line list.
Scenario OneRange() {
    Scenario s;
    s.name = "OneRange";
    s.hasDatabase = true;
    s.database = BuildDatabase("10.0.1.0 10.0.1.255 Only a\n");
    s.queries = {
        {"10.0.0.255", kUnknown, ""},
        {"10.0.1.0", "Only", "a"},
        {"10.0.1.255", "Only", "a"},
        {"10.0.2.0", kUnknown, ""},
    };
    return s;
}

Scenario TwoRanges() {
    Scenario s;
    s.name = "TwoRanges";
    s.hasDatabase = true;
    s.database = BuildDatabase("0.0.0.1 9.255.255.255 Low - \n10.0.0.0 255.255.255.255 High -\n");
    s.queries = {
        {"0.0.0.1", "Low", ""},
        {"9.255.255.255", "Low", ""},
        {"10.0.0.0", "High", ""},
        {"255.255.255.255", "High", ""},
    };
    return s;
}

Scenario EveryLayout() {
    Scenario s;
    s.name = "EveryLayout";
    s.hasDatabase = true;
    s.database = BuildDatabase(
        "10.0.0.0 10.0.0.255 InlineC InlineA inline\n"
        "10.0.1.0 10.0.1.255 RedC RedA mode1\n"
        "10.0.2.0 10.0.2.255 Shared R2A mode1+2\n"
        "10.0.3.0 10.0.3.255 Shared M2A mode2\n"
        "10.0.4.0 10.0.4.255 OwnC InlineA mode2area\n"
        "10.0.5.0 10.0.5.255 NewC FreshA mode2area\n"
        "10.0.6.0 10.0.6.255 RedC RedA auto\n"
        "10.0.7.0 10.0.7.255 Shared Other auto\n"
        "10.0.8.0 10.0.8.255 Plain\n"
        "10.0.9.0 10.0.9.255 Plain2 ?\n"
        "10.0.10.0 10.0.10.255 - - inline\n"
        "10.0.11.0 10.0.11.255 Shared M2A auto\n");
    s.queries = {
        {"10.0.0.1", "InlineC", "InlineA"},
        {"10.0.1.1", "RedC", "RedA"},
        {"10.0.2.1", "Shared", "R2A"},
        {"10.0.3.1", "Shared", "M2A"},
        {"10.0.4.1", "OwnC", "InlineA"},
        {"10.0.5.1", "NewC", "FreshA"},
        {"10.0.6.1", "RedC", "RedA"},
        {"10.0.7.1", "Shared", "Other"},
        {"10.0.8.1", "Plain", kUnknownAreaMarker},
        {"10.0.9.1", "Plain2", kUnknownAreaMarker},
        {"10.0.10.1", "", ""},
        {"10.0.11.255", "Shared", "M2A"},
    };
    return s;
}

Scenario OwnTablePrecedence() {
    Scenario s;
    s.name = "OwnTablePrecedence";
    s.hasDatabase = true;
    s.database = BuildDatabase("10.0.0.0 10.255.255.255 DbC DbA\n20.0.0.0 20.0.0.255 Db2 Area2\n");
    s.hasOwnTable = true;
    s.ownTable = BuildOwnTable(
        "10.1.0.0 10.1.255.255 OwnA AreaA\n"
        "10.1.2.0 10.1.2.255 OwnB AreaB\n"
        "10.1.0.0 10.1.0.255 OwnC -\n"
        "30.0.0.0\t30.0.0.9\tTwo Words\tCut here\n"
        "# each row below covers 10.1.3.5 but has an invalid address field\n"
        "10.1.3 10.1.3.9 Bad1 x\n"
        "10.1.3.0 10.1.3.256 Bad2 x\n"
        "10.1.3.x 10.1.3.9 Bad3 x\n"
        "10.1.3.0 10.1.3.9.1 Bad4 x\n"
        "10..3.0 10.1.3.9 Bad5 x\n"
        "0010.001.003.001 10.1.3.9 Bad6 x\n"
        "- 10.1.3.9 Bad7 x\n"
        "10.1.3.0 -1.1.3.9 Bad8 x\n"
        "# leading zeros are still a dotted address\n"
        "010.001.004.000 10.1.4.9 Zeros z\n");
    s.queries = {
        {"10.1.1.5", kStarText + "OwnA", "AreaA"},
        {"10.1.2.7", kStarText + "OwnB", "AreaB"},  // the later record wins
        {"10.1.0.7", kStarText + "OwnC", ""},
        {"10.1.3.5", kStarText + "OwnA", "AreaA"},  // every invalid row skipped
        {"10.1.4.5", kStarText + "Zeros", "z"},
        {"30.0.0.9", kStarText + "Two", "Cut"},  // texts end at the first blank
        {"10.2.0.0", "DbC", "DbA"},
        {"20.0.0.1", "Db2", "Area2"},
        {"0.0.0.0", kWapCountry, ""},
        {"40.0.0.0", kUnknown, ""},
    };
    return s;
}

// Databases refused at load: every lookup outside the own table says the data cannot be opened.
Scenario Refused(const std::string& name, std::vector<unsigned char> database) {
    Scenario s;
    s.name = name;
    s.hasDatabase = true;
    s.database = std::move(database);
    s.hasOwnTable = true;
    s.ownTable = BuildOwnTable("10.0.0.0 10.0.0.255 Own OwnArea\n");
    s.boxes = {Box::Damaged};
    s.queries = {
        {"10.0.0.1", kStarText + "Own", "OwnArea"},
        {"10.0.1.1", kNotLoadedCountry, ""},
        {"0.0.0.0", kWapCountry, ""},
    };
    return s;
}

std::vector<unsigned char> SmallDatabase() {
    return BuildDatabase("10.0.1.0 10.0.1.255 A a\n10.0.2.0 10.0.2.255 B b\n10.0.3.0 10.0.3.255 C c\n");
}

std::vector<Scenario> RefusedDatabases() {
    std::vector<Scenario> list;
    std::vector<unsigned char> db = SmallDatabase();
    SetLittle(db, 4, Little(db, 4, 4) + 1, 4);
    list.push_back(Refused("RefusedNotMultipleOf7", db));

    db = SmallDatabase();
    SetLittle(db, 0, Little(db, 0, 4) + 7000, 4);
    SetLittle(db, 4, Little(db, 4, 4) + 7000, 4);
    list.push_back(Refused("RefusedIndexOutsideFile", db));

    db = SmallDatabase();
    db.resize(db.size() - 1);  // the last entry is cut
    list.push_back(Refused("RefusedIndexCut", db));

    db = SmallDatabase();
    const unsigned first = Little(db, 0, 4);
    SetLittle(db, 0, Little(db, 4, 4), 4);
    SetLittle(db, 4, first, 4);
    list.push_back(Refused("RefusedLastBeforeFirst", db));

    list.push_back(Refused("RefusedShortFile", {7, 0, 0, 0}));
    list.push_back(Refused("RefusedEmptyFile", {}));
    return list;
}

// Loaded databases whose records lead outside the buffer: those lookups give the unknown result,
// the rest still works.
Scenario HostileRecords() {
    Scenario s;
    s.name = "HostileRecords";
    s.hasDatabase = true;
    std::vector<unsigned char> db = BuildDatabase(
        "10.0.0.0 10.0.0.255 Good g inline\n"
        "10.0.1.0 10.0.1.255 RecordGone x inline\n"
        "10.0.2.0 10.0.2.255 Mode1Gone x mode1\n"
        "10.0.3.0 10.0.3.255 Mode2Gone x mode2\n"
        "10.0.4.0 10.0.4.255 AreaGone AreaX mode2area\n"
        "10.0.5.0 10.0.5.255 NoNul NoNulArea mode2area\n"
        "10.0.6.0 10.0.6.255 Mode1End x mode1\n"
        "10.0.7.0 10.0.7.255 Last l inline\n");
    const size_t size = db.size();
    SetRecordOf(db, 1, 0xFFFFFF);
    SetLittle(db, RecordOf(db, 2) + 5, 0xFFFFFF, 3);
    SetLittle(db, RecordOf(db, 3) + 5, 0xFFFFFE, 3);
    // The area redirect of "AreaGone" follows its NUL-terminated inline country.
    SetLittle(db, RecordOf(db, 4) + 4 + 9 + 1, 0xFFFFF0, 3);
    // A text without a NUL before the end of the file.
    db.insert(db.end(), {'a', 'b', 'c'});
    SetLittle(db, RecordOf(db, 5) + 4 + 6 + 1, static_cast<unsigned>(size), 3);
    // A mode-1 target on the file's last byte: its country text has no NUL before the end.
    SetLittle(db, RecordOf(db, 6) + 5, static_cast<unsigned>(db.size() - 1), 3);
    s.database = std::move(db);
    s.queries = {
        {"10.0.0.1", "Good", "g"},  {"10.0.1.1", kUnknown, ""}, {"10.0.2.1", kUnknown, ""}, {"10.0.3.1", kUnknown, ""},
        {"10.0.4.1", kUnknown, ""}, {"10.0.5.1", kUnknown, ""}, {"10.0.6.1", kUnknown, ""}, {"10.0.7.255", "Last", "l"},
    };
    return s;
}

Scenario LastRecordGone() {
    Scenario s;
    s.name = "LastRecordGone";
    s.hasDatabase = true;
    s.database = SmallDatabase();
    SetRecordOf(s.database, 2, s.database.size() - 2);  // end address runs past the file
    s.queries = {{"10.0.1.1", kUnknown, ""}, {"10.0.3.1", kUnknown, ""}};
    return s;
}

Scenario LongTexts() {
    const std::string gbkChar = "\xd6\xd0";  // 中
    std::string gbk60;
    for (int i = 0; i < 60; ++i)
        gbk60 += gbkChar;
    std::string gbk130;
    for (int i = 0; i < 130; ++i)
        gbk130 += gbkChar;
    Scenario s;
    s.name = "LongTexts";
    s.hasDatabase = true;
    s.database = BuildDatabase("10.0.0.0 10.0.0.255 " + std::string(150, 'C') + " " + std::string(300, 'A') +
                               "\n"
                               "10.0.1.0 10.0.1.255 " +
                               gbk60 + " " + gbk130 +
                               "\n"
                               "10.0.2.0 10.0.2.255 a" +
                               gbk60 + " " + std::string(259, 'B') + "\n");
    s.hasOwnTable = true;
    s.ownTable = BuildOwnTable("20.0.0.0 20.0.0.255 " + std::string(200, 'X') + " " + std::string(255, 'Y') + "\n");
    s.queries = {
        {"10.0.0.1", std::string(99, 'C'), std::string(259, 'A')},
        // A double-byte character that does not fit whole is left out.
        {"10.0.1.1", gbk60.substr(0, 98), gbk130.substr(0, 258)},
        {"10.0.2.1", "a" + gbk60.substr(0, 98), std::string(259, 'B')},
        {"20.0.0.1", kStarText + std::string(97, 'X'), std::string(255, 'Y')},
    };
    return s;
}

Scenario NoDatabase() {
    Scenario s;
    s.name = "NoDatabase";
    s.boxes = {Box::OpenFailed};
    s.queries = {{"10.0.0.1", kNotLoadedCountry, ""}, {"0.0.0.0", kWapCountry, ""}};
    return s;
}

Scenario NotAnAddress() {
    Scenario s;
    s.name = "NotAnAddress";
    s.hasDatabase = true;
    // A lenient parser would land in one of these ranges.
    s.database = BuildDatabase(
        "0.0.0.1 1.2.3.3 Everywhere e\n1.2.3.4 1.2.3.4 Exact x\n"
        "1.2.3.5 255.255.255.255 Everywhere e\n");
    for (const char* text : {"",
                             "localhost",
                             "mail.example.com",
                             "1.2.3",
                             "1.2.3.4.5",
                             "256.1.1.1",
                             "1.2.3.256",
                             "1.2.3.4 ",
                             " 1.2.3.4",
                             "1.2.3.",
                             ".1.2.3",
                             "1..2.3",
                             "[1.2.3.4]",
                             "-1.2.3.4",
                             "1,2,3,4",
                             "1.2.3.4x",
                             "0x1.2.3.4",
                             "1.2.3.000000000004",
                             "123456789012345678901234567890",
                             "4294967295",
                             "1.2.3.99999999999999999999"}) {
        s.queries.push_back({text, kUnknown, ""});
    }
    s.queries.push_back({"1.2.3.4", "Exact", "x"});
    s.queries.push_back({"001.002.003.004", "Exact", "x"});
    return s;
}

Scenario OwnTableEdges(const std::string& name,
                       std::vector<unsigned char> ownTable,
                       std::vector<Box> boxes,
                       std::vector<Query> queries) {
    Scenario s;
    s.name = name;
    s.hasDatabase = true;
    s.database = BuildDatabase("10.0.0.0 10.255.255.255 Db d\n20.0.0.0 20.0.0.0 Db2 d2\n");
    s.hasOwnTable = true;
    s.ownTable = std::move(ownTable);
    s.boxes = std::move(boxes);
    s.queries = std::move(queries);
    return s;
}

std::vector<Scenario> OwnTableFiles() {
    std::vector<Scenario> list;
    const std::string star = kStarText;
    // Over 5120 bytes: used after the advice.
    std::string rows;
    for (int i = 0; i < 200; ++i)
        rows += "10.0." + std::to_string(i) + ".0 10.0." + std::to_string(i) + ".255 Row" + std::to_string(i) + " r\n";
    std::vector<unsigned char> large = BuildOwnTable(rows);
    EXPECT_GT(large.size(), 5120u);
    list.push_back(OwnTableEdges(
        "OwnTableLarge", large, {Box::LargeOwnTable},
        {{"10.0.7.1", star + "Row7", "r"}, {"10.0.199.255", star + "Row199", "r"}, {"10.1.0.0", "Db", "d"}}));

    // Header only (194 bytes): not used.
    std::vector<unsigned char> empty = BuildOwnTable("");
    EXPECT_EQ(194u, empty.size());
    list.push_back(OwnTableEdges("OwnTableHeaderOnly", empty, {}, {{"10.0.0.1", "Db", "d"}}));

    // The file ends inside the second record: only the first counts.
    std::vector<unsigned char> cut = BuildOwnTable("10.0.0.0 10.0.0.255 One o\n10.0.0.0 10.0.1.255 Two t\n");
    cut.resize(cut.size() - 3);
    list.push_back(
        OwnTableEdges("OwnTableCutRecord", cut, {}, {{"10.0.0.1", star + "One", "o"}, {"10.0.1.1", "Db", "d"}}));

    // Widths that make even the first record run past the file.
    std::vector<unsigned char> wide = BuildOwnTable("10.0.0.0 10.0.0.255 One o\n");
    for (size_t at : {48u, 80u, 112u, 144u, 176u})
        wide[at] = 255;
    list.push_back(OwnTableEdges("OwnTableWidthsPastFile", wide, {}, {{"10.0.0.1", "Db", "d"}}));
    return list;
}

}  // namespace

std::vector<Scenario> LookupScenarios() {
    std::vector<Scenario> list = {Boundaries(),     OneRange(),       TwoRanges(), EveryLayout(), OwnTablePrecedence(),
                                  HostileRecords(), LastRecordGone(), LongTexts(), NoDatabase(),  NotAnAddress()};
    for (Scenario& s : RefusedDatabases())
        list.push_back(std::move(s));
    for (Scenario& s : OwnTableFiles())
        list.push_back(std::move(s));
    return list;
}

}  // namespace lodestar_test
