#include "lodestar/Lodestar.h"

#include <cstring>

#include "lodestar/IpAddress.h"
#include "lodestar/LodestarTexts.h"
#include "xml/CodePage.h"

namespace lodestar {

namespace {

// Appends as much of text as fits into buffer[used, size - 1), never splitting a double-byte
// character, and returns the new length. The caller writes the NUL.
size_t AppendCut(char* buffer, size_t size, size_t used, std::string_view text) {
    const size_t room = size - 1 - used;
    size_t length = text.size();
    if (length > room) {
        const char* p = text.data();
        const char* end = p + text.size();
        length = 0;
        for (size_t next; p < end && length + (next = codepage::CharLen(p, end)) <= room; p += next)
            length += next;
    }
    if (length > 0)
        std::memcpy(buffer + used, text.data(), length);
    return used + length;
}

}  // namespace

Lodestar::Lodestar() : country_{}, area_{}, result_{country_, area_} {}

Lodestar::OwnTableLoad Lodestar::LoadOwnTable(std::vector<unsigned char> bytes) {
    const size_t size = bytes.size();
    if (!ownTable_.Load(std::move(bytes)))
        return OwnTableLoad::Unused;
    return size > OwnTable::kAdviceSize ? OwnTableLoad::LoadedLarge : OwnTableLoad::Loaded;
}

QqwryReader::LoadResult Lodestar::LoadDatabase(std::vector<unsigned char> bytes) {
    return database_.Load(std::move(bytes));
}

void Lodestar::Unload() {
    ownTable_.Unload();
    database_.Unload();
}

void Lodestar::SetResult(std::string_view countryPrefix, std::string_view country, std::string_view area) {
    size_t used = AppendCut(country_, kCountrySize, 0, countryPrefix);
    used = AppendCut(country_, kCountrySize, used, country);
    country_[used] = '\0';
    area_[AppendCut(area_, kAreaSize, 0, area)] = '\0';
}

const IpLocation* Lodestar::GetAddress(const char* text) {
    uint32_t address = 0;
    // A longer text than an address can be is refused without reading it to its end.
    size_t length = 0;
    while (text && length <= kMaxAddressText && text[length] != '\0')
        ++length;
    if (!text || !ParseDottedAddress(std::string_view(text, length), address)) {
        SetResult({}, kUnknownCountry, {});
        return &result_;
    }
    if (address == 0) {
        SetResult({}, kWapCountry, {});
        return &result_;
    }
    std::string_view country;
    std::string_view area;
    if (ownTable_.Find(address, country, area)) {
        SetResult(kStar, country, area);
    } else if (!database_.IsLoaded()) {
        SetResult({}, kNotLoadedCountry, {});
    } else if (database_.Find(address, country, area)) {
        SetResult({}, country, area);
    } else {
        SetResult({}, kUnknownCountry, {});
    }
    return &result_;
}

}  // namespace lodestar
