// Uuencoded pictures inside an article's text.
#pragma once

#include <cstddef>
#include <string>

// Decodes the uuencoded lines of text[0, length) into out[0, capacity) and sets *decodedLength
// to the bytes written. Lines starting with "begin" or "end" (any case) are skipped. Each other
// line starts with its length character (grave accent = 0, else (c - 32) & 63); groups of four
// characters then give three bytes each until the line's count is reached. Characters that a
// line lacks (trailing blanks that a transport dropped, or the end of the text) count as zero;
// characters after the counted groups are ignored. Output stops at `capacity` whatever the
// length characters claim, so out is never written past its end. Returns false only when a
// pointer is missing (out may be null when capacity is 0).
bool UudecodeBlock(const char* text, size_t length, char* out, size_t capacity, size_t* decodedLength);

// One uuencoded block found in a text.
struct UuBlock {
    size_t begin = 0;      // offset of the "b" of its "begin" line
    size_t end = 0;        // offset after the "d" of its "end" line, or the text's length without one
    std::string fileName;  // as the begin line names it, not yet made safe
};

// Finds the next "begin " line at or after `from` (a line start, or offset 0), and its end: the
// next line that starts with "end", or the end of the text. The file name is the begin line's
// text after its last space, once the line's CR and trailing blanks are trimmed, so a line
// ended by a bare LF keeps its last character. False when no further block exists.
bool FindUuBlock(const std::string& text, size_t from, UuBlock* block);
