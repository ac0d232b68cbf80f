// Windows build: the process's active ANSI code page and the system's conversion tables.
#include "xml/CodePage.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace codepage {

namespace {

struct CharsetEntry {
    const char* name;
    UINT codePage;
};

// MIME names seen in news and mail, with the Windows code page that reads them.
const CharsetEntry kCharsets[] = {
    {"us-ascii", 20127},     {"utf-8", CP_UTF8},       {"utf8", CP_UTF8},       {"gb2312", 936},
    {"gbk", 936},            {"x-gbk", 936},           {"cp936", 936},          {"windows-936", 936},
    {"gb18030", 54936},      {"big5", 950},            {"big5-hkscs", 950},     {"shift_jis", 932},
    {"shift-jis", 932},      {"x-sjis", 932},          {"euc-jp", 20932},       {"iso-2022-jp", 50220},
    {"euc-kr", 949},         {"ks_c_5601-1987", 949},  {"iso-2022-kr", 50225},  {"koi8-r", 20866},
    {"koi8-u", 21866},       {"iso-8859-1", 28591},    {"iso-8859-2", 28592},   {"iso-8859-3", 28593},
    {"iso-8859-4", 28594},   {"iso-8859-5", 28595},    {"iso-8859-6", 28596},   {"iso-8859-7", 28597},
    {"iso-8859-8", 28598},   {"iso-8859-9", 28599},    {"iso-8859-13", 28603},  {"iso-8859-15", 28605},
    {"windows-1250", 1250},  {"windows-1251", 1251},   {"windows-1252", 1252},  {"windows-1253", 1253},
    {"windows-1254", 1254},  {"windows-1255", 1255},   {"windows-1256", 1256},  {"windows-1257", 1257},
    {"windows-1258", 1258},  {"tis-620", 874},         {"windows-874", 874},    {"utf-7", CP_UTF7},
};

bool LookupCodePage(const std::string& charset, UINT& codePage) {
    for (const CharsetEntry& e : kCharsets) {
        if (lstrcmpiA(e.name, charset.c_str()) == 0) {
            codePage = e.codePage;
            return true;
        }
    }
    return false;
}

bool ToWide(UINT codePage, const std::string& in, std::vector<wchar_t>& wide) {
    wide.clear();
    if (in.empty())
        return true;
    int n = MultiByteToWideChar(codePage, 0, in.data(), static_cast<int>(in.size()), nullptr, 0);
    if (n <= 0)
        return false;
    wide.resize(n);
    MultiByteToWideChar(codePage, 0, in.data(), static_cast<int>(in.size()), wide.data(), n);
    return true;
}

bool FromWide(UINT codePage, const std::vector<wchar_t>& wide, std::string& out) {
    out.clear();
    if (wide.empty())
        return true;
    int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                nullptr);
    if (n <= 0)
        return false;
    out.resize(n);
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &out[0], n, nullptr, nullptr);
    return true;
}

bool Convert(UINT from, UINT to, const std::string& in, std::string& out) {
    std::vector<wchar_t> wide;
    std::string result;
    if (!ToWide(from, in, wide) || !FromWide(to, wide, result))
        return false;
    out.swap(result);
    return true;
}

}  // namespace

bool IsLeadByte(unsigned char c) {
    return IsDBCSLeadByte(c) != FALSE;
}

unsigned ActiveCodePage() {
    return GetACP();
}

std::string FromCodePoint(uint32_t codePoint) {
    if (codePoint == 0 || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return std::string();
    wchar_t wide[2];
    int len = 1;
    if (codePoint >= 0x10000) {
        codePoint -= 0x10000;
        wide[0] = static_cast<wchar_t>(0xD800 + (codePoint >> 10));
        wide[1] = static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF));
        len = 2;
    } else {
        wide[0] = static_cast<wchar_t>(codePoint);
    }
    char buf[16];
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(CP_ACP, 0, wide, len, buf, sizeof(buf), nullptr, &usedDefault);
    if (n <= 0 || usedDefault)
        return std::string();
    return std::string(buf, n);
}

bool ToAnsi(const std::string& charset, const std::string& in, std::string& out) {
    UINT cp;
    if (!LookupCodePage(charset, cp))
        return false;
    return Convert(cp, CP_ACP, in, out);
}

bool FromAnsi(const std::string& charset, const std::string& in, std::string& out) {
    UINT cp;
    if (!LookupCodePage(charset, cp))
        return false;
    return Convert(CP_ACP, cp, in, out);
}

}  // namespace codepage
