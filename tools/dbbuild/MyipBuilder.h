// Writes the user's own address table "myip.dat" in the dBASE III layout that the lookup library
// reads: a 32-byte file header, five 32-byte character-field descriptors (start address, end
// address, country, area, note), a terminator byte, then one record per row made of a deletion
// mark and the blank-padded fields, and the end-of-file byte.
#pragma once

#include <string>
#include <vector>

namespace dbbuild {

struct MyipRow {
    // Written as given, without any check, so that tests can store invalid fields.
    std::string start;
    std::string end;
    std::string country;
    std::string area;
    std::string note;
};

class MyipBuilder {
public:
    // A width of 0 takes the longest text of that column (at least 1). Longer texts are cut.
    void SetWidths(const unsigned widths[5]);
    void Add(MyipRow row) { rows_.push_back(std::move(row)); }

    // False when a width exceeds the 255 that the descriptor's width byte holds.
    bool Build(std::vector<unsigned char>& out, std::string& error) const;

private:
    std::vector<MyipRow> rows_;
    unsigned widths_[5] = {};
};

}  // namespace dbbuild
