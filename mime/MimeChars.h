// Byte classes shared by every coder and by the parser. Only 7-bit bytes belong to a class:
// 8-bit bytes are none of control, whitespace, alphanumeric, special or hex digit.
#pragma once

#include <cstddef>
#include <string>

namespace mimechars {

inline bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

inline bool IsSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline bool IsAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

inline bool IsSpecial(unsigned char c) {
    switch (c) {
        case '"':
        case '(':
        case ')':
        case ',':
        case ':':
        case ';':
        case '<':
        case '=':
        case '>':
        case '@':
        case '[':
        case '\\':
        case ']':
            return true;
        default:
            return false;
    }
}

// Upper-case hex digits only, the class that encoders write; the quoted-printable decoder also
// takes lower-case ones.
inline bool IsHexDigit(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

inline bool Is8Bit(unsigned char c) {
    return c >= 0x80;
}

inline unsigned char ToLower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

inline unsigned char ToUpper(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
}

// ASCII-only, locale-independent comparisons: header names and media types are ASCII.
inline bool EqualsNoCase(const char* a, size_t aLen, const char* b, size_t bLen) {
    if (aLen != bLen)
        return false;
    for (size_t i = 0; i < aLen; ++i) {
        if (ToLower(static_cast<unsigned char>(a[i])) != ToLower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

inline bool EqualsNoCase(const std::string& a, const std::string& b) {
    return EqualsNoCase(a.data(), a.size(), b.data(), b.size());
}

inline bool StartsWithNoCase(const std::string& s, const char* prefix) {
    size_t n = std::char_traits<char>::length(prefix);
    return s.size() >= n && EqualsNoCase(s.data(), n, prefix, n);
}

inline std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(ToLower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace mimechars
