#include "standin/MessageText.h"

#include <cctype>

namespace messagetext {
namespace {

bool SameName(const std::string& text, size_t pos, size_t len, const std::string& name) {
    if (len != name.size())
        return false;
    for (size_t i = 0; i < len; ++i) {
        if (std::tolower(static_cast<unsigned char>(text[pos + i])) !=
            std::tolower(static_cast<unsigned char>(name[i])))
            return false;
    }
    return true;
}

// End of the line that starts at pos, not counting its line end; *next receives the start of
// the following line.
size_t LineEnd(const std::string& text, size_t pos, size_t* next) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) {
        *next = text.size();
        end = text.size();
    } else {
        *next = end + 1;
    }
    if (end > pos && text[end - 1] == '\r')
        --end;
    return end;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && (IsBlank(s[e - 1]) || s[e - 1] == '\r' || s[e - 1] == '\n'))
        --e;
    return s.substr(b, e - b);
}

// Finds the field called name inside the header block: [*start, *stop) covers its lines with
// their line ends, *valueStart is where the value begins.
bool FindField(const std::string& text, const std::string& name, size_t* start, size_t* stop, size_t* valueStart) {
    size_t limit = HeaderBlockLength(text);
    size_t pos = 0;
    while (pos < limit) {
        size_t next;
        size_t end = LineEnd(text, pos, &next);
        if (end == pos)
            break;
        size_t colon = text.find(':', pos);
        if (!IsBlank(text[pos]) && colon != std::string::npos && colon < end &&
            SameName(text, pos, colon - pos, name)) {
            *start = pos;
            *valueStart = colon + 1;
            while (next < limit && IsBlank(text[next]))
                LineEnd(text, next, &next);
            *stop = next;
            return true;
        }
        pos = next;
    }
    return false;
}

}  // namespace

size_t HeaderBlockLength(const std::string& text) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t next;
        size_t end = LineEnd(text, pos, &next);
        if (end == pos)
            return next;
        pos = next;
    }
    return text.size();
}

bool HasHeader(const std::string& text, const std::string& name) {
    size_t start, stop, value;
    return FindField(text, name, &start, &stop, &value);
}

std::string GetHeader(const std::string& text, const std::string& name) {
    size_t start, stop, value;
    if (!FindField(text, name, &start, &stop, &value))
        return std::string();
    std::string joined;
    size_t pos = value;
    while (pos < stop) {
        size_t next;
        size_t end = LineEnd(text, pos, &next);
        std::string piece = Trim(text.substr(pos, end - pos));
        if (!piece.empty()) {
            if (!joined.empty())
                joined += ' ';
            joined += piece;
        }
        pos = next;
    }
    return joined;
}

std::string SetHeader(const std::string& text, const std::string& name, const std::string& value) {
    std::string line = name + ": " + value + "\r\n";
    size_t start, stop, valueStart;
    if (FindField(text, name, &start, &stop, &valueStart)) {
        // A last field without line end (text that is all header) keeps having none after it.
        return text.substr(0, start) + line + text.substr(stop);
    }
    size_t limit = HeaderBlockLength(text);
    size_t insertAt = limit;
    if (limit > 0 && limit <= text.size()) {
        // Before the blank line that ends the block, if there is one.
        size_t blank = limit;
        if (blank >= 2 && text.compare(blank - 2, 2, "\r\n") == 0 && (blank == 2 || text[blank - 3] == '\n'))
            insertAt = blank - 2;
        else if (blank >= 1 && text[blank - 1] == '\n' && (blank == 1 || text[blank - 2] == '\n'))
            insertAt = blank - 1;
    }
    std::string head = text.substr(0, insertAt);
    if (!head.empty() && head.back() != '\n')
        head += "\r\n";
    std::string rest = text.substr(insertAt);
    if (rest.empty())
        rest = "\r\n";
    return head + line + rest;
}

std::string ToCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace messagetext
