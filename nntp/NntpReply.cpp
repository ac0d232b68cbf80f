#include "nntp/NntpReply.h"

#include <algorithm>
#include <cctype>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool ParseReplyCode(const char* line, size_t length, int* code) {
    if (!line || length < 3 || !IsDigit(line[0]) || !IsDigit(line[1]) || !IsDigit(line[2]))
        return false;
    if (length > 3 && line[3] != ' ' && line[3] != '\r' && line[3] != '\n')
        return false;
    // A first digit outside 1..5 means no reply category; "000" and the like are not replies.
    if (line[0] < '1' || line[0] > '5')
        return false;
    *code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
    return true;
}

bool IsPositiveReply(int code) {
    return code >= 100 && code < 400;
}

bool ReplyIs(const std::string& reply, int expected) {
    int code = 0;
    return ParseReplyCode(reply.data(), reply.size(), &code) && code == expected;
}

namespace {

bool SameWord(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

}  // namespace

bool HasCapability(const std::string& reply, const std::string& label, const std::string& argument) {
    size_t start = reply.find('\n');
    while (start != std::string::npos && start + 1 < reply.size()) {
        ++start;
        size_t end = reply.find('\n', start);
        std::string line = reply.substr(start, end == std::string::npos ? std::string::npos : end - start);
        // The line's words: the label, then its arguments.
        bool labelled = false, argued = argument.empty();
        size_t at = 0;
        for (int index = 0; at < line.size(); ++index) {
            size_t wordEnd = line.find_first_of(" \t\r", at);
            std::string word = line.substr(at, wordEnd == std::string::npos ? std::string::npos : wordEnd - at);
            if (index == 0)
                labelled = SameWord(word, label);
            else if (!word.empty() && SameWord(word, argument))
                argued = true;
            if (wordEnd == std::string::npos || !labelled)
                break;
            at = wordEnd + 1;
        }
        if (labelled && argued)
            return true;
        start = end;
    }
    return false;
}
