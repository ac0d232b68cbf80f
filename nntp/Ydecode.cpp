#include "nntp/Ydecode.h"

namespace {

// Numbers past this are no file size an article can carry; they count as absent.
const uint64_t kMaxNumber = uint64_t{1} << 53;

struct Line {
    size_t begin, end;  // end excludes the CR LF (or LF) that closes it
    size_t next;        // where the following line starts
};

Line LineAt(const std::string& text, size_t at) {
    size_t lf = text.find('\n', at);
    size_t end = lf == std::string::npos ? text.size() : lf;
    size_t next = lf == std::string::npos ? text.size() : lf + 1;
    if (end > at && text[end - 1] == '\r')
        --end;
    return {at, end, next};
}

bool StartsWith(const std::string& text, const Line& line, const char* word) {
    size_t n = 0;
    for (; word[n]; ++n) {
        if (line.begin + n >= line.end || text[line.begin + n] != word[n])
            return false;
    }
    return true;
}

bool ParseDecimal(const std::string& value, uint64_t* out) {
    if (value.empty() || value.size() > 16)
        return false;
    uint64_t n = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    if (n > kMaxNumber)
        return false;
    *out = n;
    return true;
}

bool ParseHex32(const std::string& value, uint32_t* out) {
    size_t from = value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X') ? 2 : 0;
    if (value.size() == from || value.size() - from > 8)
        return false;
    uint32_t n = 0;
    for (size_t i = from; i < value.size(); ++i) {
        char c = value[i];
        int digit = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
        if (digit < 0)
            return false;
        n = n << 4 | static_cast<uint32_t>(digit);
    }
    *out = n;
    return true;
}

// Calls take(key, value) for each "key=value" word after the line's keyword. "name=" takes the
// rest of the line, blanks included, so a name never hides a word.
template <typename Take>
void ForEachWord(const std::string& text, const Line& line, size_t keywordLength, Take take) {
    size_t at = line.begin + keywordLength;
    while (at < line.end) {
        while (at < line.end && (text[at] == ' ' || text[at] == '\t'))
            ++at;
        size_t wordEnd = at;
        while (wordEnd < line.end && text[wordEnd] != ' ' && text[wordEnd] != '\t')
            ++wordEnd;
        size_t equals = text.find('=', at);
        if (equals == std::string::npos || equals >= wordEnd) {
            at = wordEnd;
            continue;
        }
        std::string key = text.substr(at, equals - at);
        if (key == "name") {
            size_t nameEnd = line.end;
            while (nameEnd > equals + 1 && (text[nameEnd - 1] == ' ' || text[nameEnd - 1] == '\t'))
                --nameEnd;
            take(key, text.substr(equals + 1, nameEnd - equals - 1));
            return;
        }
        take(key, text.substr(equals + 1, wordEnd - equals - 1));
        at = wordEnd;
    }
}

// Four tables: the CRC takes four bytes a step (the "slicing" method).
struct CrcTable {
    uint32_t entries[4][256];
    CrcTable() {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i) {
            for (int t = 1; t < 4; ++t)
                entries[t][i] = (entries[t - 1][i] >> 8) ^ entries[0][entries[t - 1][i] & 0xFF];
        }
    }
};

}  // namespace

bool FindYencBlock(const std::string& text, size_t from, YencBlock* block) {
    size_t begin = std::string::npos;
    if (from == 0 && text.compare(0, 8, "=ybegin ") == 0)
        begin = 0;
    else {
        size_t at = text.find("\n=ybegin ", from == 0 ? 0 : from - 1);
        if (at != std::string::npos)
            begin = at + 1;
    }
    if (begin == std::string::npos)
        return false;

    *block = YencBlock();
    block->begin = begin;
    Line head = LineAt(text, begin);
    ForEachWord(text, head, 8, [block](const std::string& key, const std::string& value) {
        if (key == "name")
            block->name = value;
        else if (key == "size")
            block->hasSize = ParseDecimal(value, &block->size);
        else if (key == "part")
            block->isPart = true, ParseDecimal(value, &block->part);
        else if (key == "total")
            ParseDecimal(value, &block->total);
    });
    block->dataBegin = head.next;
    Line second = LineAt(text, head.next);
    if (head.next < text.size() && StartsWith(text, second, "=ypart ")) {
        block->isPart = true;
        bool haveBegin = false, haveEnd = false;
        ForEachWord(text, second, 7, [&](const std::string& key, const std::string& value) {
            if (key == "begin")
                haveBegin = ParseDecimal(value, &block->partBegin);
            else if (key == "end")
                haveEnd = ParseDecimal(value, &block->partEnd);
        });
        block->hasRange = haveBegin && haveEnd;
        block->dataBegin = second.next;
    }

    // The trailer is "=yend" as a word of its own at a line start.
    size_t endAt = text.find("\n=yend", block->dataBegin - 1);
    while (endAt != std::string::npos && endAt + 6 < text.size() && text[endAt + 6] != ' ' && text[endAt + 6] != '\t' &&
           text[endAt + 6] != '\r' && text[endAt + 6] != '\n')
        endAt = text.find("\n=yend", endAt + 1);
    if (endAt == std::string::npos) {
        block->dataEnd = block->end = text.size();
        return true;
    }
    Line tail = LineAt(text, endAt + 1);
    block->dataEnd = tail.begin;
    block->end = tail.end;
    block->hasEnd = true;
    ForEachWord(text, tail, 5, [block](const std::string& key, const std::string& value) {
        if (key == "size")
            block->hasEndSize = ParseDecimal(value, &block->endSize);
        else if (key == "crc32")
            block->hasCrc = true, block->crcValid = ParseHex32(value, &block->crc);
        else if (key == "pcrc32")
            block->hasPartCrc = true, block->partCrcValid = ParseHex32(value, &block->partCrc);
        else if (key == "part")
            block->isPart = true;
    });
    return true;
}

bool YdecodeData(const char* text, size_t length, std::string* out) {
    // Written through a pointer into a buffer of the input's size: the output is never longer.
    out->resize(length);
    char* const first = length ? &(*out)[0] : nullptr;
    char* w = first;
    const char* p = text;
    const char* const end = text + length;
    while (p < end) {
        char c = *p++;
        if (c == '\r' || c == '\n')
            continue;
        if (c == '=') {
            if (p == end || *p == '\r' || *p == '\n') {
                out->clear();
                return false;
            }
            c = static_cast<char>(*p++ - 64);
        }
        *w++ = static_cast<char>(c - 42);
    }
    out->resize(static_cast<size_t>(w - first));
    return true;
}

uint32_t Crc32(const char* data, size_t length, uint32_t crc) {
    static const CrcTable table;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
    crc = ~crc;
    for (; length >= 4; length -= 4, p += 4) {
        crc ^= static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
               static_cast<uint32_t>(p[3]) << 24;
        crc = table.entries[3][crc & 0xFF] ^ table.entries[2][(crc >> 8) & 0xFF] ^
              table.entries[1][(crc >> 16) & 0xFF] ^ table.entries[0][crc >> 24];
    }
    for (; length > 0; --length, ++p)
        crc = table.entries[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

bool DecodeSingleYencFile(const std::string& text, const YencBlock& block, std::string* out) {
    out->clear();
    if (block.isPart || !block.hasEnd || !block.hasSize || !block.hasEndSize || block.size != block.endSize)
        return false;
    if (block.hasCrc && !block.crcValid)
        return false;
    // Each byte takes at least one character, so a size above the data's length cannot be met.
    if (block.dataEnd < block.dataBegin || block.size > block.dataEnd - block.dataBegin)
        return false;
    if (!YdecodeData(text.data() + block.dataBegin, block.dataEnd - block.dataBegin, out) ||
        out->size() != block.size || (block.hasCrc && Crc32(out->data(), out->size()) != block.crc)) {
        out->clear();
        return false;
    }
    return true;
}
