#include "mime/MimeField.h"

#include <cstring>

#include "mime/MimeChars.h"
#include "mime/MimeRegistry.h"

using mimechars::IsSpace;

namespace {

// Bytes of an unquoted parameter value: '.', 8-bit, or printable and not special.
bool IsTokenByte(unsigned char c) {
    if (c == '.' || mimechars::Is8Bit(c))
        return true;
    if (mimechars::IsControl(c) || c == ' ')
        return false;
    return !mimechars::IsSpecial(c);
}

const char* FindCrLf(const char* p, const char* end) {
    while (p + 1 < end) {
        const char* cr = static_cast<const char*>(memchr(p, '\r', end - p - 1));
        if (!cr)
            return nullptr;
        if (cr[1] == '\n')
            return cr;
        p = cr + 1;
    }
    return nullptr;
}

}  // namespace

bool MimeField::FindParameter(const std::string& attribute, size_t& start, size_t& end) const {
    const std::string& v = value_;
    const size_t n = v.size();
    size_t i = v.find(';');
    while (i != std::string::npos && i < n) {
        while (i < n && (v[i] == ';' || IsSpace(v[i])))
            ++i;
        // The attribute runs to '='; a ';' first means this one has no value. Stopping there
        // keeps thousands of bare parameters linear.
        size_t nameStart = i;
        while (i < n && v[i] != '=' && v[i] != ';')
            ++i;
        if (i >= n)
            return false;
        if (v[i] == ';')
            continue;
        size_t nameEnd = i;
        size_t valueStart = i + 1;
        size_t valueEnd = valueStart;
        if (valueStart < n && v[valueStart] == '"') {
            size_t close = v.find('"', valueStart + 1);
            valueEnd = close == std::string::npos ? n : close + 1;
        } else {
            while (valueEnd < n && IsTokenByte(v[valueEnd]))
                ++valueEnd;
        }
        size_t len = attribute.size();
        if (nameEnd - nameStart >= len && mimechars::EqualsNoCase(v.data() + nameStart, len, attribute.data(), len) &&
            (nameStart + len == nameEnd || IsSpace(v[nameStart + len]))) {
            start = valueStart;
            end = valueEnd;
            return true;
        }
        i = v.find(';', valueEnd);
    }
    return false;
}

bool MimeField::GetParameter(const std::string& attribute, std::string& out) const {
    out.clear();
    size_t start, end;
    if (!FindParameter(attribute, start, end))
        return false;
    if (end > start && value_[start] == '"') {
        ++start;
        if (end > start && value_[end - 1] == '"')
            --end;
    }
    out.assign(value_, start, end - start);
    return true;
}

void MimeField::SetParameter(const std::string& attribute, const std::string& value) {
    std::string quoted = value;
    if (quoted.empty() || quoted[0] != '"')
        quoted.insert(quoted.begin(), '"');
    if (value.size() < 2 || value.back() != '"')
        quoted.push_back('"');
    size_t start, end;
    if (FindParameter(attribute, start, end))
        value_.replace(start, end - start, quoted);
    else
        value_ += "; " + attribute + "=" + quoted;
}

int MimeField::EncodedValueLength() const {
    std::unique_ptr<MimeFieldCoder> coder = CreateFieldCoder(name_);
    coder->SetCharset(charset_);
    coder->SetInput(value_.data(), static_cast<int>(value_.size()), true);
    return coder->GetEncodeLength();
}

int MimeField::GetLength() const {
    long long total = static_cast<long long>(name_.size()) + 4 + EncodedValueLength();
    return total > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(total);
}

int MimeField::Store(char* buffer, int size) const {
    const int nameLen = static_cast<int>(name_.size());
    if (size < 0 || nameLen > size - 4)
        return 0;
    std::unique_ptr<MimeFieldCoder> coder = CreateFieldCoder(name_);
    coder->SetCharset(charset_);
    coder->SetInput(value_.data(), static_cast<int>(value_.size()), true);
    if (coder->GetEncodeLength() > size - 4 - nameLen)
        return 0;
    memcpy(buffer, name_.data(), nameLen);
    memcpy(buffer + nameLen, ": ", 2);
    int n = nameLen + 2;
    n += coder->Encode(buffer + n, size - 2 - n);
    buffer[n++] = '\r';
    buffer[n++] = '\n';
    return n;
}

int MimeField::Load(const char* text, int size) {
    name_.clear();
    value_.clear();
    charset_.clear();
    if (!text || size <= 0)
        return 0;
    const char* p = text;
    const char* end = text + size;
    // Stray continuation lines before the field are skipped whole.
    while (p < end && IsSpace(*p)) {
        if (*p == '\r')
            return 0;
        const char* eol = FindCrLf(p, end);
        if (!eol)
            return 0;
        p = eol + 2;
    }
    if (p >= end)
        return 0;
    const char* lineEnd = FindCrLf(p, end);
    if (!lineEnd)
        return 0;
    const char* colon = static_cast<const char*>(memchr(p, ':', lineEnd - p));
    const char* valueStart = p;
    if (colon) {
        name_.assign(p, colon - p);
        valueStart = colon + 1;
        while (valueStart < lineEnd && (*valueStart == ' ' || *valueStart == '\t'))
            ++valueStart;
    }
    // The value ends at the first CR LF not followed by a blank.
    const char* valueEnd = lineEnd;
    while (valueEnd + 2 < end && (valueEnd[2] == ' ' || valueEnd[2] == '\t')) {
        const char* next = FindCrLf(valueEnd + 2, end);
        if (!next) {
            name_.clear();
            return 0;
        }
        valueEnd = next;
    }
    std::unique_ptr<MimeFieldCoder> coder = CreateFieldCoder(name_);
    value_ = coder->DecodeValue(std::string(valueStart, valueEnd - valueStart));
    charset_ = coder->GetCharset();
    return static_cast<int>(valueEnd + 2 - text);
}
