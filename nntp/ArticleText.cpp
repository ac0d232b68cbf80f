#include "nntp/ArticleText.h"

#include <cstring>

#include "mime/MimeHeader.h"

namespace {

bool EqualsNoCase(const char* a, const char* b, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

std::string WithoutLineBreaks(std::string value) {
    for (char& c : value) {
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    }
    return value;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A field value as it may go out: a fold (CR LF, then a blank, then more text on that line)
// stays as the user's compose window or the server wrote it; any other CR, LF or NUL becomes a
// blank, so that a value can never end the header block or start a field of its own. A fold
// whose line holds only blanks would read as the empty line to some servers: it is no fold.
std::string KeepFoldsOnly(const std::string& value) {
    std::string out = value;
    const size_t n = out.size();
    for (size_t i = 0; i < n; ++i) {
        char c = out[i];
        if (c == '\r' && i + 2 < n && out[i + 1] == '\n' && IsBlank(out[i + 2])) {
            size_t j = i + 2;
            while (j < n && IsBlank(out[j]))
                ++j;
            if (j < n && out[j] != '\r' && out[j] != '\n' && out[j] != '\0') {
                i = j - 1;  // the fold and its leading blanks stay
                continue;
            }
        }
        if (c == '\r' || c == '\n' || c == '\0')
            out[i] = ' ';
    }
    return out;
}

// The first place on the line at `lineStart` where a fold may go: after the first non-blank
// that follows the line's leading blanks, and on a field's first line after its name's colon.
size_t FirstFoldPoint(const std::string& block, size_t lineStart, size_t end) {
    size_t p = lineStart;
    if (!IsBlank(block[p])) {
        size_t colon = block.find(':', lineStart);
        p = colon == std::string::npos || colon > end ? end : colon + 1;
    }
    while (p < end && IsBlank(block[p]))
        ++p;
    return p + 1;
}

// Folds every line of a header block that is longer than a line may be (998 bytes before its
// CR LF) at its last blank before that limit, again for what is left. A line with no such blank
// (one unbroken word) cannot be folded and stays as it is.
std::string FoldLongLines(const std::string& block) {
    const size_t kMaxLine = 998;
    std::string out;
    out.reserve(block.size() + 16);
    size_t at = 0;
    while (at < block.size()) {
        size_t end = block.find("\r\n", at);
        if (end == std::string::npos)
            end = block.size();
        size_t lineStart = at;
        while (end - lineStart > kMaxLine) {
            size_t earliest = FirstFoldPoint(block, lineStart, end);
            size_t fold = lineStart + kMaxLine;
            while (fold >= earliest && !IsBlank(block[fold]))
                --fold;
            if (fold < earliest)
                break;
            out.append(block, lineStart, fold - lineStart);
            out += "\r\n";
            lineStart = fold;
        }
        out.append(block, lineStart, end - lineStart);
        if (end < block.size())
            out += "\r\n";
        at = end + 2;
    }
    return out;
}

}  // namespace

std::string XMailerValue(const std::string& hostVersion) {
    return "Becky! Internet Mail " + hostVersion + " with Rillpost Plugin";
}

bool IsNewsArticle(const std::string& message, const std::string& hostVersion) {
    static const char kName[] = "X-Mailer:";
    const size_t nameLength = sizeof kName - 1;
    const std::string wanted = XMailerValue(hostVersion);
    size_t at = 0;
    while (at < message.size()) {
        size_t end = message.find('\n', at);
        if (end == std::string::npos)
            end = message.size();
        size_t lineEnd = end;
        if (lineEnd > at && message[lineEnd - 1] == '\r')
            --lineEnd;
        if (lineEnd == at)
            return false;  // the empty line: the body starts
        if (lineEnd - at >= nameLength && EqualsNoCase(message.data() + at, kName, nameLength)) {
            size_t value = at + nameLength;
            while (value < lineEnd && (message[value] == ' ' || message[value] == '\t'))
                ++value;
            size_t valueEnd = lineEnd;
            while (valueEnd > value && (message[valueEnd - 1] == ' ' || message[valueEnd - 1] == '\t'))
                --valueEnd;
            if (message.compare(value, valueEnd - value, wanted) == 0)
                return true;
        }
        at = end + 1;
    }
    return false;
}

std::string ArticleSubject(const std::string& article) {
    MimeHeader header;
    header.Load(article.data(), static_cast<int>(article.size()));
    return WithoutLineBreaks(header.GetFieldValue("Subject"));
}

std::string RebuildHeaderFields(const std::string& article) {
    // Only the header block is read and written again; the body goes out as the user wrote it,
    // without being decoded and encoded on the way, and an article of megabytes is not parsed.
    MimeHeader header;
    int bodyStart = header.Load(article.data(), static_cast<int>(article.size()));
    if (bodyStart < 1)
        return article;
    // Each field is rebuilt where it stands: fields that share a name keep their own values.
    for (MimeField& field : header.Fields()) {
        field.SetValue(KeepFoldsOnly(field.GetValue()));
        field.SetCharset(std::string());
    }
    std::string out(static_cast<size_t>(header.GetLength()), '\0');
    int written = out.empty() ? -1 : header.Store(&out[0], static_cast<int>(out.size()));
    if (written <= 0)
        return article;
    out.resize(static_cast<size_t>(written));
    out = FoldLongLines(out);
    out.append(article, static_cast<size_t>(bodyStart), std::string::npos);
    return out;
}
