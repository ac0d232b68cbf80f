#include "mime/MimeHeaderText.h"

#include "mime/MimeChars.h"
#include "xml/CodePage.h"

namespace {

int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0;
}

int Base64Value(unsigned char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    if (c == '=')
        return 64;
    return -1;
}

// Position in the Windows-1251 lower-case alphabet (0xE0 + n) of the KOI8-R letters 0xC0..0xDF;
// 0xE0..0xFE are the same letters in upper case (0xC0 + n).
const unsigned char kKoiLetters[32] = {30, 0,  1,  22, 4,  5,  20, 3, 21, 8,  9, 10, 11, 12, 13, 14,
                                       15, 31, 16, 17, 18, 19, 6,  2, 28, 27, 7, 24, 29, 25, 23, 26};

}  // namespace

std::string DecodeHeaderText(const std::string& text) {
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t start = text.find("=?", pos);
        size_t q1 = start == std::string::npos ? start : text.find('?', start + 2);
        size_t q2 = q1 == std::string::npos ? q1 : text.find('?', q1 + 1);
        size_t end = q2 == std::string::npos ? q2 : text.find("?=", q2 + 1);
        if (end == std::string::npos) {
            out.append(text, pos, std::string::npos);
            break;
        }
        out.append(text, pos, start - pos);
        std::string word = text.substr(start + 2, end - start - 2);
        std::string decoded = DecodeHeaderWord(word);
        std::string lower = mimechars::Lower(word.substr(0, 7));
        if (lower.compare(0, 6, "utf-8?") == 0)
            decoded = Utf8ToAnsi(decoded);
        else if (lower.compare(0, 7, "koi8-r?") == 0)
            decoded = Koi8ToCp1251(decoded);
        out += decoded;
        pos = end + 2;
    }
    size_t first = 0;
    while (first < out.size() && mimechars::IsSpace(out[first]))
        ++first;
    size_t last = out.size();
    while (last > first && mimechars::IsSpace(out[last - 1]))
        --last;
    return out.substr(first, last - first);
}

std::string DecodeHeaderWord(const std::string& word) {
    size_t q1 = word.find('?');
    if (q1 == std::string::npos)
        return word;
    size_t q2 = word.find('?', q1 + 1);
    if (q2 == std::string::npos)
        return word.substr(q1 + 1);
    std::string payload = word.substr(q2 + 1);
    if (q2 == q1 + 2) {
        unsigned char letter = mimechars::ToUpper(word[q1 + 1]);
        if (letter == 'Q')
            return DecodeQWord(payload);
        if (letter == 'B')
            return DecodeBase64Word(payload);
    }
    return payload;
}

std::string DecodeQWord(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = text[i];
        if (c == '=') {
            if (i + 2 >= text.size())
                break;
            out.push_back(static_cast<char>(HexValue(text[i + 1]) << 4 | HexValue(text[i + 2])));
            i += 2;
        } else {
            // Only a literal '_' is a space: an escaped "=5F" stays an underscore.
            out.push_back(c == '_' ? ' ' : static_cast<char>(c));
        }
    }
    return out;
}

std::string DecodeBase64Word(const std::string& text) {
    std::string out;
    out.reserve(text.size() / 4 * 3);
    int group[4];
    int have = 0;
    for (unsigned char c : text) {
        int v = Base64Value(c);
        if (v < 0)
            continue;
        group[have++] = v;
        if (have < 4)
            continue;
        have = 0;
        if (group[0] == 64 || group[1] == 64)
            break;
        out.push_back(static_cast<char>(group[0] << 2 | group[1] >> 4));
        if (group[2] == 64)
            break;
        out.push_back(static_cast<char>((group[1] & 15) << 4 | group[2] >> 2));
        if (group[3] == 64)
            break;
        out.push_back(static_cast<char>((group[2] & 3) << 6 | group[3]));
    }
    return out;
}

std::string Utf8ToAnsi(const std::string& text) {
    std::string out;
    if (!codepage::ToAnsi("utf-8", text, out))
        return text;
    return out;
}

std::string Koi8ToCp1251(const std::string& text) {
    std::string out(text);
    for (char& ch : out) {
        unsigned char c = ch;
        if (c < 0x81 || c > 0xFE)
            continue;
        if (c >= 0xC0)
            c = static_cast<unsigned char>((c < 0xE0 ? 0xE0 : 0xC0) + kKoiLetters[c & 31]);
        else if (c == 0xA3)
            c = 0xB8;  // ё
        else if (c == 0xB3)
            c = 0xA8;  // Ё
        else
            c = 0x80;
        ch = static_cast<char>(c);
    }
    return out;
}
