// The user's own address table "myip.dat": a dBASE-style file whose records hold a start
// address, an end address, a country and an area in blank-padded fixed-width fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace lodestar {

class OwnTable {
public:
    // Files up to this size carry no records and are not used.
    static constexpr size_t kFirstRecord = 194;
    // Above this size every lookup's linear scan gets slow; the library advises merging.
    static constexpr size_t kAdviceSize = 5120;

    // Takes the file's bytes; false (nothing kept) when the file is too short to be used.
    bool Load(std::vector<unsigned char> bytes);
    void Unload();
    bool IsLoaded() const { return loaded_; }

    // Walks every whole record; the last one whose range holds the address wins. Records with an
    // address field that is not a valid dotted address are skipped. The views point into the
    // table's buffer (each up to its field's first blank) and stay valid until the next Load or
    // Unload.
    bool Find(uint32_t address, std::string_view& country, std::string_view& area) const;

private:
    std::string_view Field(size_t offset, size_t width) const;

    std::vector<unsigned char> data_;
    size_t widths_[5] = {};
    size_t recordLength_ = 0;
    bool loaded_ = false;
};

}  // namespace lodestar
