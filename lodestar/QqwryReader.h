// Reader of the "QQwry.dat" IP database held whole in memory.
//
// The file is a header of two 4-byte offsets (first and last index entry), 7-byte index entries
// (start address, 3-byte record offset) sorted by start address, and records (4-byte end
// address, then the location: inline texts or redirects). Every offset read from the file is
// checked against the buffer, so a damaged or hostile file can only make a lookup fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace lodestar {

class QqwryReader {
public:
    enum class LoadResult { Loaded, Damaged };

    // Takes the file's bytes. Refused as damaged (and not kept) when the header is cut short, the
    // header offsets are not 7 apart by a whole number of entries or the index lies outside the
    // file. A single entry (first and last offsets equal) is a database of one range.
    LoadResult Load(std::vector<unsigned char> bytes);
    void Unload();
    bool IsLoaded() const { return loaded_; }

    // Finds the range that holds the address. The views point into the reader's buffer and stay
    // valid until the next Load or Unload. False when the address lies outside every range or
    // when the range's record leads outside the buffer.
    bool Find(uint32_t address, std::string_view& country, std::string_view& area) const;

private:
    bool Read3(size_t offset, size_t& value) const;
    bool Read4(size_t offset, uint32_t& value) const;
    bool ReadText(size_t offset, std::string_view& text) const;
    bool ReadLocation(size_t recordOffset, std::string_view& country, std::string_view& area) const;

    std::vector<unsigned char> data_;
    // The index unpacked at load into aligned arrays (start address and record offset of each
    // entry), plus for each value of an address's upper bits (address >> sliceShift_) the first
    // entry whose start has that value or a higher one. A search then runs over the few entries
    // of one slice instead of the whole index, and finds the same entry.
    std::vector<uint32_t> starts_;
    std::vector<uint32_t> records_;
    std::vector<uint32_t> slices_;
    int sliceShift_ = 31;
    bool loaded_ = false;
};

}  // namespace lodestar
