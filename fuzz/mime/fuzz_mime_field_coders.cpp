// Field coders: decode any value, encode it again in the charset it came with (or a chosen one),
// check the exact length estimate, that no CR or LF is written outside a fold (it would end the
// header line), and that text fields come back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "mime/MimeRegistry.h"

namespace {

bool HasBareLineBreak(const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && i + 2 < s.size() && s[i + 1] == '\n' && (s[i + 2] == ' ' || s[i + 2] == '\t'))
            ++i;
        else if (s[i] == '\r' || s[i] == '\n')
            return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (1 << 18))
        return 0;
    static const char* const kFields[] = {"Subject", "To", "Content-Type", "X-Plain"};
    static const char* const kCharsets[] = {"", "utf-8", "gb2312",
                                            "a-very-long-character-set-name-that-eats-the-budget-x"};
    const char* field = kFields[data[0] & 3];
    const char* charset = kCharsets[(data[0] >> 2) & 3];
    std::string value(reinterpret_cast<const char*>(data + 1), size - 1);

    std::unique_ptr<MimeFieldCoder> coder = CreateFieldCoder(field);
    std::string decoded = coder->DecodeValue(value);
    if (decoded.size() > value.size())
        abort();
    std::string found = coder->GetCharset();

    coder->SetCharset(*charset ? std::string(charset) : found);
    for (const std::string* v : {&decoded, &value}) {
        coder->SetInput(v->data(), static_cast<int>(v->size()), true);
        int estimate = coder->GetEncodeLength();
        std::string out(estimate, '\0');
        int written = coder->Encode(&out[0], estimate);
        if (written != estimate || coder->Overflowed())
            abort();
        out.resize(written);
        if (HasBareLineBreak(out))
            abort();
        if (coder->GetKind() == MimeFieldCoder::kText && !coder->GetCharset().empty() &&
            coder->GetCharset().find_first_of("?= \t\r\n") == std::string::npos) {
            std::unique_ptr<MimeFieldCoder> reader = CreateFieldCoder(field);
            if (reader->DecodeValue(out) != *v)
                abort();
        }
    }
    return 0;
}
