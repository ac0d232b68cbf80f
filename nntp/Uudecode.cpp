#include "nntp/Uudecode.h"

namespace {

unsigned Sixbits(char c) {
    return c == '`' ? 0 : (static_cast<unsigned char>(c) - 32u) & 63u;
}

bool StartsWithNoCase(const char* p, const char* end, const char* word) {
    for (; *word; ++p, ++word) {
        if (p == end)
            return false;
        char c = *p >= 'A' && *p <= 'Z' ? static_cast<char>(*p - 'A' + 'a') : *p;
        if (c != *word)
            return false;
    }
    return true;
}

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

}  // namespace

bool UudecodeBlock(const char* text, size_t length, char* out, size_t capacity, size_t* decodedLength) {
    if (!text || !decodedLength || (!out && capacity != 0))
        return false;
    const char* p = text;
    const char* const end = text + length;
    size_t written = 0;
    while (p < end && written < capacity) {
        if (IsLineEnd(*p)) {
            ++p;
            continue;
        }
        const char* lineEnd = p;
        while (lineEnd < end && !IsLineEnd(*lineEnd))
            ++lineEnd;
        if (StartsWithNoCase(p, lineEnd, "begin") || StartsWithNoCase(p, lineEnd, "end")) {
            p = lineEnd;
            continue;
        }
        size_t count = Sixbits(*p++);
        while (count > 0 && written < capacity) {
            unsigned c[4];
            for (unsigned& sextet : c)
                sextet = p < lineEnd ? Sixbits(*p++) : 0;
            const unsigned char bytes[3] = {static_cast<unsigned char>(c[0] << 2 | c[1] >> 4),
                                            static_cast<unsigned char>(c[1] << 4 | c[2] >> 2),
                                            static_cast<unsigned char>(c[2] << 6 | c[3])};
            for (size_t i = 0; i < 3 && count > 0 && written < capacity; ++i, --count)
                out[written++] = static_cast<char>(bytes[i]);
        }
        p = lineEnd;
    }
    *decodedLength = written;
    return true;
}

bool FindUuBlock(const std::string& text, size_t from, UuBlock* block) {
    size_t begin = std::string::npos;
    if (from == 0 && text.compare(0, 6, "begin ") == 0)
        begin = 0;
    else {
        size_t at = text.find("\nbegin ", from == 0 ? 0 : from - 1);
        if (at != std::string::npos)
            begin = at + 1;
    }
    if (begin == std::string::npos)
        return false;

    size_t lineEnd = text.find('\n', begin);
    size_t nameEnd = lineEnd == std::string::npos ? text.size() : lineEnd;
    while (nameEnd > begin && (text[nameEnd - 1] == '\r' || text[nameEnd - 1] == ' ' || text[nameEnd - 1] == '\t'))
        --nameEnd;
    // "begin " holds a space, so a name, when there is one, starts after a space of this line.
    const size_t nameFrom = begin + 6;
    size_t space = nameEnd > nameFrom ? text.rfind(' ', nameEnd - 1) : std::string::npos;
    block->fileName = space == std::string::npos ? std::string() : text.substr(space + 1, nameEnd - space - 1);
    block->begin = begin;

    size_t endLine = lineEnd == std::string::npos ? std::string::npos : text.find("\nend", lineEnd);
    block->end = endLine == std::string::npos ? text.size() : endLine + 4;
    return true;
}
