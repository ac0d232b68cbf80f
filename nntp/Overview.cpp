#include "nntp/Overview.h"

#include <climits>
#include <cstring>


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

namespace {

// One overview field as a range of the line; nothing is copied until the message is written.
struct FieldRange {
    const char* data = nullptr;
    size_t size = 0;
};

// Appends a field value with CR, LF and NUL made blanks.
void AppendBlanked(std::string* out, const FieldRange& value) {
    size_t from = out->size();
    out->append(value.data ? value.data : "", value.size);
    for (size_t i = from; i < out->size(); ++i) {
        char& c = (*out)[i];
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    }
}

}  // namespace

void BuildOverviewMessageInto(const char* line,
                              size_t length,
                              const std::string& group,
                              std::string* text,
                              std::string* subject,
                              std::string* messageId) {
    // number, subject, author, date, Message-ID, references, bytes, lines: every tab separates.
    FieldRange fields[8];
    const char* end = line + length;
    const char* p = line;
    for (FieldRange& field : fields) {
        const char* tab = static_cast<const char*>(memchr(p, '\t', static_cast<size_t>(end - p)));
        field.data = p;
        field.size = static_cast<size_t>((tab ? tab : end) - p);
        if (!tab)
            break;
        p = tab + 1;
    }
    // The text the message model writes for these fields (no charset, so every value as it
    // stands; each field one line), put together directly: an update appends thousands of
    // placeholders, and building a model for each costs more than the network does.
    static const char* const kNames[] = {nullptr, "Subject", "From", "Date", "Message-ID", "References"};
    text->clear();
    text->reserve(length + group.size() + 200);
    auto name = [text](const char* n) {
        text->append(n);
        text->append(": ");
    };
    for (int i = 1; i <= 5; ++i) {
        if (i == 5 && (fields[5].size == 0 || fields[5].data[0] != '<'))
            continue;
        name(kNames[i]);
        AppendBlanked(text, fields[i]);
        text->append("\r\n");
    }
    name("X-RILLPOST-SIZE");
    AppendBlanked(text, fields[6]);
    text->append("\r\n");
    name("Line");
    AppendBlanked(text, fields[7]);
    text->append("\r\n");
    name("Newsgroups");
    AppendBlanked(text, FieldRange{group.data(), group.size()});
    text->append("\r\nX-RILLPOST-FLAG: FALSE\r\n\r\n");
    text->append(kPlaceholderBody);
    if (subject) {
        subject->clear();
        AppendBlanked(subject, fields[1]);
    }
    if (messageId) {
        messageId->clear();
        AppendBlanked(messageId, fields[4]);
    }
}

std::string BuildOverviewMessage(const std::string& line,
                                 const std::string& group,
                                 std::string* subject,
                                 std::string* messageId) {
    std::string text;
    BuildOverviewMessageInto(line.data(), line.size(), group, &text, subject, messageId);
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
