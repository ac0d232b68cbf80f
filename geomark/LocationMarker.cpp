#include "geomark/LocationMarker.h"

#include <cstdint>
#include <cstring>

#include "geomark/AddressExtractor.h"
#include "lodestar/LodestarTexts.h"
#include "mime/MimeMessage.h"

namespace geomark {

std::string LocationValue(const std::string& country, const std::string& area) {
    std::string value = country + " " + area;
    const std::string marker = lodestar::kUnknownAreaMarker;
    for (size_t at = value.find(marker); at != std::string::npos; at = value.find(marker, at))
        value.erase(at, marker.size());
    return value;
}

MarkResult MarkMessage(const char* message, bool writeAlways, const LocationLookup& lookup, std::string& out) {
    if (!message)
        return MarkResult::NotWritten;
    const size_t size = std::strlen(message);
    MimeMessage parsed;
    std::string address;
    if (size <= static_cast<size_t>(INT32_MAX) && parsed.Load(message, static_cast<int>(size)) > 0)
        address = ExtractAddress(parsed.Fields());

    if (address.empty() || address.size() > kMaxAddressText) {
        if (!writeAlways)
            return MarkResult::NotWritten;
        out.assign(message, size);
        return MarkResult::Unchanged;
    }

    std::string country;
    std::string area;
    std::string marked;
    if (lookup && lookup(address, country, area)) {
        // Replaces name and value of an existing header of any spelling, else appends one.
        parsed.SetField(kLocationHeader, LocationValue(country, area));
        if (parsed.StoreToString(marked)) {
            out.swap(marked);
            return MarkResult::Marked;
        }
    }
    out.assign(message, size);
    return MarkResult::Unchanged;
}

}  // namespace geomark
