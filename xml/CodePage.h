// The one place that knows the system's multibyte code page. Portable code asks here whether a
// byte starts a double-byte character and how to convert text between character sets.
// On Windows the answers come from the active ANSI code page; natively they follow GBK (936),
// the code page of our users.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace codepage {

// True when c is the first byte of a double-byte character in the active code page.
bool IsLeadByte(unsigned char c);

// Length (1 or 2) of the character that starts at p; never reaches past end. A lead byte at the
// very end counts as one byte.
inline size_t CharLen(const char* p, const char* end) {
    if (p + 1 < end && IsLeadByte(static_cast<unsigned char>(*p)))
        return 2;
    return 1;
}

// One Unicode code point in the active code page; empty when the code page has no such character
// (or the value is no code point at all: 0, surrogates, above 0x10FFFF).
std::string FromCodePoint(uint32_t codePoint);

// Converts text in a MIME character set ("utf-8", "iso-8859-1", "gb2312", ...) to the active
// code page. Characters without a mapping become '?'. False, leaving out untouched, when the
// character set is unknown.
bool ToAnsi(const std::string& charset, const std::string& in, std::string& out);

// The reverse: active code page text to a MIME character set.
bool FromAnsi(const std::string& charset, const std::string& in, std::string& out);

// The active code page's number (936 natively).
unsigned ActiveCodePage();

}  // namespace codepage
