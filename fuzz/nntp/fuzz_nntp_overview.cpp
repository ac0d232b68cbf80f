// An XOVER reply from a hostile server: every line becomes a placeholder message, which must
// read back as exactly the placeholder's headers, whatever the fields held.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "mime/MimeMessage.h"
#include "nntp/Overview.h"

namespace {

const char* const kOrder[] = {"Subject",         "From", "Date",       "Message-ID",     "References",
                              "X-RILLPOST-SIZE", "Line", "Newsgroups", "X-RILLPOST-FLAG"};

void Check(const std::string& line) {
    ArticleRecord record = ParseOverviewLine(line);
    if (record.size < 0)
        abort();
    std::string subject, id;
    std::string text = BuildOverviewMessage(line, "alt.test", &subject, &id);
    if (subject != record.subject || id != record.messageId)
        abort();
    MimeMessage message;
    if (message.Load(text.data(), static_cast<int>(text.size())) < 1)
        abort();
    size_t next = 0;
    for (const MimeField& field : message.Fields()) {
        while (next < 9 && field.GetName() != kOrder[next])
            ++next;
        if (next == 9)
            abort();  // a field that is not ours, or out of order
        ++next;
    }
    if (message.Fields().size() < 8 || message.GetFieldValue("X-RILLPOST-FLAG") != "FALSE" ||
        message.GetFieldValue("Newsgroups") != "alt.test")
        abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1 << 16))
        return 0;
    std::string input(reinterpret_cast<const char*>(data), size);
    Check(input);
    for (const std::string& line : SplitOverviewReply(input))
        Check(line);
    return 0;
}
