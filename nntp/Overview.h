// Overview lines (the XOVER answer) and the placeholder message built from each one. Portable:
// nothing here touches the network or the host.
//
// An overview line is tab-separated: number, subject, author, date, Message-ID, references,
// byte count, line count, then optional extra fields. Every tab separates, so an empty field
// (an empty subject or References) keeps the fields after it in place.
#pragma once

#include <string>
#include <vector>

struct OverviewFields {
    std::string number;
    std::string subject;
    std::string from;
    std::string date;
    std::string messageId;
    std::string references;
    std::string bytes;
    std::string lines;
};

// What a whole-article update keeps of one overview line.
struct ArticleRecord {
    std::string subject;
    std::string messageId;
    int size = 0;  // the byte count: leading decimal digits, 0 without any, capped at INT_MAX
};

// Splits at every tab. Fields the line lacks stay empty; fields after the eighth are ignored.
// CR, LF and NUL inside a field become blanks, so that no value can end a header line.
OverviewFields SplitOverviewLine(const std::string& line);

// The subject, Message-ID and byte count of one overview line.
ArticleRecord ParseOverviewLine(const std::string& line);

// The placeholder message of one overview line, as CR LF text ready to be appended to the
// group's folder. Headers in this order: Subject, From, Date, Message-ID, References (only when
// that field begins with "<"), X-RILLPOST-SIZE, Line, Newsgroups, X-RILLPOST-FLAG ("FALSE");
// then the not-yet-downloaded body. Values are stored as received (no charset, so encoded words
// stay encoded). Fields missing from the line give empty values. *subject and *messageId
// (either may be null) receive the values written.
std::string BuildOverviewMessage(const std::string& line,
                                 const std::string& group,
                                 std::string* subject,
                                 std::string* messageId);

// BuildOverviewMessage for a line given as a range (of a whole XOVER reply, say), written into
// *text, whose buffer is reused from line to line.
void BuildOverviewMessageInto(const char* line,
                              size_t length,
                              const std::string& group,
                              std::string* text,
                              std::string* subject,
                              std::string* messageId);

// The overview lines of an assembled XOVER reply: everything up to the first CR LF (the status
// line) is skipped, then each text between consecutive CR LF pairs is a line, up to the first
// empty line or the last CR LF. A reply without CR LF has no lines.
std::vector<std::string> SplitOverviewReply(const std::string& reply);

// Leading decimal digits of text as a number, 0 when there are none; saturates at `limit`.
long long LeadingNumber(const std::string& text, long long limit);
