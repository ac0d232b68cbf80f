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
        field.SetValue(WithoutLineBreaks(field.GetValue()));
        field.SetCharset(std::string());
    }
    std::string out(static_cast<size_t>(header.GetLength()), '\0');
    int written = out.empty() ? -1 : header.Store(&out[0], static_cast<int>(out.size()));
    if (written <= 0)
        return article;
    out.resize(static_cast<size_t>(written));
    out.append(article, static_cast<size_t>(bodyStart), std::string::npos);
    return out;
}
