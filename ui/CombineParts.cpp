#include "ui/CombineParts.h"

#include <algorithm>
#include <cctype>

#include "mime/MimeBase64Coder.h"
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

// The first source's header block made the combined message's: no placeholder fields, the
// new Subject.
HeaderBlock CombinedHeader(const std::string& source, const std::string& subject) {
    HeaderBlock block = HeaderBlock::Parse(source);
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
    return block;
}

std::string MediaTypeFor(const std::string& fileName) {
    size_t dot = fileName.rfind('.');
    std::string ext;
    for (size_t i = dot == std::string::npos ? fileName.size() : dot + 1; i < fileName.size(); ++i)
        ext += static_cast<char>(std::tolower(static_cast<unsigned char>(fileName[i])));
    if (ext == "gif" || ext == "bmp" || ext == "png")
        return "image/" + ext;
    if (ext == "jpg" || ext == "jpeg")
        return "image/jpeg";
    return "application/octet-stream";
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
    HeaderBlock block = CombinedHeader(*sources[0], subject);
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

std::string CombineFileMessage(const std::string& firstSource,
                               const std::string& subject,
                               const std::string& fileName,
                               const std::string& bytes,
                               int parts) {
    HeaderBlock block = CombinedHeader(firstSource, subject);
    // The new body is MIME of its own: the first part's description of its content goes.
    for (const char* name : {"MIME-Version", "Content-Type", "Content-Transfer-Encoding", "Content-Disposition"}) {
        for (int index; (index = block.Find(name)) >= 0;)
            block.fields.erase(block.fields.begin() + index);
    }
    const std::string eol = "\r\n";
    std::string name;
    for (char c : fileName) {
        if (c != '"' && c != '\\' && c != '\r' && c != '\n')
            name += c;
    }
    // Neither the text part nor base64 can hold "=_", so the boundary never meets the content.
    const std::string boundary = "=_Rillpost_Combined";
    block.fields.push_back(MakeField("MIME-Version", "1.0", eol));
    block.fields.push_back(MakeField("Content-Type", "multipart/mixed; boundary=\"" + boundary + "\"", eol));
    block.eol = eol;
    std::string out = block.Write(std::string()) + eol;
    out += "This is a multi-part message in MIME format." + eol + eol;
    out += "--" + boundary + eol + "Content-Type: text/plain; charset=GB2312" + eol +
           "Content-Transfer-Encoding: 8bit" + eol + eol;
    out += name + ", joined from " + std::to_string(parts) + " yEnc parts." + eol + eol;
    out += "--" + boundary + eol + "Content-Type: " + MediaTypeFor(name) + "; name=\"" + name + "\"" + eol +
           "Content-Transfer-Encoding: base64" + eol + "Content-Disposition: attachment; filename=\"" + name + "\"" +
           eol + eol;
    int length = static_cast<int>(bytes.size());
    std::string encoded(static_cast<size_t>(MimeBase64Coder::EncodedLength(length, true)), '\0');
    bool overflowed = false;
    int written = MimeBase64Coder::EncodeBytes(bytes.data(), length, &encoded[0], static_cast<int>(encoded.size()),
                                               true, &overflowed);
    encoded.resize(static_cast<size_t>(written));
    out += encoded;
    if (!encoded.empty() && encoded.back() != '\n')
        out += eol;
    out += "--" + boundary + "--" + eol;
    return out;
}
