#include "lodestar/IpAddress.h"

namespace lodestar {

namespace {
constexpr size_t kMaxAddressText = 15;
}

bool ParseDottedAddress(std::string_view text, uint32_t& value) {
    if (text.size() > kMaxAddressText)
        return false;
    uint32_t result = 0;
    size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.')
                return false;
            ++pos;
        }
        uint32_t number = 0;
        size_t digits = 0;
        for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos, ++digits) {
            // The text is short, but keep the running value from wrapping past 255 anyway.
            if (number <= 255)
                number = number * 10 + static_cast<uint32_t>(text[pos] - '0');
        }
        if (digits == 0 || number > 255)
            return false;
        result = (result << 8) | number;
    }
    if (pos != text.size())
        return false;
    value = result;
    return true;
}

}  // namespace lodestar
