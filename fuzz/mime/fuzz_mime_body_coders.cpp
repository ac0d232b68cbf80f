// Every body coder in both directions: output within the estimate, and encoded text decodes back.
// Quoted-printable output never starts a line with "--", which could pass for a delimiter.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "mime/MimeRegistry.h"

namespace {

std::vector<char> Apply(MimeCoder& coder, const char* in, int n, bool encode) {
    coder.SetInput(in, n, encode);
    int estimate = coder.GetOutputLength();
    if (estimate < 0)
        abort();
    std::vector<char> out(estimate);
    int written = coder.GetOutput(out.data(), estimate);
    if (written < 0 || written > estimate || coder.Overflowed())
        abort();
    out.resize(written);
    // A smaller buffer must stop early, never overrun.
    if (written > 0) {
        std::vector<char> small(written - 1);
        if (coder.GetOutput(small.data(), written - 1) > written - 1)
            abort();
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (1 << 20))
        return 0;
    static const char* const kNames[] = {"quoted-printable", "base64", "7bit"};
    const char* name = kNames[data[0] % 3];
    std::vector<char> in(data + 1, data + size);
    const int n = static_cast<int>(in.size());

    std::unique_ptr<MimeCoder> coder = CreateBodyCoder(name);
    Apply(*coder, in.data(), n, false);
    std::vector<char> encoded = Apply(*coder, in.data(), n, true);
    std::vector<char> decoded = Apply(*coder, encoded.data(), static_cast<int>(encoded.size()), false);
    if (decoded.size() != in.size() || (n > 0 && memcmp(decoded.data(), in.data(), n) != 0))
        abort();
    if (data[0] % 3 == 0) {
        for (size_t i = 0; i + 1 < encoded.size(); ++i) {
            bool lineStart = i == 0 || encoded[i - 1] == '\r' || encoded[i - 1] == '\n';
            if (lineStart && encoded[i] == '-' && encoded[i + 1] == '-')
                abort();
        }
    }
    return 0;
}
