#include "tools/dbbuild/MyipBuilder.h"

#include <algorithm>
#include <cstring>

namespace dbbuild {

namespace {

constexpr size_t kHeaderSize = 32;
constexpr size_t kDescriptorSize = 32;
constexpr const char* kFieldNames[5] = {"STARTIP", "ENDIP", "COUNTRY", "LOCAL", "THANK"};

const std::string& Column(const MyipRow& row, int column) {
    switch (column) {
        case 0:
            return row.start;
        case 1:
            return row.end;
        case 2:
            return row.country;
        case 3:
            return row.area;
        default:
            return row.note;
    }
}

void PutLittle(std::vector<unsigned char>& out, size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

void MyipBuilder::SetWidths(const unsigned widths[5]) {
    std::copy(widths, widths + 5, widths_);
}

bool MyipBuilder::Build(std::vector<unsigned char>& out, std::string& error) const {
    unsigned widths[5];
    size_t recordLength = 1;
    for (int column = 0; column < 5; ++column) {
        widths[column] = widths_[column];
        if (widths[column] == 0) {
            widths[column] = 1;
            for (const MyipRow& row : rows_)
                widths[column] = std::max<unsigned>(widths[column], static_cast<unsigned>(Column(row, column).size()));
        }
        if (widths[column] > 255) {
            error = "field " + std::to_string(column + 1) + " is wider than 255 bytes";
            return false;
        }
        recordLength += widths[column];
    }

    const size_t headerLength = kHeaderSize + 5 * kDescriptorSize + 1;
    out.assign(headerLength, 0);
    out[0] = 0x03;  // dBASE III without memo
    out[1] = 126;   // last update: 2026-01-01, years counted from 1900
    out[2] = 1;
    out[3] = 1;
    PutLittle(out, 4, static_cast<uint32_t>(rows_.size()), 4);
    PutLittle(out, 8, static_cast<uint32_t>(headerLength), 2);
    PutLittle(out, 10, static_cast<uint32_t>(recordLength), 2);
    for (int column = 0; column < 5; ++column) {
        const size_t at = kHeaderSize + column * kDescriptorSize;
        std::memcpy(&out[at], kFieldNames[column], std::strlen(kFieldNames[column]));
        out[at + 11] = 'C';
        out[at + 16] = static_cast<unsigned char>(widths[column]);
    }
    out[headerLength - 1] = 0x0D;

    for (const MyipRow& row : rows_) {
        out.push_back(' ');  // not deleted
        for (int column = 0; column < 5; ++column) {
            std::string field = Column(row, column).substr(0, widths[column]);
            field.resize(widths[column], ' ');
            out.insert(out.end(), field.begin(), field.end());
        }
    }
    out.push_back(0x1A);
    return true;
}

}  // namespace dbbuild
