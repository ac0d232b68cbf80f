// Dotted IPv4 address texts as the lookup and the own table accept them.
#pragma once

#include <cstdint>
#include <string_view>

namespace lodestar {

// The longest dotted address text, "255.255.255.255".
constexpr size_t kMaxAddressText = 15;

// Reads "a.b.c.d" into a 32-bit number with the first part most significant. The text must be at
// most 15 characters with exactly three dots, and every part one or more decimal digits worth at
// most 255 (leading zeros are allowed). Anything else (host names, empty text, blanks, signs,
// long digit runs) is refused with false and leaves value untouched.
bool ParseDottedAddress(std::string_view text, uint32_t& value);

}  // namespace lodestar
