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

bool HasCapability(const std::string& reply, const std::string& label) {
    size_t start = reply.find('\n');
    while (start != std::string::npos && start + 1 < reply.size()) {
        ++start;
        size_t end = reply.find('\n', start);
        std::string line = reply.substr(start, end == std::string::npos ? std::string::npos : end - start);
        size_t word = line.find_first_of(" \t\r");
        line = line.substr(0, word);
        if (line.size() == label.size() && std::equal(line.begin(), line.end(), label.begin(), [](char a, char b) {
                return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
            }))
            return true;
        start = end;
    }
    return false;
}
