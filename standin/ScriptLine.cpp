#include "standin/ScriptLine.h"

namespace scriptline {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

bool Split(const std::string& line, std::vector<std::string>* words, std::string* error) {
    words->clear();
    size_t i = 0;
    const size_t n = line.size();
    while (i < n) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c == '#' && (words->empty() || i + 1 == n || line[i + 1] == ' ' || line[i + 1] == '\t'))
            break;
        std::string word;
        if (c != '"') {
            while (i < n && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '\n')
                word += line[i++];
            words->push_back(word);
            continue;
        }
        ++i;
        bool closed = false;
        while (i < n) {
            char q = line[i++];
            if (q == '"') {
                closed = true;
                break;
            }
            if (q != '\\') {
                word += q;
                continue;
            }
            if (i >= n)
                break;
            char e = line[i++];
            switch (e) {
                case '"':
                    word += '"';
                    break;
                case '\\':
                    word += '\\';
                    break;
                case 'r':
                    word += '\r';
                    break;
                case 'n':
                    word += '\n';
                    break;
                case 't':
                    word += '\t';
                    break;
                case 'x': {
                    int hi = i < n ? HexValue(line[i]) : -1;
                    int lo = i + 1 < n ? HexValue(line[i + 1]) : -1;
                    if (hi < 0 || lo < 0) {
                        *error = "bad \\x escape";
                        return false;
                    }
                    word += static_cast<char>(hi * 16 + lo);
                    i += 2;
                    break;
                }
                default:
                    // Any other backslash is itself, so that folder identifiers need no doubling.
                    word += '\\';
                    --i;
                    break;
            }
        }
        if (!closed) {
            *error = "unterminated quote";
            return false;
        }
        words->push_back(word);
    }
    return true;
}

std::string StripAmpersands(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&')
                out += '&', ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

}  // namespace scriptline
