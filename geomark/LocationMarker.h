// Adds the "X-Geomark-Location" header to a message: the address found in its headers, looked
// up, formatted and set, and the message written back as text.
#pragma once

#include <functional>
#include <string>

namespace geomark {

// The header that carries the location.
inline constexpr char kLocationHeader[] = "X-Geomark-Location";
// Address texts longer than this are never looked up.
inline constexpr size_t kMaxAddressText = 16;

// Looks an address text up: fills country and area, false when no lookup library is there.
using LocationLookup = std::function<bool(const std::string& address, std::string& country, std::string& area)>;

// "<country> <area>" with every copy of the database's unknown-area marker removed.
std::string LocationValue(const std::string& country, const std::string& area);

enum class MarkResult {
    NotWritten,  // no usable address and no write asked for: the host is not called
    Unchanged,   // out holds the message as it came
    Marked,      // out holds the message with the location header
};

// message is the complete source (CR LF lines) of the message being opened; null is allowed.
// writeAlways asks for the message to be written back even without a location.
MarkResult MarkMessage(const char* message, bool writeAlways, const LocationLookup& lookup, std::string& out);

}  // namespace geomark
