// Lookup scenarios shared by the in-process tests and the tests through Lodestar.dll: each names
// the two files (built with the database builder, some of them damaged on purpose) and what
// lookups must answer.
#pragma once

#include <string>
#include <vector>

namespace lodestar_test {

struct Query {
    std::string address;
    std::string country;
    std::string area;
};

// Message boxes that loading the files shows, in order.
enum class Box { OpenFailed, Damaged, LargeOwnTable };

struct Scenario {
    std::string name;
    bool hasDatabase = false;
    std::vector<unsigned char> database;
    bool hasOwnTable = false;
    std::vector<unsigned char> ownTable;
    std::vector<Box> boxes;
    std::vector<Query> queries;
};

std::vector<Scenario> LookupScenarios();

// Builds a database from a range list (see tools/dbbuild/RangeList.h); fails the running test on
// a bad list.
std::vector<unsigned char> BuildDatabase(const std::string& list);
std::vector<unsigned char> BuildOwnTable(const std::string& list);

// Offset of index entry i's record in a database; patches it.
size_t RecordOf(const std::vector<unsigned char>& database, size_t entry);
void SetRecordOf(std::vector<unsigned char>& database, size_t entry, size_t record);
void SetLittle(std::vector<unsigned char>& bytes, size_t at, unsigned value, int size);

}  // namespace lodestar_test
