// Native build: GBK rules and iconv, standing in for the Windows active code page 936.
#include "xml/CodePage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cctype>

namespace codepage {

namespace {

const char kAnsi[] = "CP936";

std::string Lower(const std::string& s) {
    std::string r(s);
    std::transform(r.begin(), r.end(), r.begin(), [](unsigned char c) { return std::tolower(c); });
    return r;
}

// Names that mail software writes but iconv spells differently.
std::string IconvName(const std::string& charset) {
    std::string c = Lower(charset);
    if (c == "gb2312" || c == "gbk" || c == "x-gbk" || c == "cp936" || c == "windows-936")
        return kAnsi;
    if (c == "utf8")
        return "UTF-8";
    if (c == "ks_c_5601-1987")
        return "CP949";
    if (c == "x-sjis" || c == "shift-jis")
        return "SHIFT_JIS";
    return charset;
}

bool Convert(const std::string& from, const std::string& to, const std::string& in, std::string& out) {
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string result;
    result.reserve(in.size() * 2 + 8);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buf[4096];
    while (srcLeft > 0) {
        char* dst = buf;
        size_t dstLeft = sizeof(buf);
        size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        result.append(buf, dst - buf);
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // Invalid or unmappable input: one '?' for the byte and go on.
            result.push_back('?');
            ++src;
            --srcLeft;
        }
    }
    char* dst = buf;
    size_t dstLeft = sizeof(buf);
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    result.append(buf, dst - buf);
    iconv_close(cd);
    out.swap(result);
    return true;
}

}  // namespace

bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

unsigned ActiveCodePage() {
    return 936;
}

std::string FromCodePoint(uint32_t codePoint) {
    if (codePoint == 0 || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return std::string();
    char32_t wide = codePoint;
    iconv_t cd = iconv_open(kAnsi, "UTF-32LE");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::string();
    unsigned char in[4] = {static_cast<unsigned char>(wide), static_cast<unsigned char>(wide >> 8),
                           static_cast<unsigned char>(wide >> 16), static_cast<unsigned char>(wide >> 24)};
    char* src = reinterpret_cast<char*>(in);
    size_t srcLeft = 4;
    char buf[16];
    char* dst = buf;
    size_t dstLeft = sizeof(buf);
    size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1))
        return std::string();
    return std::string(buf, dst - buf);
}

bool ToAnsi(const std::string& charset, const std::string& in, std::string& out) {
    return Convert(IconvName(charset), kAnsi, in, out);
}

bool FromAnsi(const std::string& charset, const std::string& in, std::string& out) {
    return Convert(kAnsi, IconvName(charset), in, out);
}

}  // namespace codepage
