#include "nntp/NntpText.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(&text[0], text.size(), format, args);
        text.resize(static_cast<size_t>(length));
    }
    va_end(args);
    return text;
}

}  // namespace

bool BuildCommand(const char* verb, const std::string& argument, std::string* command) {
    if (argument.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        return false;
    *command = std::string(verb) + " " + argument + "\r\n";
    return true;
}

bool IsTimeoutMessage(const std::string& message) {
    return message.find("timeout") != std::string::npos;
}

bool FormatSocketError(const char* message, int code, char* buffer, unsigned maximum) {
    if (maximum == 0 || buffer == nullptr)
        return false;
    char work[200];
    if (code != 0)
        std::snprintf(work, sizeof work, "%s error #%d", message, code);
    else
        std::snprintf(work, sizeof work, "%s error", message);
    size_t length = std::strlen(work);
    if (length > maximum - 1)
        length = maximum - 1;
    std::memcpy(buffer, work, length);
    buffer[length] = '\0';
    return true;
}

int DownloadPercent(long long received, long long expected) {
    if (expected <= 0 || received <= 0)
        return 0;
    if (received >= expected)
        return 100;
    // received * 100 could overflow for huge sizes; then the coarser quotient is close enough.
    long long percent = received < LLONG_MAX / 100 ? received * 100 / expected : received / (expected / 100);
    return static_cast<int>(percent < 99 ? percent : 99);
}

std::string FormatSyncProgress(int percent, const std::string& size, const std::string& item, int number, int count) {
    return Format("Downloading %d%%, %s total - %s %d/%d", percent, size.c_str(), item.c_str(), number, count);
}

std::string FormatHostProgress(int percent, const std::string& size) {
    return Format("Downloading %d%%, %s total", percent, size.c_str());
}

std::string FormatGroupsRetrieved(long long lines) {
    return Format("%lld groups retrieved...", lines);
}

namespace {

bool IsNameEnd(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

void ParseGroupList(const std::string& reply, std::vector<std::string>* names) {
    size_t start = reply.find("\r\n");
    if (start == std::string::npos)
        return;
    start += 2;
    // One name a line: a list of a hundred thousand groups would otherwise move every name
    // gathered so far at each of the vector's many growths.
    names->reserve(names->size() + static_cast<size_t>(std::count(reply.begin() + start, reply.end(), '\n')));
    for (;;) {
        size_t end = reply.find("\r\n", start);
        if (end == std::string::npos)
            return;
        size_t length = end - start;
        if (length != 0 && !(length == 1 && reply[start] == '.')) {
            // A line without a separator is taken whole rather than as an empty name. A bare CR or
            // LF ends the name too: names go into commands and files, where a line break would
            // split them.
            // A plain loop: a search for any of four characters costs a call per character.
            size_t nameEnd = start;
            while (nameEnd < end && !IsNameEnd(reply[nameEnd]))
                ++nameEnd;
            names->emplace_back(reply, start, nameEnd - start);
        }
        start = end + 2;
    }
}

std::string WithoutLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    return line;
}

const char kAccessViolationText[] = "Access Violation from Becky!";
const char kUnknownExceptionText[] = "Unkown Exception Raised.";
