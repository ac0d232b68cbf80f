#include "nntp/GroupReply.h"

#include <algorithm>
#include <cstdio>

#include "nntp/NntpReply.h"

namespace {

const size_t kMaxDigits = 18;  // keeps every sum below within a long long

// Reads a run of digits at *pos, followed by a space or the end of the line.
bool ReadNumber(const std::string& line, size_t* pos, long long* value) {
    size_t p = *pos;
    long long n = 0;
    while (p < line.size() && line[p] >= '0' && line[p] <= '9') {
        if (p - *pos == kMaxDigits)
            return false;
        n = n * 10 + (line[p] - '0');
        ++p;
    }
    if (p == *pos || (p < line.size() && line[p] != ' '))
        return false;
    *pos = p;
    *value = n;
    return true;
}

bool SkipSpaces(const std::string& line, size_t* pos) {
    size_t p = *pos;
    while (p < line.size() && line[p] == ' ')
        ++p;
    bool skipped = p != *pos;
    *pos = p;
    return skipped;
}

}  // namespace

GroupReply ParseGroupReply(const std::string& input) {
    GroupReply reply;
    std::string line = input;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    int code = 0;
    if (!ParseReplyCode(line.data(), line.size(), &code))
        return reply;
    reply.code = code;
    if (code != kReplyGroupSelected)
        return reply;

    size_t pos = 3;
    long long count = 0, first = 0, last = 0;
    if (!SkipSpaces(line, &pos) || !ReadNumber(line, &pos, &count) || !SkipSpaces(line, &pos) ||
        !ReadNumber(line, &pos, &first) || !SkipSpaces(line, &pos) || !ReadNumber(line, &pos, &last))
        return reply;
    SkipSpaces(line, &pos);
    size_t nameEnd = line.find(' ', pos);
    reply.name = line.substr(pos, nameEnd == std::string::npos ? std::string::npos : nameEnd - pos);
    reply.count = count;
    reply.first = first;
    reply.last = last;
    reply.selected = true;
    return reply;
}

XoverRange ChooseXoverRange(long long lastNumber, const GroupReply& reply, int maxNum, int downloadStyle) {
    const long long limit = std::max(maxNum, 0);
    const long long last = reply.last;
    if (lastNumber < 0)
        lastNumber = 0;  // a hand-edited configuration; treated as never updated
    XoverRange range;
    if (lastNumber == 0)
        range.start = last - std::min(reply.count, limit) + 1;
    else if (downloadStyle != 0 || last - lastNumber + 1 <= limit)
        range.start = lastNumber;
    else
        range.start = last - limit + 1;
    range.start = std::max(range.start, 1LL);
    range.end = last;
    range.newLastNumber = last + 1;
    range.send = range.start <= range.end;
    return range;
}

std::string FormatXoverCommand(const XoverRange& range, bool over) {
    char command[64];
    std::snprintf(command, sizeof command, "%s %lld-%lld\r\n", over ? "OVER" : "XOVER", range.start, range.end);
    return command;
}
