// Parse any text, then write it back into a buffer of exactly GetLength() bytes, and parse that.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "mime/MimeMessage.h"

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
    if (again.Load(out.data(), written) > written)
        abort();
    std::list<MimeBody*> attachments;
    again.GetAttachments(attachments);
    return 0;
}
