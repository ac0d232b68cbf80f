#include "nntp/Overview.h"

#include <climits>

#include "mime/MimeMessage.h"

namespace {

const char kPlaceholderBody[] = "Body hasn't been downloaded now,please wait...";

// A header value may hold neither a line end nor a NUL: either would let an overview field
// start a header line of its own.
void Blank(std::string* value) {
    for (char& c : *value) {
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    }
}

}  // namespace

long long LeadingNumber(const std::string& text, long long limit) {
    long long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        int digit = c - '0';
        if (n > (limit - digit) / 10)
            return limit;
        n = n * 10 + digit;
    }
    return n;
}

OverviewFields SplitOverviewLine(const std::string& line) {
    OverviewFields fields;
    std::string* const slots[] = {&fields.number,    &fields.subject,    &fields.from,  &fields.date,
                                  &fields.messageId, &fields.references, &fields.bytes, &fields.lines};
    const size_t count = sizeof slots / sizeof slots[0];
    size_t start = 0;
    for (size_t i = 0; i < count; ++i) {
        size_t tab = line.find('\t', start);
        *slots[i] = line.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
        Blank(slots[i]);
        if (tab == std::string::npos)
            break;
        start = tab + 1;
    }
    return fields;
}

ArticleRecord ParseOverviewLine(const std::string& line) {
    OverviewFields fields = SplitOverviewLine(line);
    ArticleRecord record;
    record.subject = fields.subject;
    record.messageId = fields.messageId;
    record.size = static_cast<int>(LeadingNumber(fields.bytes, INT_MAX));
    return record;
}

std::string BuildOverviewMessage(const std::string& line,
                                 const std::string& group,
                                 std::string* subject,
                                 std::string* messageId) {
    OverviewFields fields = SplitOverviewLine(line);
    std::string newsgroups = group;
    Blank(&newsgroups);

    MimeMessage message;
    message.SetField("Subject", fields.subject);
    message.SetField("From", fields.from);
    message.SetField("Date", fields.date);
    message.SetField("Message-ID", fields.messageId);
    if (!fields.references.empty() && fields.references[0] == '<')
        message.SetField("References", fields.references);
    message.SetField("X-RILLPOST-SIZE", fields.bytes);
    message.SetField("Line", fields.lines);
    message.SetField("Newsgroups", newsgroups);
    message.SetField("X-RILLPOST-FLAG", "FALSE");
    message.SetContent(kPlaceholderBody, 0);

    std::string text;
    message.StoreToString(text);
    if (subject)
        *subject = fields.subject;
    if (messageId)
        *messageId = fields.messageId;
    return text;
}

std::vector<std::string> SplitOverviewReply(const std::string& reply) {
    std::vector<std::string> lines;
    size_t start = reply.find("\r\n");
    if (start == std::string::npos)
        return lines;
    start += 2;
    for (;;) {
        size_t end = reply.find("\r\n", start);
        if (end == std::string::npos || end == start)
            return lines;
        lines.push_back(reply.substr(start, end - start));
        start = end + 2;
    }
}
