// Writes an IP database in the layout that the lookup library reads: an 8-byte header with the
// offsets of the first and last index entry, the records (end address + location) from offset 8,
// then the 7-byte index sorted by start address.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace dbbuild {

// How one range's location is stored.
enum class Layout {
    Auto,          // like published databases: repeated locations become mode-1 redirects to the
                   // first copy, repeated countries and areas mode-2 redirects to their first text
    Inline,        // country and area texts right in the record
    Redirect,      // mode 1 to a copy of both texts stored elsewhere
    RedirectText,  // mode 1 to a place whose country is a mode-2 redirect, area inline
    TextCountry,   // mode-2 country, area inline
    TextArea,      // inline country, mode-2 area
};

// Parses the names used in range lists: auto, inline, mode1, mode1+2, mode2, mode2area.
bool ParseLayout(const std::string& name, Layout& layout);

struct Range {
    uint32_t start = 0;
    uint32_t end = 0;
    std::string country;
    std::string area;
    Layout layout = Layout::Auto;
};

class QqwryBuilder {
public:
    // Ranges may come in any order; Build sorts them by start address.
    void Add(Range range);
    size_t Count() const { return ranges_.size(); }

    // False with a reason when ranges overlap, end before they start, a text holds a NUL or starts
    // with a redirect byte (1 or 2), or the records outgrow the 3-byte offsets (16 MB).
    bool Build(std::vector<unsigned char>& out, std::string& error);

private:
    size_t Put(const std::string& text);
    size_t SharedText(const std::string& text);
    void PutRedirect(unsigned char mode, size_t offset);
    size_t PutLocationBody(const Range& range, bool countryRedirect, bool areaRedirect);

    std::vector<Range> ranges_;
    // Used during Build only.
    std::vector<unsigned char>* out_ = nullptr;
    std::map<std::string, size_t> texts_;
    std::map<std::pair<std::string, std::string>, size_t> locations_;
};

}  // namespace dbbuild
