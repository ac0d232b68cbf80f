#include "geomark/AddressExtractor.h"

#include <vector>

namespace geomark {

namespace {

// Folded header values keep their line breaks, so every kind of white space separates words.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Position of the word "by" at or after from: preceded by a blank and followed by a blank or the
// end, so that host names such as "bytes.example" do not count.
size_t FindByWord(const std::string& value, size_t from) {
    for (size_t at = value.find("by", from); at != std::string::npos; at = value.find("by", at + 1)) {
        const bool before = at > 0 && IsBlank(value[at - 1]);
        const bool after = at + 2 == value.size() || IsBlank(value[at + 2]);
        if (before && after)
            return at;
    }
    return std::string::npos;
}

}  // namespace

std::string AddressFromSingleValue(const std::string& value) {
    size_t begin = 0;
    size_t end = value.size();
    while (begin < end && value[begin] == '[')
        ++begin;
    while (end > begin && value[end - 1] == ']')
        --end;
    std::string text = value.substr(begin, end - begin);
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsBlank(text[i]))
            return text.substr(i + 1);
    }
    return text;
}

bool AddressFromReceived(const std::string& value, std::string& text) {
    size_t firstBlank = 0;
    while (firstBlank < value.size() && !IsBlank(value[firstBlank]))
        ++firstBlank;
    if (firstBlank >= value.size())
        return false;
    const size_t by = FindByWord(value, firstBlank + 1);
    if (by == std::string::npos)
        return false;
    // The blank right before "by" ends the kept text; runs of blanks are trimmed off its end.
    size_t keptEnd = by;
    while (keptEnd > firstBlank + 1 && IsBlank(value[keptEnd - 1]))
        --keptEnd;
    text = value.substr(firstBlank + 1, keptEnd - (firstBlank + 1));

    const size_t open = text.find('[');
    if (open != std::string::npos) {
        const size_t close = text.find(']', open + 1);
        text = text.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
        return true;
    }
    return text.empty() || !IsLetter(text[0]);
}

std::string ExtractAddress(const std::list<MimeField>& fields) {
    std::vector<const std::string*> received;
    for (const MimeField& field : fields) {
        const std::string& name = field.GetName();
        if (name == "X-Originating-IP" || name == "NNTP-Posting-Host")
            return AddressFromSingleValue(field.GetValue());
        if (name == "Received")
            received.push_back(&field.GetValue());
    }
    // From the lowest hop up; when every hop is used up, the text last worked on stands.
    std::string text;
    for (auto it = received.rbegin(); it != received.rend(); ++it) {
        if (!AddressFromReceived(**it, text))
            continue;
        if (text.compare(0, 7, "192.168") != 0)
            break;
    }
    return text;
}

}  // namespace geomark
