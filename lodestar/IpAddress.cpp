#include "lodestar/IpAddress.h"

namespace lodestar {

// One pass without a branch per character: addresses arrive in random shapes (one to three
// digits a part), and a branch on each digit-or-dot would be guessed wrong several times per
// address. A part that grows past 255 is held at 256 so that a long run of digits cannot wrap
// back into range.
bool ParseDottedAddress(std::string_view text, uint32_t& value) {
    if (text.size() > kMaxAddressText)
        return false;
    uint32_t result = 0;
    uint32_t number = 0;
    uint32_t digits = 0;
    uint32_t dots = 0;
    bool bad = false;
    for (const char c : text) {
        const uint32_t digit = static_cast<uint32_t>(static_cast<unsigned char>(c)) - '0';
        const bool isDigit = digit < 10;
        const bool isDot = c == '.';
        bad |= !isDigit & !isDot;
        bad |= isDot & (digits == 0);
        result = isDot ? result << 8 | (number > 255 ? 256 : number) : result;
        bad |= isDot & (number > 255);
        const uint32_t held = number > 255 ? 256 : number;
        number = isDot ? 0 : held * 10 + digit;
        digits = isDot ? 0 : digits + 1;
        dots += isDot;
    }
    if (bad || dots != 3 || digits == 0 || number > 255)
        return false;
    value = result << 8 | number;
    return true;
}

}  // namespace lodestar
