// yEnc-encoded files inside an article's text: the "=ybegin" block, its "=ypart" and "=yend"
// lines, the decoder and the CRC-32 that checks what it gives. The text is the stored article,
// already free of the wire's dot-stuffing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// One block as its header and trailer lines describe it. Numbers that a line lacks, or that do
// not parse, are marked absent; nothing here is trusted before the decoded bytes agree with it.
struct YencBlock {
    size_t begin = 0;      // offset of the "=ybegin" line
    size_t dataBegin = 0;  // the first data line (after "=ybegin" and any "=ypart" line)
    size_t dataEnd = 0;    // offset of the "=yend" line, or the text's length without one
    size_t end = 0;        // offset after the "=yend" line (its line end excluded)
    std::string name;      // name= up to the end of the line, not yet made safe

    bool hasSize = false;  // size= of "=ybegin": the whole file
    uint64_t size = 0;
    bool isPart = false;  // part= on "=ybegin", or a "=ypart" line: one part of several
    uint64_t part = 0, total = 0;
    bool hasRange = false;  // begin= and end= of "=ypart" (1-based, inclusive)
    uint64_t partBegin = 0, partEnd = 0;

    bool hasEnd = false;  // an "=yend" line was found
    bool hasEndSize = false;
    uint64_t endSize = 0;  // size= of "=yend": the bytes of this block
    bool hasCrc = false;   // crc32= of "=yend": the whole file
    bool crcValid = false;
    uint32_t crc = 0;
    bool hasPartCrc = false;  // pcrc32= of "=yend": this part
    bool partCrcValid = false;
    uint32_t partCrc = 0;
};

// Finds the next "=ybegin " line at or after `from` (a line start, or offset 0), and the block
// it opens up to the next "=yend" line. False when no further block exists.
bool FindYencBlock(const std::string& text, size_t from, YencBlock* block);

// Decodes yEnc data lines: CR and LF are skipped, "=" takes the next character back by 64, and
// every byte is then taken back by 42. False (out cleared) when a "=" ends a line or the text:
// the escaped byte is lost, so the file cannot be right.
bool YdecodeData(const char* text, size_t length, std::string* out);

// The CRC-32 of zip and yEnc (reflected, polynomial 0xEDB88320), continued from `crc`.
uint32_t Crc32(const char* data, size_t length, uint32_t crc = 0);

// Decodes a block that is a whole file and checks it: both size= values and, when given,
// crc32= must agree with the decoded bytes. False (out cleared) for a part of several, a
// missing or short "=yend", a lost escape or any mismatch.
bool DecodeSingleYencFile(const std::string& text, const YencBlock& block, std::string* out);
