#include "lodestar/OwnTable.h"

#include "lodestar/IpAddress.h"

namespace lodestar {

namespace {
// Each width stands at byte 16 of a 32-byte field descriptor; the descriptors follow the 32-byte
// file header.
constexpr size_t kWidthOffsets[5] = {48, 80, 112, 144, 176};
}  // namespace

bool OwnTable::Load(std::vector<unsigned char> bytes) {
    Unload();
    if (bytes.size() <= kFirstRecord)
        return false;
    recordLength_ = 1;
    for (size_t i = 0; i < 5; ++i) {
        widths_[i] = bytes[kWidthOffsets[i]];
        recordLength_ += widths_[i];
    }
    data_ = std::move(bytes);
    loaded_ = true;
    return true;
}

void OwnTable::Unload() {
    data_.clear();
    data_.shrink_to_fit();
    for (size_t& width : widths_)
        width = 0;
    recordLength_ = 0;
    loaded_ = false;
}

// The field's text up to its first blank (or NUL, which cannot be carried further as a C text).
std::string_view OwnTable::Field(size_t offset, size_t width) const {
    const char* text = reinterpret_cast<const char*>(data_.data() + offset);
    size_t length = 0;
    while (length < width && text[length] != ' ' && text[length] != '\0')
        ++length;
    return std::string_view(text, length);
}

bool OwnTable::Find(uint32_t address, std::string_view& country, std::string_view& area) const {
    if (!loaded_)
        return false;
    const size_t fieldsLength = recordLength_ - 1;
    bool found = false;
    for (size_t record = kFirstRecord; record <= data_.size() && data_.size() - record >= fieldsLength;
         record += recordLength_) {
        uint32_t start = 0;
        uint32_t end = 0;
        size_t offset = record;
        if (!ParseDottedAddress(Field(offset, widths_[0]), start))
            continue;
        offset += widths_[0];
        if (!ParseDottedAddress(Field(offset, widths_[1]), end))
            continue;
        offset += widths_[1];
        if (address < start || address > end)
            continue;
        country = Field(offset, widths_[2]);
        area = Field(offset + widths_[2], widths_[3]);
        found = true;
    }
    return found;
}

}  // namespace lodestar
