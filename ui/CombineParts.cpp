#include "ui/CombineParts.h"

#include <algorithm>
#include <cctype>

#include "mime/MimeHeaderText.h"
#include "ui/HeaderBlock.h"

namespace {

const char* const kPlaceholderFields[] = {"X-RILLPOST-FLAG", "X-RILLPOST-SIZE"};

std::string Unfolded(const HeaderField& field) {
    std::string value = FieldValue(field), out;
    for (char c : value) {
        if (c != '\r' && c != '\n')
            out += c;
    }
    return out;
}

std::string Body(const std::string& source) {
    HeaderBlock block = HeaderBlock::Parse(source);
    size_t lf = source.find('\n', block.restStart);
    return lf == std::string::npos ? std::string() : source.substr(lf + 1);
}

}  // namespace

std::string MessageSubject(const std::string& source) {
    HeaderBlock block = HeaderBlock::Parse(source);
    int index = block.Find("Subject");
    return index < 0 ? std::string() : DecodeHeaderText(Unfolded(block.fields[index]));
}

bool IsPlaceholder(const std::string& source) {
    HeaderBlock block = HeaderBlock::Parse(source);
    int index = block.Find(kPlaceholderFields[0]);
    if (index < 0)
        return false;
    std::string value = Unfolded(block.fields[index]);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.pop_back();
    // "TRUE" is a placeholder whose article is on its way: its body is still the overview's.
    return value == "FALSE" || value == "TRUE";
}

int CompareSubjects(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) && std::isdigit(static_cast<unsigned char>(b[j]))) {
            // Leading zeros do not count; then the longer run is the larger number.
            while (i < a.size() && a[i] == '0')
                ++i;
            while (j < b.size() && b[j] == '0')
                ++j;
            size_t si = i, sj = j;
            while (i < a.size() && std::isdigit(static_cast<unsigned char>(a[i])))
                ++i;
            while (j < b.size() && std::isdigit(static_cast<unsigned char>(b[j])))
                ++j;
            if (i - si != j - sj)
                return (i - si) < (j - sj) ? -1 : 1;
            int c = a.compare(si, i - si, b, sj, j - sj);
            if (c != 0)
                return c;
            continue;
        }
        int ca = std::tolower(static_cast<unsigned char>(a[i])), cb = std::tolower(static_cast<unsigned char>(b[j]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    return (i < a.size()) - (j < b.size());
}

void SortParts(std::vector<CombinePart>* parts) {
    std::stable_sort(parts->begin(), parts->end(), [](const CombinePart& x, const CombinePart& y) {
        return CompareSubjects(x.subject, y.subject) < 0;
    });
}

std::string CombineMessages(const std::vector<const std::string*>& sources, const std::string& subject) {
    if (sources.empty())
        return std::string();
    HeaderBlock block = HeaderBlock::Parse(*sources[0]);
    for (const char* name : kPlaceholderFields) {
        for (int index; (index = block.Find(name)) >= 0;)
            block.fields.erase(block.fields.begin() + index);
    }
    HeaderField subjectField = MakeField("Subject", subject, block.eol);
    int index = block.Find("Subject");
    if (index >= 0)
        block.fields[index] = subjectField;
    else
        block.fields.push_back(subjectField);
    std::string out = block.Write(std::string());
    out += block.eol;
    for (size_t i = 0; i < sources.size(); ++i) {
        std::string body = Body(*sources[i]);
        out += body;
        if (i + 1 < sources.size() && !body.empty() && body.back() != '\n')
            out += block.eol;
    }
    return out;
}
