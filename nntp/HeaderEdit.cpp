#include "nntp/HeaderEdit.h"

#include <cctype>

namespace {

bool NameIs(const std::string& text, size_t lineStart, size_t lineEnd, const std::string& name) {
    if (lineEnd - lineStart <= name.size() || text[lineStart + name.size()] != ':')
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[lineStart + i])) !=
            std::tolower(static_cast<unsigned char>(name[i])))
            return false;
    }
    return true;
}

// The end of the line starting at `from`, before its CR LF or LF.
size_t LineEnd(const std::string& text, size_t from) {
    size_t lf = text.find('\n', from);
    if (lf == std::string::npos)
        return text.size();
    return (lf > from && text[lf - 1] == '\r') ? lf - 1 : lf;
}

// The start of the line after the one ending at `end`.
size_t NextLine(const std::string& text, size_t end) {
    if (end < text.size() && text[end] == '\r')
        ++end;
    if (end < text.size() && text[end] == '\n')
        ++end;
    return end;
}

}  // namespace

std::string SetHeaderInText(const std::string& text, const std::string& name, const std::string& value) {
    std::string clean = value;
    for (char& c : clean) {
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    }
    size_t firstEnd = LineEnd(text, 0);
    std::string eol = (firstEnd < text.size() && text[firstEnd] == '\n') ? "\n" : "\r\n";
    std::string field = name + ": " + clean;

    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = LineEnd(text, pos);
        if (end == pos) {
            // The empty line: the field is new and goes just before it.
            return text.substr(0, pos) + field + eol + text.substr(pos);
        }
        if (NameIs(text, pos, end, name)) {
            size_t next = NextLine(text, end);
            // Continuation lines belong to the field being replaced.
            while (next < text.size() && (text[next] == ' ' || text[next] == '\t'))
                next = NextLine(text, LineEnd(text, next));
            return text.substr(0, pos) + field + eol + text.substr(next);
        }
        pos = NextLine(text, end);
    }
    // A header block without an empty line after it.
    std::string out = text;
    if (!out.empty() && out.back() != '\n')
        out += eol;
    return out + field + eol;
}
