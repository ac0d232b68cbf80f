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

// Calls add(name, length) for each name of a LIST reply, in order. One pass over each line: the
// name up to its first blank or line break, then the rest of the line up to its CR LF. No CR LF
// can start inside the name, since a CR ends it. Plain loops: the lines are short, and a library
// search costs a call each.
// A name is handed over before anything after its line is read, so `add` may write over the
// text before that line.
template <class Add>
void ForEachListedName(const char* const text, const size_t size, Add add) {
    size_t start = 0;
    while (start + 1 < size && !(text[start] == '\r' && text[start + 1] == '\n'))
        ++start;
    if (start + 1 >= size)
        return;
    start += 2;
    for (;;) {
        size_t nameEnd = start;
        while (nameEnd < size && !IsNameEnd(text[nameEnd]))
            ++nameEnd;
        size_t end = nameEnd;
        while (end + 1 < size && !(text[end] == '\r' && text[end + 1] == '\n'))
            ++end;
        if (end + 1 >= size)
            return;
        // A line without a separator is taken whole rather than as an empty name. A bare CR or LF
        // ends the name too: names go into commands and files, where a line break would split
        // them. An empty line and the closing dot are no names.
        const size_t length = end - start;
        if (length != 0 && !(length == 1 && text[start] == '.'))
            add(text + start, nameEnd - start);
        start = end + 2;
    }
}

}  // namespace

void ParseGroupList(const std::string& reply, std::vector<std::string>* names) {
    // One name a line: a list of a hundred thousand groups would otherwise move every name
    // gathered so far at each of the vector's many growths.
    names->reserve(names->size() + static_cast<size_t>(std::count(reply.begin(), reply.end(), '\n')));
    ForEachListedName(reply.data(), reply.size(),
                      [names](const char* name, size_t length) { names->emplace_back(name, length); });
}

void AppendGroupListText(const std::string& reply, std::string* joined) {
    // Each line gives at most its own length: the name is shorter than the line by its CR LF at
    // least, and gains one comma. Only the pages written are ever touched.
    joined->reserve(joined->size() + reply.size());
    ForEachListedName(reply.data(), reply.size(), [joined](const char* name, size_t length) {
        joined->append(name, length);
        joined->push_back(',');
    });
}

void MakeGroupListText(std::string* reply) {
    // The stored form is written over the reply from its start: each line takes its name, its
    // CR LF and more, and gives back the name and a comma, so the text written never reaches the
    // line being read.
    char* const text = &(*reply)[0];
    size_t written = 0;
    ForEachListedName(text, reply->size(), [text, &written](const char* name, size_t length) {
        std::memmove(text + written, name, length);
        written += length;
        text[written++] = ',';
    });
    reply->resize(written);
}

std::string WithoutLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    return line;
}

const char kAccessViolationText[] = "Access Violation from Becky!";
const char kUnknownExceptionText[] = "Unkown Exception Raised.";
