// Parse any text, write it back into a buffer of exactly GetLength() bytes, and parse that: the
// second reading must find what the first one found (nesting, field names and values, decoded
// contents), so that storing a message can neither lose a part nor forge a field or a delimiter.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "mime/MimeMessage.h"
#include "mime/MimeRegistry.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// What storing may change in a value without changing its meaning. Reading skips the blanks
// after the colon, so a value's leading blanks do not come back; without a character set a bare
// CR or LF is written as a blank; fields that fold after their delimiters drop the blanks there
// and add CR LF TAB, so their values are compared without any whitespace.
std::string Canonical(const MimeField& field) {
    const std::string& v = field.GetValue();
    std::string out;
    MimeFieldCoder::Kind kind = CreateFieldCoder(field.GetName())->GetKind();
    bool folds = kind == MimeFieldCoder::kAddress || kind == MimeFieldCoder::kParameter;
    for (size_t i = 0; i < v.size(); ++i) {
        char c = v[i];
        bool fold = c == '\r' && i + 2 < v.size() && v[i + 1] == '\n' && IsBlank(v[i + 2]);
        bool foldLf = c == '\n' && i > 0 && v[i - 1] == '\r' && i + 1 < v.size() && IsBlank(v[i + 1]);
        if (folds && (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'))
            continue;
        if (field.GetCharset().empty() && (c == '\r' || c == '\n') && !fold && !foldLf)
            c = ' ';
        out.push_back(c);
    }
    out.erase(0, out.find_first_not_of(" \t"));
    return out;
}

bool SameTree(const MimeBody& a, const MimeBody& b) {
    if (a.Fields().size() != b.Fields().size() || a.Parts().size() != b.Parts().size())
        return false;
    for (auto fa = a.Fields().begin(), fb = b.Fields().begin(); fa != a.Fields().end(); ++fa, ++fb) {
        if (fa->GetName() != fb->GetName() || Canonical(*fa) != Canonical(*fb))
            return false;
    }
    std::string ca, cb;
    a.GetContent(ca);
    b.GetContent(cb);
    if (ca != cb || a.GetEpilogue() != b.GetEpilogue())
        return false;
    for (auto pa = a.Parts().begin(), pb = b.Parts().begin(); pa != a.Parts().end(); ++pa, ++pb) {
        if (!SameTree(**pa, **pb))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1 << 20))
        return 0;
    // An exact-size copy, so that any read past the end is caught.
    std::vector<char> text(data, data + size);
    MimeMessage msg;
    int consumed = msg.Load(text.data(), static_cast<int>(text.size()));
    if (consumed > static_cast<int>(size))
        abort();
    if (consumed < 1)
        return 0;
    int length = msg.GetLength();
    if (length < 0)
        abort();
    std::vector<char> out(length);
    // Parts only come from a boundary, so a parsed message always stores within its length.
    int written = msg.Store(out.data(), length);
    if (written <= 0 || written > length)
        abort();
    out.resize(written);
    MimeMessage again;
    int reread = again.Load(out.data(), written);
    if (reread < 1 || reread > written)
        abort();
    if (!SameTree(msg, again))
        abort();
    std::list<MimeBody*> attachments;
    again.GetAttachments(attachments);
    return 0;
}
