// Arbitrary header values for the address extraction, and the same bytes as a whole message for
// the header rewrite. Input: fields separated by '\n'; each field's first byte picks its name
// (X-Originating-IP, NNTP-Posting-Host, Received or another header), the rest is its value.
#include <cstdint>
#include <list>
#include <string>

#include "geomark/AddressExtractor.h"
#include "geomark/LocationMarker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const kNames[] = {"Received", "Received", "X-Originating-IP", "NNTP-Posting-Host", "Subject"};
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::list<MimeField> fields;
    size_t pos = 0;
    while (pos < input.size()) {
        size_t end = input.find('\n', pos);
        if (end == std::string::npos)
            end = input.size();
        if (end > pos) {
            const unsigned char pick = static_cast<unsigned char>(input[pos]);
            fields.emplace_back(kNames[pick % 5], input.substr(pos + 1, end - pos - 1));
        }
        pos = end + 1;
    }
    const std::string address = geomark::ExtractAddress(fields);
    if (address.size() > input.size())
        __builtin_trap();

    const geomark::LocationLookup lookup = [](const std::string& text, std::string& country, std::string& area) {
        country = text;
        area = "area";
        return true;
    };
    std::string out;
    geomark::MarkMessage(input.c_str(), size % 2 == 1, lookup, out);
    return 0;
}
